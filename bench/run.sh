#!/usr/bin/env bash
# Runs the benchmark programs in vantel, in vantel without its fast paths
# ("plain", VANTEL_PLAIN=1), and in perl, python3, tclsh, awk and Lua 5.4,
# alternately, and prints one table row per benchmark and language: median
# wall time (of RUNS bare runs), median peak memory (of up to three more runs
# under /usr/bin/time), the ratio of the median times vantel/peer, and the
# median of the per-round ratios (less sensitive to changing load).
#
#   bench/run.sh [-n RUNS] [-o TABLE_FILE] [VANTEL] [BENCHMARK...]
#
# VANTEL defaults to build-bench/bin/vantel (built statically when missing). Every peer's
# output must equal vantel's OUTPUT lines, and every vantel run must end
# cleanly (no error message, exit status 0); otherwise the runner fails.
# As root it installs missing peers with apt-get.
set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
runs=5
table_file=
while getopts "n:o:" opt; do
    case $opt in
    n) runs=$OPTARG ;;
    o) table_file=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ "$runs" -ge 1 ] || { echo "run.sh: -n needs a positive count" >&2; exit 2; }

vantel=${1:-$root/build-bench/bin/vantel}
[ $# -gt 0 ] && shift
benchmarks=("$@")
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=(count fib words tokens concat scan names)

# ---- Tools ------------------------------------------------------------------

install_missing() {
    local missing=()
    command -v perl >/dev/null || missing+=(perl)
    [ -x /usr/bin/python3 ] || missing+=(python3)
    command -v tclsh >/dev/null || missing+=(tcl)
    command -v awk >/dev/null || missing+=(gawk)
    [ -x /usr/bin/time ] || missing+=(time)
    [ ${#missing[@]} -eq 0 ] && return
    if [ "$(id -u)" != 0 ]; then
        echo "run.sh: missing ${missing[*]}; install them or run as root" >&2
        exit 2
    fi
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}
install_missing

if [ ! -x "$vantel" ]; then
    echo "run.sh: building vantel" >&2
    # Linked statically, as a benchmark should measure the interpreter and
    # not the dynamic loader.
    cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DHARBEX_BUILD_SHELL=OFF -DBUILD_TESTING=OFF -DVANTEL_STATIC=ON >/dev/null
    cmake --build "$root/build-bench" -j2 --target vantel >/dev/null
    vantel=$root/build-bench/bin/vantel
fi
vantel=$(cd "$(dirname "$vantel")" && pwd)/$(basename "$vantel")

python=/usr/bin/python3
languages=(vantel plain perl python3 tclsh awk)
# Lua 5.4 is compared when installed (Debian package lua5.4), else left out.
if command -v lua5.4 >/dev/null; then
    languages+=(lua)
else
    echo "run.sh: lua5.4 not installed; its column is left out" >&2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vantel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$here"/programs/* "$work/"
[ -z "$table_file" ] || table_file=$(cd "$(dirname "$table_file")" && pwd)/$(basename "$table_file")
cd "$work"

# The word-count data (see words_data.sh); vantel reads it from the lines
# after END.
"$here/words_data.sh" >"$work/words.dat"
cat "$work/words.dat" >>"$work/words.sno"
cat "$work/words.dat" >>"$work/tokens.sno"

# ---- One run -----------------------------------------------------------------

# Prints the program's output lines: for vantel its OUTPUT lines from the
# listing, without their leading blank.
vantel_output() {
    local listing=$1
    awk '/^ EXECUTION HAS TERMINATED\.$/ { exit } on { print substr($0, 2) }
         /^Execution begins\.\.\.$/ { on = 1 }' "$listing"
}

# run_one MODE LANG BENCH: runs once and leaves the output in
# $work/out.LANG.BENCH. MODE "time" runs the bare program and appends its
# wall time in ms to $work/time.LANG.BENCH; MODE "memory" runs it under
# /usr/bin/time and appends its peak memory in KB to $work/memory.LANG.BENCH.
# The shell reads the clock itself and runs the program without a subshell,
# so a time is the program's own, not the harness's processes.
run_one() {
    local mode=$1 lang=$2 bench=$3
    local cmd out="$work/out.$lang.$bench" stats="$work/stats" plain=0
    case $lang in
    vantel) cmd=("$vantel" "$bench.sno") ;;
    plain) cmd=("$vantel" "$bench.sno") plain=1 ;;
    perl) cmd=(perl "$bench.pl") ;;
    python3) cmd=("$python" "$bench.py") ;;
    tclsh) cmd=(tclsh "$bench.tcl") ;;
    awk) cmd=(awk -f "$bench.awk") ;;
    lua) cmd=(lua5.4 "$bench.lua") ;;
    esac
    [ "$mode" = time ] || cmd=(/usr/bin/time -f "%M" -o "$stats" "${cmd[@]}")
    local t0 t1 rc=0
    t0=$EPOCHREALTIME
    VANTEL_PLAIN=$plain "${cmd[@]}" <"$work/words.dat" >"$out.raw" 2>"$out.err" || rc=$?
    t1=$EPOCHREALTIME
    if [ "$lang" = vantel ] || [ "$lang" = plain ]; then
        local listing="$work/$bench.lst"
        if [ $rc -ne 0 ] || grep -q '^--- ' "$listing"; then
            echo "run.sh: vantel did not end cleanly on $bench (status $rc):" >&2
            grep -A1 '^--- ' "$listing" >&2 || true
            exit 1
        fi
        vantel_output "$listing" >"$out"
    else
        [ $rc -eq 0 ] || { echo "run.sh: $lang failed on $bench" >&2; cat "$out.err" >&2; exit 1; }
        mv "$out.raw" "$out"
    fi
    local us=$((${t1/./} - ${t0/./}))
    if [ "$mode" = time ]; then
        echo "$((us / 1000)).$((us % 1000 / 100))" >>"$work/time.$lang.$bench"
    else
        tail -n 1 "$stats" >>"$work/memory.$lang.$bench"
    fi
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# ---- The table ------------------------------------------------------------------

