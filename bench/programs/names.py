var = {}
for i in range(1, 2401):
    var['N' + str(i)] = i
total = 0
for j in range(1, 1000001):
    total = total + var['N' + str(j % 2400 + 1)]
print(total)
