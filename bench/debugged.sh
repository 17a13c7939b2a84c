#!/usr/bin/env bash
# What a debugged run costs between breakpoints: the instructions callgrind
# counts for each benchmark program run by vantel, and run under the debug
# engine with no stop (vantel-stepped with VANTEL_STEPPED_FREE=1, built
# with the tests), and their ratio. Both programs should come from the
# same build. Slow, as callgrind is.
#
#   bench/debugged.sh VANTEL VANTEL_STEPPED [BENCHMARK...]
set -euo pipefail
export LC_ALL=C
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 2 ] || { echo "usage: debugged.sh VANTEL VANTEL_STEPPED [BENCHMARK...]" >&2; exit 2; }
vantel=$(realpath "$1")
stepped=$(realpath "$2")
shift 2
benchmarks=("$@")
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=(count fib words tokens concat scan names)
command -v valgrind >/dev/null || { echo "debugged.sh: valgrind is missing" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/vantel-debugged.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$here"/programs/*.sno "$work/"
"$here/words_data.sh" >"$work/words.dat"
cat "$work/words.dat" >>"$work/words.sno"
cat "$work/words.dat" >>"$work/tokens.sno"
cd "$work"

instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null --log-file="$work/log" "$@" \
        >/dev/null 2>&1 </dev/null || { echo "debugged.sh: $* failed" >&2; exit 1; }
    sed -n 's/.*Collected : *\([0-9]*\).*/\1/p' "$work/log"
}
millions() { awk -v n="$1" 'BEGIN { printf "%.1f M", n / 1e6 }'; }

echo "| benchmark | vantel | under the debugger | ratio |"
echo "|---|---|---|---|"
for bench in "${benchmarks[@]}"; do
    plain=$(instructions "$vantel" "$bench.sno")
    debugged=$(VANTEL_STEPPED_FREE=1 instructions "$stepped" "$bench.sno")
    echo "| $bench | $(millions "$plain") | $(millions "$debugged") |" \
         "$(awk -v a="$debugged" -v b="$plain" 'BEGIN { printf "%.2f", a / b }') |"
done
