local var = {}
for i = 1, 2400 do
    var["N" .. i] = i
end
local sum = 0
for j = 1, 1000000 do
    sum = sum + var["N" .. (j % 2400 + 1)]
end
print(sum)
