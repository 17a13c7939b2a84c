my $n = shift // 5000000;
my $i = 0;
while ($i < $n) { $i = $i + 1 }
print "$i\n";
