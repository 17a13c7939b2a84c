s = ''
for r in range(10):
    s = ''
    while len(s) < 31990:
        s = s + 'ABCDEFG'
print(len(s))
