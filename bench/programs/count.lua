local n = tonumber(arg[1]) or 5000000
local i = 0
while i < n do
    i = i + 1
end
print(i)
