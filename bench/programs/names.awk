BEGIN {
    for (i = 1; i <= 2400; i++) var["N" i] = i
    sum = 0
    for (j = 1; j <= 1000000; j++) sum = sum + var["N" (j % 2400 + 1)]
    print sum
}
