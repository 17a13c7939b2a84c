#!/usr/bin/env bash
# Installs what is missing, builds the system three times (GCC, clang, and
# GCC with AddressSanitizer + UndefinedBehaviorSanitizer, all with warnings
# as errors), runs every test in each, then the interpreter alone with its
# compiled code dispatched by a switch (so that -Wswitch checks a handler
# for every instruction) and its tests, builds and tests the web page, then
# runs every fuzz target for a while.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

for preset in dev clang asan switch; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
    ctest --preset "$preset" -j"$jobs"
done

# The playground: vantel as WebAssembly against the dev build's native
# vantel over the end-to-end set, then the page in headless chromium.
echo "== web"
bash tools/build-web.sh
VANTEL=build/bin/vantel node --test tests/web/exact_as_native.test.mjs tests/web/listing.test.mjs tests/web/page.test.mjs

# Every fuzz target for a short while (clang, ASan + UBSan + libFuzzer).
bash fuzz/run.sh 30
