import sys
n = int(sys.argv[1]) if len(sys.argv) > 1 else 5000000
i = 0
while i < n:
    i = i + 1
print(i)
