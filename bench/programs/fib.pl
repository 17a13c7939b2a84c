sub fib { my $n = shift; return $n if $n < 2; return fib($n - 1) + fib($n - 2) }
my $r;
for my $k (1 .. 10) { $r = fib(24) }
print "$r\n";
