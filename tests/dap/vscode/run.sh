#!/usr/bin/env bash
# Runs client.test.cjs: vantel-dap driven by VS Code's DebugClient. The npm
# packages (pinned by package-lock.json) are installed into a folder of the
# build tree, again only when the lock file changed.
#   run.sh VANTEL_DAP WORK_FOLDER EXTENSION_FOLDER
# Exits 77 (skipped) when node or npm is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
adapter=$1
work=$2
extension=$(cd "$3" && pwd)
command -v node >/dev/null && command -v npm >/dev/null || { echo "node or npm missing: skipped"; exit 77; }
mkdir -p "$work"
if ! cmp -s "$here/package-lock.json" "$work/node_modules/.installed-lock"; then
    cp "$here/package.json" "$here/package-lock.json" "$work/"
    (cd "$work" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$here/package-lock.json" "$work/node_modules/.installed-lock"
fi
VANTEL_DAP=$adapter VANTEL_EXTENSION=$extension/package.json NODE_PATH=$work/node_modules exec node --test "$here/client.test.cjs"
