#!/usr/bin/env bash
# Every statement that the given programs execute runs as compiled code: with
# VANTEL_WALKED=1, vantel says on standard error how many statement
# executions it left to the walk over the trees, and that must be 0 for
# every program of every folder given.
#   all_compiled.sh VANTEL DIR...
set -u
export LC_ALL=C
vantel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
checked=0 failed=0
for dir in "$@"; do
    [ -d "$dir" ] || continue
    for f in "$dir"/*.sno; do
        [ -e "$f" ] || continue
        name=${f##*/}
        work=$tmp/run
        rm -rf "$work" && mkdir -p "$work" && cp -R "$dir/." "$work/"
        report=$(cd "$work" && VANTEL_WALKED=1 timeout 60 "$vantel" "$name" </dev/null 2>&1 >/dev/null |
            grep 'statements walked$')
        checked=$((checked + 1))
        if [ "$report" != "vantel: 0 statements walked" ]; then
            echo "FAIL $dir/$name: ${report:-no report}"
            failed=$((failed + 1))
        fi
    done
done
echo "$checked programs, $failed with walked statements"
[ "$checked" -gt 0 ] && [ "$failed" -eq 0 ]
