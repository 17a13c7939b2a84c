#!/usr/bin/env bash
# Hostile inputs: malformed, huge or unusable sources, data and files. Every
# case must end within its time bound with a defined exit status and a
# defined message (in the listing or on standard error), never by a signal.
#   hostile.sh VANTEL
set -u
export LC_ALL=C
vantel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tmp=$(mktemp -d)
cleanup() {
    [ -n "${mounted:-}" ] && umount "$mounted" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
[ -n "${KEEP:-}" ] && trap - EXIT && echo "kept $tmp"
passed=0 failed=0

fail() {
    echo "FAIL $name: $*"
    failed=$((failed + 1))
}

# Starts case NAME: a fresh folder as the current one.
start() {
    name=$1
    mkdir -p "$tmp/$name" && cd "$tmp/$name" || exit 1
}

# Runs vantel on SOURCE with a time bound; sets rc and err.
run() {
    local limit=${2:-60}
    # Standard error goes beside the case folder: the folder may be full.
    timeout "$limit" "$vantel" "$1" </dev/null >/dev/null 2>"$tmp/$name.err"
    rc=$?
    err=$(cat "$tmp/$name.err")
}

# Runs vantel on SOURCE as run does, under one resource limit: the ulimit
# option and its value (a subshell keeps the limit from this script).
run_limited() {
    local option=$1 value=$2 source=$3
    rc=$(
        ulimit "$option" "$value"
        run "$source"
        echo "$rc"
    )
    err=$(cat "$tmp/$name.err")
}

# Checks the exit status and, optionally, a line the listing must hold.
expect() {
    local status=$1 listing=${2:-} line=${3:-}
    local problems=""
    if [ "$rc" -ge 124 ]; then
        problems="ended by a signal or the time bound (status $rc)"
    elif [ "$rc" != "$status" ]; then
        problems="exit status $rc, expected $status"
    fi
    if [ -n "$line" ] && ! grep -aqxF -- "$line" "$listing" 2>/dev/null; then
        problems="$problems; $listing lacks: $line"
    fi
    if [ -z "$problems" ]; then passed=$((passed + 1)); else fail "$problems"; fi
}

# Checks that standard error is exactly the given text.
expect_stderr() {
    if [ "$err" = "$1" ]; then passed=$((passed + 1)); else fail "stderr '$err', expected '$1'"; fi
}

# A statement card: eight blanks and the text.
card() { printf '        %s\n' "$@"; }

# ---- Sources ---------------------------------------------------------------------------

# Random bytes (NUL, CR, form feeds and all) as a source: translation errors
# stop translation after 25, or the source ends without END.
start binary_source
python3 -c 'import random,sys; r=random.Random(7); sys.stdout.buffer.write(bytes(r.randrange(256) for _ in range(1<<20)))' >prog.sno
run prog.sno
if [ "$rc" = 0 ]; then expect 0 prog.lst " COMPILATION COMPLETE. "; else expect 10 prog.lst "--- PROGRAM HAS NO END. ---"; fi

# Every byte value in literals and comments of a program that runs.
start binary_literals
{
    python3 -c 'import sys; sys.stdout.buffer.write(b"*" + bytes(range(1, 256)).replace(b"\n", b"") + b"\n")'
    python3 -c 'import sys; sys.stdout.buffer.write(b"        X = \"" + bytes(c for c in range(0, 128) if c not in (10, 34)) + b"\"\n")'
    card "OUTPUT = SIZE(X)"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst " 126"

# A folder as the source: it cannot be opened as a text file.
start source_folder
mkdir prog.sno
run prog.sno
expect 2
expect_stderr "vantel: cannot open prog.sno"

# 50 MB of source: 49 MB of comment cards, then a program whose one card is
# 1 MB long (cut to 160 characters).
start source_50mb
{
    python3 -c '
import sys
line = b"*" + b"c" * 999 + b"\n"
sys.stdout.buffer.write(line * 49 * 1024)'
    # Column 160 ends the card: the megabyte after it is skipped.
    printf "        OUTPUT = 'done'%137s%01048576d\n" '' 0
    echo "END"
} >prog.sno
[ "$(stat -c %s prog.sno)" -gt 50000000 ] || fail "source too small"
run prog.sno 120
expect 0 prog.lst " done"

# Cards of 160 blanks everywhere: between statements, as continuations,
# before END.
start blank_cards
blank=$(printf '%160s' '')
{
    echo "$blank"
    card "X = 'A'"
    echo "$blank"
    echo "+$(printf '%159s' '')"
    card "OUTPUT = X"
    echo "$blank"
    echo "$blank"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst " A"

# 10 000 ';' on continuation cards: each ends a statement; past the 500th
# the statement table is full, and translation stops after 25 errors.
start semicolons
{
    card "OUTPUT = 'x'"
    for _ in $(seq 63); do printf '+%s\n' "$(printf ';%.0s' $(seq 159))"; done
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst "--- TOO MANY STATEMENTS ---"
grep -aq "Execution begins" prog.lst && fail "a program with errors ran"

# 5000 distinct literals fill the string table during translation.
start many_literals
python3 -c '
for s in range(500):
    print("        X = " + " ".join("\x27L%d\x27" % (s * 10 + i) for i in range(10)))
print("END")' >prog.sno
run prog.sno
expect 0 prog.lst "--- TOO MANY STRINGS ---"

# ... and during execution, with distinct strings made in a loop.
start many_strings_run
{
    card "&STLIMIT = 100000"
    echo "LOOP    I = I + 1"
    card "X = 'S' I :(LOOP)"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst "--- TOO MANY STRINGS ---"

# ---- Strings at the 32000 limit ---------------------------------------------------------

# Every string operation on 32000-character strings, all within the limit.
start string_limit
{
    card "&STLIMIT = 100000"
    card "STR = DUPL('ab', 16000)"
    card "B = DUPL(' ', 32000)"
    card "OUTPUT = SIZE(STR)"
    card "OUTPUT = SIZE(TRIM(B))"
    card "OUTPUT = SIZE(TRIM(STR))"
    card "OUTPUT = SIZE(DUPL(STR, 1))"
    card "OUTPUT = SIZE(STR '')"
    card "IDENT(STR, DUPL('ab', 16000)) :F(BAD)"
    card "DIFFER(STR, B) :F(BAD)"
    card "STR TAB(31999) . X 'b' RPOS(0) :F(BAD)"
    card "OUTPUT = SIZE(X)"
    card "STR SPAN('ab') . Y :F(BAD)"
    card "OUTPUT = SIZE(Y)"
    card "STR BREAK('z') :S(BAD)"
    card "STR ANY(STR) NOTANY(B) :F(BAD)"
    card "STR POS(0) TAB(31999) LEN(1) RPOS(0) RTAB(0) :F(BAD)"
    card "STR 'ab' = 'ba' :F(BAD)"
    card "OUTPUT = SIZE(STR)"
    card "STR 'ba' = :F(BAD)"
    card "OUTPUT = SIZE(STR)"
    card "\$STR = 'named by 31998 characters'"
    card "OUTPUT = \$STR"
    card "STR = STR 'ab'"
    card "OUTPUT('FD', 'long.txt') :F(BAD)"
    card "FD = STR"
    card "INPUT('G', 'long.txt') :F(BAD)"
    card "T = G"
    card "OUTPUT = SIZE(T)"
    card "OUTPUT = STR"
    card "OUTPUT(DUPL('v', 32000), 'cut.txt') :F(BAD)"
    card "\$DUPL('V', 80) = 'name cut to 80'"
    card "OUTPUT = 'all done' :(END)"
    echo "BAD     OUTPUT = 'failed'"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst " all done"
# The line read back holds the output line's leading blank: 32001.
{
    printf ' %s\n' 32000 0 32000 32000 32000 31999 32000 32000 31998 \
        'named by 31998 characters' 32001 "$(printf 'ab%.0s' $(seq 16000))" 'all done'
} >expected.txt
sed -n '/^Execution begins\.\.\.$/,/^ EXECUTION HAS TERMINATED\.$/p' prog.lst | sed '1d;$d' >got.txt
cmp -s expected.txt got.txt || fail "output lines differ"
[ "$(cat cut.txt)" = " name cut to 80" ] || fail "the association name was not cut to 80"

# One character more, by each operation that makes strings.
over=0
for op in "STR = STR 'a'" "STR = DUPL(STR, 2)" "STR 'ab' = 'abc'" "STR = DUPL('a', 32001)"; do
    over=$((over + 1))
    start "string_over_$over"
    { card "STR = DUPL('ab', 16000)" "$op" "OUTPUT = 'not reached'"; echo END; } >prog.sno
    run prog.sno
    expect 0 prog.lst "--- CONCATENATED STRINGS EXCEED MAXIMUM SIZE ---"
done

# A 32000-digit number is no integer.
start string_digits
{ card "X = EQ(DUPL('1', 32000), 1)" "OUTPUT = 'not reached'"; echo END; } >prog.sno
run prog.sno
expect 0 prog.lst "--- STRING NOT CONVERTIBLE TO INTEGER ---"

# ---- Patterns ----------------------------------------------------------------------------

# 32 nodes are a pattern; one more is refused.
start pattern_nodes
{
    card "P = ARB ARB ARB ARB ARB ARB ARB ARB ARB ARB LEN(1) RPOS(0)"
    card "'abcdefghijkl' P :F(BAD)"
    card "OUTPUT = 'matched'"
    card "P = P LEN(1)"
    echo "BAD     OUTPUT = 'failed'"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst " matched"
expect 0 prog.lst "--- TOO MANY NODES IN PATTERN ---"

# 10 000 ARBNO repetitions taken back one at a time, then a success. (A
# capture with '.' there would enter every text tried in the string table.)
start arbno_backtrack
{
    card "&STLIMIT = 100000"
    card "STR = DUPL('a', 10000)"
    card "STR ARBNO('a') 'b' :S(BAD)"
    card "STR = STR 'b'"
    card "STR ARBNO('a') 'b' @X RPOS(0) :F(BAD)"
    card "OUTPUT = X :(END)"
    echo "BAD     OUTPUT = 'failed'"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst " 10001"

# ARBNO nested N deep (P = ARBNO(P) 'b', from P = 'a') matches 'a' and N
# times 'b' through N nested repetitions: 1000 levels are allowed, and at
# 10 000 the match stops at the 1001st.
for levels in 1000 10000; do
    start "arbno_nested_$levels"
    {
        card "&STLIMIT = 100000"
        card "P = 'a'"
        echo "LOOP    P = ARBNO(P) 'b'"
        card "I = I + 1"
        card "LT(I, $levels) :S(LOOP)"
        card "OUTPUT = 'built'"
        card "('a' DUPL('b', $levels)) P RPOS(0) :F(END)"
        card "OUTPUT = 'matched'"
        echo "END"
    } >prog.sno
    run prog.sno
    expect 0 prog.lst " built"
    if [ "$levels" = 1000 ]; then
        expect 0 prog.lst " matched"
    else
        expect 0 prog.lst "--- PATTERN NESTED TOO DEEPLY ---"
    fi
done

# A nested chain of 10 000 patterns is freed without deep recursion.
start pattern_chain_freed
{
    card "&STLIMIT = 100000"
    echo "LOOP    P = ARBNO(P 'a')"
    card "I = I + 1"
    card "LT(I, 10000) :S(LOOP)"
    card "P ="
    card "OUTPUT = 'freed'"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst " freed"

# ---- Data lines ------------------------------------------------------------------------

# 1 MB data lines after END and in a file are read whole.
start data_1mb
{
    card "X = INPUT"
    card "OUTPUT = SIZE(X)"
    card "INPUT('FD', 'data.txt') :F(BAD)"
    card "Y = FD"
    card "OUTPUT = SIZE(Y)"
    card "IDENT(X, Y) :F(BAD)"
    card "OUTPUT = X"
    card "OUTPUT = 'done'"
    card "Z = X 'a'"
    echo "BAD     OUTPUT = 'failed'"
    echo "END"
    printf '%01048576d\n' 0
} >prog.sno
printf '%01048576d\r\n' 0 >data.txt
run prog.sno
expect 0 prog.lst " 1048576"
expect 0 prog.lst " done"
expect 0 prog.lst "--- CONCATENATED STRINGS EXCEED MAXIMUM SIZE ---"

# ---- INPUT() and OUTPUT() on files that cannot be used ----------------------------------

# Each association fails; reading fails as at the end of the data.
start unusable_files
mkdir folder
touch plain
ln -s loop loop
{
    # A folder, a missing folder, a link loop, a plain file as a folder, and
    # a name longer than the system takes.
    card "LONG = DUPL('n', 5000)"
    for target in "'folder'" "'missing/x.txt'" "'loop'" "'plain/x'" LONG; do
        card "INPUT('IN', $target) :S(BAD)"
        card "OUTPUT('OUT', $target) :S(BAD)"
        card "X = IN :S(BAD)"
    done
    # Opens, but every read fails (an I/O error, not the end of a file).
    card "INPUT('MEM', '/proc/self/mem') :F(BAD)"
    card "X = MEM :S(BAD)"
    card "OUTPUT = 'all refused' :(END)"
    echo "BAD     OUTPUT = 'failed'"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst " all refused"

# Associations until the system has no descriptor left: the call fails.
start descriptors
{
    card "&STLIMIT = 1000000"
    echo "LOOP    I = I + 1"
    card "INPUT('IN', 'prog.sno') :S(LOOP)"
    card "GT(I, 100) :F(BAD)"
    card "X = IN :S(BAD)"
    card "OUTPUT = 'refused' :(END)"
    echo "BAD     OUTPUT = 'failed'"
    echo "END"
} >prog.sno
run_limited -n 256 prog.sno
expect 0 prog.lst " refused"

# Writing to an output variable whose file did not open.
start output_not_open
mkdir folder
{ card "OUTPUT('OUT', 'folder')" "OUT = 'x'"; echo END; } >prog.sno
run prog.sno
expect 0 prog.lst "--- OUTPUT FILE NOT OPEN ---"

# A file name holding a NUL byte names no file (the system would cut it).
start nul_file_name
{
    printf "        OUTPUT('OUT', 'a\0b') :S(BAD)\n"
    printf "        INPUT('IN', 'prog.sno\0x') :S(BAD)\n"
    card "OUTPUT = 'refused' :(END)"
    echo "BAD     OUTPUT = 'failed'"
    echo "END"
} >prog.sno
run prog.sno
expect 0 prog.lst " refused"
[ -e a ] && fail "the file 'a' was made"

# An output file on a full disk: the write error is reported.
start output_full
{ card "OUTPUT('OUT', '/dev/full')" "OUT = 'x'"; echo END; } >prog.sno
run prog.sno
expect 0 prog.lst "--- I/O Error ---"

# ---- Listings that cannot be written ---------------------------------------------------

start listing_folder
echo "END" >prog.sno
mkdir prog.lst
run prog.sno
expect 2
expect_stderr "vantel: cannot create prog.lst"

start listing_full
{ card "OUTPUT = 'x'"; echo END; } >prog.sno
ln -s /dev/full prog.lst
run prog.sno
expect 2
expect_stderr "vantel: cannot write prog.lst"

# The disk fills during execution: the file size limit stands in for it
# (the write fails; no signal ends the process).
start listing_size_limit
{
    card "&STLIMIT = 100000"
    echo "LOOP    OUTPUT = DUPL('x', 100) :(LOOP)"
    echo "END"
} >prog.sno
run_limited -f 64 prog.sno
expect 2
expect_stderr "vantel: cannot write prog.lst"

# A small tmpfs, where the system allows mounting one.
start listing_tmpfs
mkdir disk
if mount -t tmpfs -o size=64k tmpfs disk 2>/dev/null; then
    mounted=$tmp/$name/disk
    {
        card "&STLIMIT = 100000"
        echo "LOOP    OUTPUT = DUPL('x', 100) :(LOOP)"
        echo "END"
    } >disk/prog.sno
    cd disk
    run prog.sno
    expect 2
    expect_stderr "vantel: cannot write prog.lst"
    cd .. && umount disk && mounted=""
else
    echo "skip $name: mounting a tmpfs is not permitted here"
fi

# Output into a pipe whose reader has gone: an I/O error, not SIGPIPE.
start output_broken_pipe
{ card "OUTPUT('OUT', '/dev/stdout')" "OUT = 'x'"; echo END; } >prog.sno
python3 -c '
import os, subprocess, sys
r, w = os.pipe()
os.close(r)
sys.exit(subprocess.run(["timeout", "60", sys.argv[1], "prog.sno"], stdout=w,
                        stdin=subprocess.DEVNULL).returncode)' "$vantel"
rc=$?
expect 0 prog.lst "--- I/O Error ---"

cd "$tmp" || exit 1
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
