import re

s1 = 'ABCDEFGHIJ' * 3200
s2 = 'ABCDEFGHIY' * 3200
pat = re.compile('ABCDEFGHIX')
misses = 0
for k in range(10000):
    if pat.search(s1):
        continue
    misses += 1
    if pat.search(s2):
        continue
    misses += 1
print(misses)
