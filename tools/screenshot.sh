#!/usr/bin/env bash
# Saves PNG pictures of harbex's main window, options dialog and About
# window, and of quillpad with a source, with its listing and analysing a
# source as it is typed, into docs/ (or the folder given), drawn on a
# virtual X display (Xvfb) at 96 pixels per inch.
#   tools/screenshot.sh [build-folder] [picture-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
pictures=${2:-docs}
command -v xvfb-run >/dev/null || bash tools/install-deps.sh
if [ ! -d "$build" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target harbex_screenshots vantel
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
    "$build/bin/harbex_screenshots" "$pictures"
