#!/usr/bin/env bash
# Builds the fuzz targets with clang (ASan + UBSan + libFuzzer) in their own
# build folder and runs each for SECONDS, side by side, one a core, one worker each.
# Fails when any target reports a finding (crash, check failure, leak,
# timeout, out of memory); the input is kept in build-fuzz/findings/.
# Usage: fuzz/run.sh SECONDS [TARGET...]   (targets: interpreter translator
# matcher options differential typed lsp dap; all by default). BUILD_DIR
# overrides build-fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(interpreter translator matcher options differential typed lsp dap)
build=${BUILD_DIR:-$root/build-fuzz}

CXX=${FUZZ_CXX:-clang++} cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANTEL_BUILD_FUZZERS=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build" -j2 --target $(printf '%s_fuzz ' "${targets[@]}") >/dev/null

# Own settings, not the caller's: leaks count as findings here.
export ASAN_OPTIONS=${FUZZ_ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings"
# One target's run; its summary is printed when it ends.
run_target() {
    local t=$1
    # The committed corpus seeds the run; what the run adds stays in the
    # build folder, so the source tree is left alone.
    local work=$build/corpus/$t
    mkdir -p "$work"
    # Sources among the examples, the test cases (limits and errors among
    # them) and the shared conformance programs seed the interpreter targets (copied: those folders hold
    # listings and data files too).
    local seeds=$build/seeds/$t
    rm -rf "$seeds" && mkdir -p "$seeds"
    if [ "$t" = interpreter ] || [ "$t" = translator ] || [ "$t" = differential ] || [ "$t" = lsp ]; then
        for d in "$root/examples" "$root/tests/e2e/cases" "$root/tests/e2e/limits" \
            "$root/tests/e2e/errors" "$root/../shared/conformance"; do
            for f in "$d"/*.sno; do if [ -f "$f" ]; then cp "$f" "$seeds/"; fi; done
        done
    fi
    local dict=()
    if [ "$t" = interpreter ] || [ "$t" = translator ] || [ "$t" = differential ]; then
        dict=(-dict="$root/fuzz/interpreter.dict")
    fi
    local log=$build/$t.log
    local committed=$root/fuzz/corpus/$t
    # The differential target starts from the interpreter target's corpus.
    [ "$t" = differential ] && committed=$root/fuzz/corpus/interpreter
    # A target without a committed corpus starts from nothing.
    local corpora=("$work" "$seeds")
    [ -d "$committed" ] && corpora=("$work" "$committed" "$seeds")
    local status=0
    "$build/bin/${t}_fuzz" "${corpora[@]}" "${dict[@]}" -max_total_time="$seconds" \
        -timeout=25 -rss_limit_mb=3072 -max_len=8192 \
        -artifact_prefix="$build/findings/$t-" -print_final_stats=1 >"$log" 2>&1 || status=1
    {
        echo "== $t: $seconds s"
        if [ "$status" -ne 0 ]; then
            echo "FINDING in $t (log: $log)"
            grep -E 'ERROR|fuzz check|SUMMARY|Test unit written' "$log" | head -n 10 || true
        fi
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true
    }
    return "$status"
}

# The targets run side by side, one a core (FUZZ_JOBS overrides), each in a
# process of its own.
jobs=${FUZZ_JOBS:-$(nproc 2>/dev/null || echo 2)}
failed=0
running=0
for t in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
    run_target "$t" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done
exit "$failed"
