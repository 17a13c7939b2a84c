my $s1 = 'ABCDEFGHIJ' x 3200;
my $s2 = 'ABCDEFGHIY' x 3200;
my $misses = 0;
for my $k (1 .. 10000) {
    next if $s1 =~ /ABCDEFGHIX/;
    $misses++;
    next if $s2 =~ /ABCDEFGHIX/;
    $misses++;
}
print "$misses\n";
