#!/usr/bin/env bash
# Counts the machine instructions of whole processes with callgrind: every
# benchmark program in vantel, mawk and Lua 5.4 (columns left out when
# missing), and prints a markdown table with the ratios vantel/peer. With
# -c, a second vantel (an earlier build, say) gets a column of its own and
# the ratio new/earlier. The row "start" is a one-line program: start-up.
#
#   bench/callgrind.sh [-c EARLIER_VANTEL] VANTEL [BENCHMARK...]
#
# Slow (callgrind runs some fifty times slower than the bare program).
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "$0")" && pwd)
earlier=
while getopts "c:" opt; do
    case $opt in
    c) earlier=$(realpath "$OPTARG") ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || { echo "usage: callgrind.sh [-c EARLIER_VANTEL] VANTEL [BENCHMARK...]" >&2; exit 2; }
vantel=$(realpath "$1")
shift
benchmarks=("$@")
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=(start count fib words tokens concat scan names)
command -v valgrind >/dev/null || { echo "callgrind.sh: valgrind is missing" >&2; exit 2; }
peers=()
command -v mawk >/dev/null && peers+=(mawk)
command -v lua5.4 >/dev/null && peers+=(lua5.4)

work=$(mktemp -d "${TMPDIR:-/tmp}/vantel-callgrind.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$here"/programs/* "$work/"
"$here/words_data.sh" >"$work/words.dat"
cat "$work/words.dat" >>"$work/words.sno"
cat "$work/words.dat" >>"$work/tokens.sno"
printf " OUTPUT = 'HELLO'\nEND\n" >"$work/start.sno"
printf 'BEGIN { print "HELLO" }\n' >"$work/start.awk"
printf 'print("HELLO")\n' >"$work/start.lua"
cd "$work"

# instructions PROGRAM ARGUMENT...: the instructions callgrind counted.
instructions() {
    local log="$work/callgrind.log"
    if ! valgrind --tool=callgrind --callgrind-out-file=/dev/null --log-file="$log" \
        "$@" <"$work/words.dat" >/dev/null 2>&1; then
        echo "callgrind.sh: $* failed" >&2
        exit 1
    fi
    sed -n 's/.*Collected : *\([0-9]*\).*/\1/p' "$log"
}

count_of() { # LANGUAGE BENCHMARK
    case $1 in
    vantel) instructions "$vantel" "$2.sno" ;;
    earlier) instructions "$earlier" "$2.sno" ;;
    mawk) instructions mawk -f "$2.awk" ;;
    lua5.4) instructions lua5.4 "$2.lua" ;;
    esac
}

millions() { awk -v n="$1" 'BEGIN { printf (n < 1e7 ? "%.3f M" : "%.1f M"), n / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

header="| benchmark |"
rule="|---|"
[ -z "$earlier" ] || { header+=" earlier |"; rule+="---|"; }
header+=" vantel |"
rule+="---|"
for p in "${peers[@]}"; do header+=" $p |"; rule+="---|"; done
[ -z "$earlier" ] || { header+=" vantel/earlier |"; rule+="---|"; }
for p in "${peers[@]}"; do header+=" vantel/$p |"; rule+="---|"; done
echo "$header"
echo "$rule"
for bench in "${benchmarks[@]}"; do
    [ -f "$bench.sno" ] || { echo "callgrind.sh: no benchmark $bench" >&2; exit 2; }
    v=$(count_of vantel "$bench")
    row="| $bench |"
    ratios=""
    if [ -n "$earlier" ]; then
        e=$(count_of earlier "$bench")
        row+=" $(millions "$e") |"
        ratios+=" $(ratio "$v" "$e") |"
    fi
    row+=" $(millions "$v") |"
    for p in "${peers[@]}"; do
        n=$(count_of "$p" "$bench")
        row+=" $(millions "$n") |"
        ratios+=" $(ratio "$v" "$n") |"
    done
    echo "$row$ratios"
done
