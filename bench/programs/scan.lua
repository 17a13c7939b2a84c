local s1 = string.rep("ABCDEFGHIJ", 3200)
local s2 = string.rep("ABCDEFGHIY", 3200)
local misses = 0
for _ = 1, 10000 do
    if not s1:find("ABCDEFGHIX", 1, true) then
        misses = misses + 1
        if not s2:find("ABCDEFGHIX", 1, true) then
            misses = misses + 1
        end
    end
end
print(misses)
