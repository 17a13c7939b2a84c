#!/usr/bin/env bash
# Builds everything (tests included) with warnings as errors in every build
# type with GCC and with clang, each in its own folder under a scratch
# folder, and reports each result. Not run by CI (it takes long); run it
# before changing compilers, flags or the build.
#   tools/build-matrix.sh [TYPE...]   (default: Release Debug RelWithDebInfo MinSizeRel)
set -uo pipefail
cd "$(dirname "$0")/.."
types=("$@")
[ ${#types[@]} -gt 0 ] || types=(Release Debug RelWithDebInfo MinSizeRel)
scratch=${MATRIX_DIR:-/tmp/vantel-matrix}
mkdir -p "$scratch"
failed=0
for compiler in g++ clang++; do
    for type in "${types[@]}"; do
        dir=$scratch/$compiler-$type
        if cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE="$type" \
               -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >"$dir.log" 2>&1 &&
           cmake --build "$dir" -j"$(nproc)" >>"$dir.log" 2>&1; then
            echo "ok      $compiler $type"
        else
            echo "FAILED  $compiler $type (log: $dir.log)"
            failed=1
        fi
    done
done
exit "$failed"
