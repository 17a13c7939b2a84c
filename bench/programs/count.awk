BEGIN {
    n = ARGV[1] != "" ? ARGV[1] + 0 : 5000000
    i = 0
    while (i < n) i = i + 1
    print i
}
