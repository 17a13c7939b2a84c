#!/usr/bin/env bash
# Prints the data of the word-count and tokenizer benchmarks: 400 distinct
# lines of 1500 lower-case words each, separated by one or two blanks, from
# a fixed pseudo-random sequence.
set -euo pipefail
export LC_ALL=C
awk -v lines=400 -v per=1500 'BEGIN {
    seed = 12345; L = "abcdefghijklmnopqrstuvwxyz"
    for (l = 0; l < lines; l++) {
        line = ""
        for (w = 0; w < per; w++) {
            seed = (seed * 16807) % 2147483647; n = 1 + seed % 9; word = ""
            for (k = 0; k < n; k++) {
                seed = (seed * 16807) % 2147483647
                word = word substr(L, 1 + seed % 26, 1)
            }
            seed = (seed * 16807) % 2147483647
            line = line (w ? (seed % 5 == 0 ? "  " : " ") : "") word
        }
        print line
    }
}'
