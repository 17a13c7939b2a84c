BEGIN {
    for (i = 0; i < 3200; i++) { s1 = s1 "ABCDEFGHIJ"; s2 = s2 "ABCDEFGHIY" }
    misses = 0
    for (k = 0; k < 10000; k++) {
        if (s1 ~ /ABCDEFGHIX/) continue
        misses++
        if (s2 ~ /ABCDEFGHIX/) continue
        misses++
    }
    print misses
}
