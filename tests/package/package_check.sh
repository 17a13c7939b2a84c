#!/usr/bin/env bash
# Builds the Debian package from a build folder, checks its fields and
# contents, unpacks it into a scratch folder and runs the programs there:
# vantel on an example, and harbex (offscreen, worked by the harbexdrive
# plugin) running that example through the vantel and quillpad beside it.
#   package_check.sh BUILD_FOLDER PLUGIN_FOLDER EXAMPLE.sno
set -euo pipefail
build=$(realpath "$1")
plugins=$(realpath "$2")
example=$(realpath "$3")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vantel-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$scratch"/out/*.deb)
echo "built $(basename "$deb")"

info=$(dpkg-deb -I "$deb")
for field in Package Version Maintainer Description Depends; do
    grep -q "^ $field: ." <<<"$info" || fail "no $field field"
done
grep -E '^ Depends: ' <<<"$info" || true
echo
grep -q 'libqt6widgets6' <<<"$info" && grep -q 'libqt6network6' <<<"$info" || fail "the dependencies were not computed"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in usr/bin/vantel usr/bin/vantel-lsp usr/bin/harbex usr/bin/quillpad usr/bin/quillpad-editor \
            usr/share/man/man1/vantel.1.gz usr/share/man/man1/vantel-lsp.1.gz usr/share/man/man1/harbex.1.gz \
            usr/share/man/man1/quillpad.1.gz usr/share/man/man1/quillpad-editor.1.gz \
            usr/share/doc/vantel-harbex/copyright usr/share/doc/vantel-harbex/changelog.gz \
            usr/share/doc/vantel-harbex/README.md usr/share/doc/vantel-harbex/examples/hello.sno \
            usr/share/applications/harbex.desktop \
            usr/share/icons/hicolor/scalable/apps/harbex.svg; do
    grep -qx "./$file" <<<"$contents" || fail "$file missing from the package"
done

# lintian, when installed, finds no error and no warning (notes and
# pedantic remarks are allowed).
if command -v lintian >/dev/null; then
    lintian --pedantic --info "$deb" >"$scratch/lintian.log" 2>&1 || true
    grep -E '^[EWX]: ' "$scratch/lintian.log" >&2 && fail "lintian reports errors or warnings"
    grep -E '^[IP]: ' "$scratch/lintian.log" || true
    echo "lintian: no error, no warning"
else
    echo "lintian is not installed: the package is not linted"
fi

root=$scratch/root
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin

# vantel on its own.
mkdir "$scratch/work"
cp "$example" "$scratch/work/"
name=$(basename "$example" .sno)
(cd "$scratch/work" && "$bin/vantel" "$name.sno") || fail "vantel failed"
grep -q "EXECUTION HAS TERMINATED" "$scratch/work/$name.lst" || fail "vantel wrote no full listing"
rm "$scratch/work/$name.lst"
# vantel-lsp answers as installed.
"$bin/vantel-lsp" --version | grep -q '^vantel-lsp 1.0$' || fail "vantel-lsp did not answer"

# harbex in subset mode, with an editor of the user's own that records
# what quillpad hands it.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
mkdir -p "$XDG_CONFIG_HOME"
printf 'SUBSET=true\r\n' >"$XDG_CONFIG_HOME/SNOBOL.ini"
cat >"$scratch/editor" <<SCRIPT
#!/bin/sh
echo "\$*" >>"$scratch/editor.record"
SCRIPT
chmod +x "$scratch/editor"
export HARBEX_EDITOR=$scratch/editor
export HARBEX_DRIVE_SOURCE=$scratch/work/$name.sno
export HARBEX_DRIVE_AWAIT=$scratch/editor.record
export QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=$plugins
(cd "$scratch/work" && timeout 60 "$bin/harbex" -plugin harbexdrive) || fail "harbex failed"

grep -q "EXECUTION HAS TERMINATED" "$scratch/work/$name.lst" || fail "harbex's run wrote no listing"
[ -s "$scratch/editor.record" ] || fail "quillpad never handed the listing on"
grep -qF "$scratch/work/$name.lst" "$scratch/editor.record" ||
    fail "the editor was given $(cat "$scratch/editor.record")"
echo "package: vantel, harbex and quillpad work unpacked"
