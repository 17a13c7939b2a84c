local function fib(n)
    if n < 2 then return n end
    return fib(n - 1) + fib(n - 2)
end
local r
for _ = 1, 10 do
    r = fib(24)
end
print(r)
