import re
import sys

word = re.compile(r'[a-z]+')
lines = words = 0
for line in sys.stdin:
    lines += 1
    for _ in word.finditer(line):
        words += 1
print(lines, words)
