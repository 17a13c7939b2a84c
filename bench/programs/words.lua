local lines, words = 0, 0
for line in io.lines() do
    lines = lines + 1
    for _ in line:gmatch("%l+") do
        words = words + 1
    end
end
print(lines .. " " .. words)
