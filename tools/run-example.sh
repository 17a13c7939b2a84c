#!/usr/bin/env bash
# Installs what is missing, builds vantel, runs an example program and
# prints the listing file it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
example=${1:-examples/wordcount.sno}
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc 2>/dev/null || echo 2)" --target vantel
work=$(mktemp -d)
cp "$example" "$work/"
name=$(basename "$example")
(cd "$work" && "$OLDPWD/build/bin/vantel" "$name") || true
cat "$work/${name%.*}.lst"
rm -rf "$work"
