{ lines++; for (i = 1; i <= NF; i++) words++ }
END { print lines + 0, words + 0 }
