#!/usr/bin/env bash
# The real-client test: Debian's Neovim, headless, attached to vantel-lsp.
# Skipped (status 77) when nvim is not installed.
# Usage: nvim_test.sh VANTEL_LSP
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
command -v nvim >/dev/null || { echo "nvim is not installed: skipped"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$here/nvim_sample.sno" "$scratch/sample.sno"
# Neovim's own files (log, shada, swap) stay in the scratch folder.
export XDG_CONFIG_HOME=$scratch/config XDG_DATA_HOME=$scratch/data XDG_CACHE_HOME=$scratch/cache \
       XDG_STATE_HOME=$scratch/state
export VANTEL_LSP=$1 VANTEL_SAMPLE=$scratch/sample.sno VANTEL_NVIM_SETUP=$here/../../editors/neovim/vantel.lua
timeout 60 nvim --headless --clean -n -i NONE -c "luafile $here/nvim_client.lua" </dev/null
