{ lines++; for (i = 1; i <= NF; i++) { tokens++; chars += length($i) } }
END { print lines + 0, tokens + 0, chars + 0 }
