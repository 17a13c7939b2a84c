def fib(n):
    if n < 2:
        return n
    return fib(n - 1) + fib(n - 2)

r = 0
for k in range(10):
    r = fib(24)
print(r)
