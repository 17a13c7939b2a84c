#!/usr/bin/env bash
# Writes the expected listing (timing masked) and exit status of one or more
# cases from the current vantel. Read every blessed listing line by line
# before committing it: it becomes the reference.
#   bless.sh VANTEL DIR [--expected DIR] NAME...
set -u
vantel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
dir=$(cd "$2" && pwd)
shift 2
out=$dir
if [ "${1:-}" = "--expected" ]; then
    out=$(cd "$2" && pwd)
    shift 2
fi
for name in "$@"; do
    work=$(mktemp -d)
    cp -R "$dir/." "$work/"
    (cd "$work" && timeout 60 "$vantel" "$name.sno" </dev/null >/dev/null 2>&1)
    echo $? >"$out/$name.code"
    sed -e 's/^ COMPILATION TIME -\{0,1\}[0-9]* milliseconds\.$/ COMPILATION TIME N milliseconds./' \
        -e 's/^ EXECUTION TIME: -\{0,1\}[0-9]* milliseconds\.$/ EXECUTION TIME: N milliseconds./' \
        "$work/$name.lst" >"$out/$name.lst"
    if [ -f "$out/$name.files" ]; then
        while IFS= read -r f; do [ -n "$f" ] && cp "$work/$f" "$out/$f.expected"; done <"$out/$name.files"
    fi
    rm -rf "$work"
done
