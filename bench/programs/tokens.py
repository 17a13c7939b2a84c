import re
import sys

token = re.compile(r'([^ ]+) +')
lines = tokens = chars = 0
for line in sys.stdin:
    line = line.rstrip('\n') + ' '
    lines += 1
    c = 0
    while True:
        m = token.match(line, c)
        if not m:
            break
        tokens += 1
        chars += m.end(1) - m.start(1)
        c = m.end()
print(lines, tokens, chars)
