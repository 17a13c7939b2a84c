my ($lines, $tokens, $chars) = (0, 0, 0);
while (my $line = <STDIN>) {
    chomp $line;
    $line .= ' ';
    $lines++;
    while ($line =~ /\G([^ ]+) +/g) {
        $tokens++;
        $chars += $+[1] - $-[1];
    }
}
print "$lines $tokens $chars\n";
