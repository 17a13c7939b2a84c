#!/usr/bin/env bash
# Builds the playground page into build-web/site/: vantel compiled to
# WebAssembly with Debian's emscripten (the web preset, in build-web/wasm),
# the page bundled with esbuild from the npm packages pinned in
# web/package-lock.json, and the examples. Installs what is missing first.
# The site is static: any web server can serve the folder as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

# npm packages: installed again only when the lock file changed.
if ! cmp -s web/package-lock.json web/node_modules/.installed-lock; then
    (cd web && npm ci --no-audit --no-fund --loglevel=error)
    cp web/package-lock.json web/node_modules/.installed-lock
fi

cmake --preset web >/dev/null
cmake --build --preset web -j"$jobs"

site=build-web/site
rm -rf "$site"
mkdir -p "$site"
esbuild=web/node_modules/.bin/esbuild
common=(--bundle --format=esm --minify --target=es2022 --log-level=warning --external:node:*)
"$esbuild" web/src/app.js "${common[@]}" --outfile="$site/app.js"
"$esbuild" web/src/worker.js "${common[@]}" --outfile="$site/worker.js"
"$esbuild" web/src/vantel.js "${common[@]}" --outfile="$site/vantel.js"
"$esbuild" web/style.css --minify --log-level=warning --outfile="$site/style.css"
cp web/index.html "$site/"
cp build-web/wasm/bin/vantel-core.wasm "$site/"
node -e '
const fs = require("fs");
const names = fs.readdirSync("examples").filter((n) => n.endsWith(".sno")).sort();
const examples = names.map((name) => ({ name, source: fs.readFileSync(`examples/${name}`, "utf8") }));
fs.writeFileSync(process.argv[1], JSON.stringify(examples));
' "$site/examples.json"

# What the page loads, raw and compressed as a server would send it.
total_raw=0 total_gzip=0
for f in index.html style.css app.js worker.js vantel-core.wasm examples.json; do
    raw=$(stat -c %s "$site/$f")
    packed=$(gzip -9c "$site/$f" | wc -c)
    total_raw=$((total_raw + raw)) total_gzip=$((total_gzip + packed))
    printf '  %-18s %8d bytes, %7d gzip\n' "$f" "$raw" "$packed"
done
printf '  %-18s %8d bytes, %7d gzip\n' "the page loads" "$total_raw" "$total_gzip"
echo "Built $site"
