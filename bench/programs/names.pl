my %var;
for my $i (1 .. 2400) { $var{'N' . $i} = $i }
my $sum = 0;
for my $j (1 .. 1000000) { $sum = $sum + $var{'N' . ($j % 2400 + 1)} }
print "$sum\n";
