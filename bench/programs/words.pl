my ($lines, $words) = (0, 0);
while (my $line = <STDIN>) {
    $lines++;
    while ($line =~ /[a-z]+/g) { $words++ }
}
print "$lines $words\n";
