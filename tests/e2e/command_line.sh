#!/usr/bin/env bash
# The command-line contract of vantel: the argument rule, the listing-file
# name, the exit status, and files that cannot be used.
#   command_line.sh VANTEL
set -u
vantel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2
passed=0 failed=0

check() { # description, condition...
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else echo "FAIL $what"; failed=$((failed + 1)); fi
}
status_of() { "$vantel" "$@" >out.txt 2>err.txt; echo $?; }
hello() { printf " OUTPUT = 'HI'\n &CODE = %s\nEND\n" "${2:-0}" >"$1"; }

hello prog.sno
check "no argument: status 0" test "$(status_of)" = 0
check "two arguments: status 0" test "$(status_of prog.sno prog.sno)" = 0
check "wrong argument count writes no listing" test ! -e prog.lst -a ! -e SNOBOL4.out

check "clean run: status is &CODE" test "$(hello code.sno 3; status_of code.sno)" = 3
check "listing beside the source" grep -q '^ HI$' code.lst
check "nothing on the console" test ! -s out.txt -a ! -s err.txt

hello prog
check "no extension: runs" test "$(status_of prog)" = 0
check "no extension: SNOBOL4.out" test -f SNOBOL4.out
rm -f SNOBOL4.out
hello .hidden
status_of .hidden >/dev/null
check "leading dot only: SNOBOL4.out" test -f SNOBOL4.out
hello 'prog.'
status_of prog. >/dev/null
check "trailing dot: prog.lst" test -f prog.lst
mkdir -p dir.d && hello dir.d/prog
status_of dir.d/prog >/dev/null
check "the last dot anywhere counts: dir.lst" test -f dir.lst

# Restricted to one processor: runs as usual.
if command -v taskset >/dev/null; then
    rm -f code.lst
    check "one processor: status is &CODE" test "$(hello code.sno 4; taskset -c 0 "$vantel" code.sno; echo $?)" = 4
    check "one processor: listing" grep -q '^ HI$' code.lst
fi

printf ' X = 1\n' >noend.sno
check "no END: status 10" test "$(status_of noend.sno)" = 10

check "missing source: status 2" test "$(status_of missing.sno)" = 2
check "missing source: message" grep -qx 'vantel: cannot open missing.sno' err.txt
check "missing source: no listing" test ! -e missing.lst

hello blocked.sno && mkdir blocked.lst
check "listing not creatable: status 2" test "$(status_of blocked.sno)" = 2
check "listing not creatable: message" grep -qx 'vantel: cannot create blocked.lst' err.txt

# A listing that would be the source itself (by its name, a symbolic link
# or a hard link) is refused before anything is created or changed. Were it
# not, the run would write its listing into its source without end: the
# runs here are held to 1 MB of file and 20 seconds.
guarded_status_of() { (ulimit -f 2048; timeout 20 "$vantel" "$@" >out.txt 2>err.txt); echo $?; }
printf " OUTPUT = 'HI'\nEND\n" >same.lst && cp same.lst same.before
check "listing over its source: status 2" test "$(guarded_status_of same.lst)" = 2
check "listing over its source: message" \
    grep -qx 'vantel: cannot create same.lst: it is the source file' err.txt
check "listing over its source: source unchanged" cmp -s same.lst same.before
hello linked.sno && cp linked.sno linked.before && ln -s linked.sno linked.lst
check "listing linked to its source: status 2" test "$(guarded_status_of linked.sno)" = 2
check "listing linked to its source: source unchanged" cmp -s linked.sno linked.before
hello hard.sno && cp hard.sno hard.before && ln hard.sno hard.lst
check "listing a hard link of its source: status 2" test "$(guarded_status_of hard.sno)" = 2
check "listing a hard link of its source: source unchanged" cmp -s hard.sno hard.before
hello other.sno && printf 'old\n' >other.lst
check "an older listing is replaced" test "$(status_of other.sno)" = 0
check "an older listing is replaced: listing" grep -q '^ HI$' other.lst

if [ -w /dev/full ]; then
    hello full.sno && ln -s /dev/full full.lst
    check "listing not writable: status 2" test "$(status_of full.sno)" = 2
    check "listing not writable: message" grep -qx 'vantel: cannot write full.lst' err.txt
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
