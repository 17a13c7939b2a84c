local lines, tokens, chars = 0, 0, 0
for line in io.lines() do
    line = line .. " "
    lines = lines + 1
    local c = 1
    while true do
        local from, to, after = line:match("^()[^ ]+()[ ]+()", c)
        if not from then break end
        tokens = tokens + 1
        chars = chars + (to - from)
        c = after
    end
end
print(lines .. " " .. tokens .. " " .. chars)
