#!/usr/bin/env bash
# Runs every program NAME.sno of a folder through vantel and compares:
#   - the listing with NAME.lst (timing figures masked as N),
#   - the exit status with NAME.code (0 when the file is absent),
#   - each file named in NAME.files with FILE.expected.
# Each case runs in a fresh copy of the folder.  The expected files may live
# in a folder of their own (--expected), so that running a program in place
# never overwrites its reference listing.
#   run_cases.sh VANTEL DIR [--expected DIR] [CASE...]
set -u
export LC_ALL=C
vantel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
dir=$(cd "$2" && pwd)
shift 2
expected=$dir
if [ "${1:-}" = "--expected" ]; then
    expected=$(cd "$2" && pwd)
    shift 2
fi
if [ $# -gt 0 ]; then cases=("$@"); else
    cases=()
    for f in "$dir"/*.sno; do [ -e "$f" ] && { n=${f##*/}; cases+=("${n%.sno}"); }; done
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
for name in "${cases[@]}"; do
    [ -f "$expected/$name.lst" ] || { echo "FAIL $name: no expected listing"; failed=$((failed+1)); continue; }
    work=$tmp/$name
    mkdir -p "$work" && cp -R "$dir/." "$work/" && rm -f "$work/$name.lst"
    if [ -f "$expected/$name.files" ]; then
        while IFS= read -r f; do [ -n "$f" ] && rm -f "$work/$f"; done <"$expected/$name.files"
    fi
    (cd "$work" && timeout 60 "$vantel" "$name.sno" </dev/null >/dev/null 2>&1)
    rc=$?
    want=0; [ -f "$expected/$name.code" ] && want=$(tr -d ' \r\n' <"$expected/$name.code")
    problems=""
    [ "$rc" = "$want" ] || problems="exit status $rc, expected $want"
    if [ -f "$work/$name.lst" ]; then
        sed -e 's/^ COMPILATION TIME -\{0,1\}[0-9]* milliseconds\.$/ COMPILATION TIME N milliseconds./' \
            -e 's/^ EXECUTION TIME: -\{0,1\}[0-9]* milliseconds\.$/ EXECUTION TIME: N milliseconds./' \
            "$work/$name.lst" >"$work/$name.lst.norm"
        if ! cmp -s "$expected/$name.lst" "$work/$name.lst.norm"; then
            problems="$problems listing differs"
            diff -a "$expected/$name.lst" "$work/$name.lst.norm" | head -n 20 | sed 's/^/    /'
        fi
    else
        problems="$problems no listing"
    fi
    if [ -f "$expected/$name.files" ]; then
        while IFS= read -r f; do
            [ -n "$f" ] || continue
            cmp -s "$expected/$f.expected" "$work/$f" || problems="$problems file $f differs"
        done <"$expected/$name.files"
    fi
    if [ -z "$problems" ]; then passed=$((passed+1)); else echo "FAIL $name: $problems"; failed=$((failed+1)); fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
