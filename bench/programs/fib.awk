function fib(n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2) }
BEGIN { for (k = 0; k < 10; k++) r = fib(24); print r }
