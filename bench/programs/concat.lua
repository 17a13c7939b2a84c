local s
for _ = 1, 10 do
    s = ""
    while #s < 31990 do
        s = s .. "ABCDEFG"
    end
end
print(#s)
