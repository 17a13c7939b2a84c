#!/usr/bin/env bash
# Runs under tight resource limits: the interpreter's stack under an address
# space limit, and file associations once descriptors run out. No case may
# end by a signal; each ends with its defined status and message.
#   resources.sh VANTEL [stack|associations|association-failures]...
# stack and associations by default; association-failures is associations
# without the memory comparison (for sanitised builds, whose allocator keeps
# freed memory aside).
set -u
export LC_ALL=C
vantel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(stack associations)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
passed=0 failed=0

check() { # DESCRIPTION CONDITION...
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else echo "FAIL $what"; failed=$((failed + 1)); fi
}

# vantel under a ulimit (option, value) on SOURCE: sets rc and err.
run_limited() {
    rc=$(
        ulimit "$1" "$2"
        timeout 120 "$vantel" "$3" </dev/null >/dev/null 2>err.txt
        echo $?
    )
    err=$(cat err.txt)
}

# Cards of a statement whose text is longer than one card: continued on
# cards starting with '+'.
continued() {
    awk -v first="$1" '{
        line = first
        for (i = 1; i <= NF; i++) {
            if (length(line) + length($i) + 1 >= 150) { print line; line = "+" }
            line = line " " $i
        }
        print line
    }'
}

# LEVELS nested calls (the run stack allows 50 of a function without
# parameters), each from the bottom of an expression TERMS deep.
nested_calls() {
    local levels=$1 terms=$2
    printf '        &STLIMIT = 1000000\n'
    printf "        DEFINE('DEEP()', 'DEEP')\n"
    printf '        K = 0\n'
    printf '        OUTPUT = DEEP()\n'
    printf '        :(END)\n'
    printf 'DEEP    K = K + 1\n'
    printf '        DEEP = GE(K, %d) K :S(RETURN)\n' "$levels"
    { printf 'DEEP()'; for ((i = 0; i < terms; i++)); do printf ' + 0'; done; printf ' :(RETURN)\n'; } |
        continued "        DEEP ="
    printf 'END\n'
}

stack_cases() {
    nested_calls 48 995 >deep.sno
    # About 1 GB of address space: the stack must still be had.
    run_limited -v 1000000 deep.sno
    check "48 nested calls under ulimit -v 1000000 (status $rc, $err)" [ "$rc" = 0 ]
    check "48 nested calls give their result" grep -qxF " 48" deep.lst
    # Too little address space for the stack: said, not crashed.
    run_limited -v 100000 deep.sno
    check "no stack: status 2 (got $rc)" [ "$rc" = 2 ]
    check "no stack: the message (got '$err')" [ "$err" = "vantel: cannot reserve its stack" ]
}

# ROUNDS associations of one variable with one file name: files stay open,
# so with 64 descriptors the later ones fail, each as a failed call.
associations() {
    cat <<SNO
        &STLIMIT = 1000000
        OPENED = 0
        FAILED = 0
        I = 0
LOOP    I = LT(I, $1) I + 1 :F(DONE)
        OUTPUT('X', 'out.txt') :S(OPENED)
        FAILED = FAILED + 1 :(LOOP)
OPENED  OPENED = OPENED + 1
        X = I :(LOOP)
DONE    OUTPUT = OPENED ' ' FAILED
        X = 'not written'
END
SNO
}

peak_kb() { # SOURCE: peak resident memory in KB under 64 descriptors
    (
        ulimit -n 64
        /usr/bin/time -f %M -o peak.txt "$vantel" "$1" </dev/null >/dev/null 2>&1
    )
    tail -n 1 peak.txt
}

association_cases() { # [memory]
    associations 2000 >few.sno
    associations 20000 >many.sno
    run_limited -n 64 many.sno
    check "associations: status 0 (got $rc)" [ "$rc" = 0 ]
    local opened failed
    read -r opened failed < <(grep -A1 '^Execution begins' many.lst | tail -n 1)
    some_open_rest_failed() {
        [ "${opened:-0}" -gt 0 ] && [ "${opened:-0}" -lt 64 ] && [ $((opened + failed)) = 20000 ]
    }
    check "associations: some open, the rest fail ($opened, $failed)" some_open_rest_failed
    check "a failed association refuses writing" grep -qxF -- "--- OUTPUT FILE NOT OPEN ---" many.lst
    check "the last file opened holds its line" grep -qxF " $opened" out.txt
    if [ "${1:-}" = memory ] && [ -x /usr/bin/time ]; then
        local few many
        few=$(peak_kb few.sno)
        many=$(peak_kb many.sno)
        # Ten times the failed associations, the same memory (within noise).
        check "associations: peak memory flat ($few KB for 2000, $many KB for 20000)" \
            [ "$many" -le $((few + 512)) ]
    fi
}

for part in "${parts[@]}"; do
    case $part in
    stack) stack_cases ;;
    associations) association_cases memory ;;
    association-failures) association_cases ;;
    *) echo "resources.sh: no part $part" >&2; exit 2 ;;
    esac
done
echo "resources: $passed passed, $failed failed"
[ "$failed" = 0 ]
