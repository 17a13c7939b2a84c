#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Run as root on Debian 12 (sudo is used when available otherwise).
set -euo pipefail
packages=(build-essential cmake libgtest-dev libbenchmark-dev qt6-base-dev dpkg-dev file
          clang libclang-rt-14-dev xvfb xauth python3 lintian emscripten chromium
          nlohmann-json3-dev neovim)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
# Node.js and npm for the web page (tools/build-web.sh) and the editor tests: Debian's when the
# machine has none (a machine may bring its own, npm included).
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq nodejs npm
fi