# The median of the per-round ratios vantel/peer: the two runs of a round
# are next to each other in time, so a change in machine load affects both.
round_ratio() {
    paste -d' ' "$work/time.vantel.$1" "$work/time.$2.$1" |
        awk '{ printf "%.4f\n", ($2 > 0 ? $1 / $2 : 0) }' | median
}

report() {
    printf '%-8s %-8s %9s %9s %9s %9s\n' benchmark language "time ms" "peak KB" "vantel/x" "rounds"
    local bench lang ms kb vms
    for bench in "${benchmarks[@]}"; do
        vms=$(median <"$work/time.vantel.$bench")
        for lang in "${languages[@]}"; do
            ms=$(median <"$work/time.$lang.$bench")
            kb=$(median <"$work/memory.$lang.$bench")
            if [ "$lang" = vantel ]; then
                printf '%-8s %-8s %9s %9s\n' "$bench" "$lang" "$ms" "$kb"
            else
                printf '%-8s %-8s %9s %9s %9s %9.2f\n' "$bench" "$lang" "$ms" "$kb" \
                    "$(awk -v a="$vms" -v b="$ms" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')" \
                    "$(round_ratio "$bench" "$lang")"
            fi
        done
    done
}

for bench in "${benchmarks[@]}"; do
    [ -f "$work/$bench.sno" ] || { echo "run.sh: no benchmark $bench" >&2; exit 2; }
    for ((i = 1; i <= runs; i++)); do
        for lang in "${languages[@]}"; do
            run_one time "$lang" "$bench"
        done
    done
    for ((i = 1; i <= runs && i <= 3; i++)); do
        for lang in "${languages[@]}"; do
            run_one memory "$lang" "$bench"
        done
    done
    for lang in "${languages[@]:1}"; do
        if ! cmp -s "$work/out.vantel.$bench" "$work/out.$lang.$bench"; then
            echo "run.sh: $lang's output differs from vantel's on $bench:" >&2
            diff "$work/out.vantel.$bench" "$work/out.$lang.$bench" | head -5 >&2
            exit 1
        fi
    done
    echo "$bench: outputs agree ($(head -c 60 "$work/out.vantel.$bench" | head -n 1))" >&2
done

# Peak memory of the counting loop at 1 million and 50 million iterations.
memory_check() {
    local n kb
    for n in 1000000 50000000; do
        sed "s/^ N = 5000000\$/ N = $n/" "$here/programs/count.sno" >"$work/count$n.sno"
        run_one memory vantel "count$n"
        kb=$(tail -n 1 "$work/memory.vantel.count$n")
        printf 'counting loop, %8d iterations: vantel peak %s KB, output %s\n' \
            "$n" "$kb" "$(cat "$work/out.vantel.count$n")"
    done
}

{
    echo "runs per program: $runs, alternating; awk is $(readlink -f "$(command -v awk)")"
    report
    echo
    memory_check
} | tee ${table_file:+"$table_file"}
