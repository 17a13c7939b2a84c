my $s;
for my $r (1 .. 10) {
    $s = '';
    while (length($s) < 31990) { $s = $s . 'ABCDEFG' }
}
print length($s), "\n";
