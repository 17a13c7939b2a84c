BEGIN {
    for (r = 0; r < 10; r++) {
        s = ""
        while (length(s) < 31990) s = s "ABCDEFG"
    }
    print length(s)
}
