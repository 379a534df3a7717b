#!/usr/bin/env bash
# Installs a build into a scratch prefix, straight and through DESTDIR, and
# checks what lands where: the program, the Stock Shapes drawing, the
# desktop entry (valid, naming the installed program), the icon at every
# size and the drawing package's MIME type, which update-mime-database
# then matches to a *.TWdraw name.
#   install-test.sh BUILD_FOLDER
set -u
build=$1
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

check_tree() {  # root-of-files prefix-the-entry-names
  local root=$1 prefix=$2
  [ -x "$root/bin/twdraw" ] || fail "no program in $root/bin"
  [ -f "$root/share/twdraw/Stock Shapes.TWdraw/drawing.xml" ] || fail "no Stock Shapes drawing in $root/share/twdraw"
  for size in 16 22 24 32 48 64 128 256 512; do
    icon="$root/share/icons/hicolor/${size}x${size}/apps/twdraw.png"
    [ -f "$icon" ] || fail "no ${size}px icon"
    head -c 24 "$icon" | od -An -tx1 | tr -d ' \n' | grep -q "^89504e47.*$(printf '%08x%08x' "$size" "$size")$" \
      || fail "the ${size}px icon is not a ${size}x${size} PNG"
  done
  grep -q 'glob pattern="\*\.TWdraw"' "$root/share/mime/packages/twdraw.xml" || fail "no MIME package"
  entry="$root/share/applications/twdraw.desktop"
  [ -f "$entry" ] || fail "no desktop entry"
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
  grep -qxF "Exec=$prefix/bin/twdraw %F" "$entry" || grep -qxF "Exec=\"$prefix/bin/twdraw\" %F" "$entry" \
    || fail "the entry does not start $prefix/bin/twdraw: $(grep ^Exec= "$entry")"
  grep -q '^MimeType=.*application/x-twdraw;' "$entry" || fail "the entry does not open drawing packages"
  grep -q '^MimeType=.*image/png;' "$entry" || fail "the entry does not open PNG images"
}

# Straight into the prefix: the MIME cache is brought up to date there.
cmake --install "$build" --prefix "$scratch/usr local" > "$scratch/install.log" 2>&1 || { cat "$scratch/install.log"; fail "install failed"; }
check_tree "$scratch/usr local" "$scratch/usr local"
grep -qi '^50:application/x-twdraw:\*\.twdraw$' "$scratch/usr local/share/mime/globs2" \
  || fail "update-mime-database did not learn *.TWdraw"

# Staged through DESTDIR: the files land under it, the entry names the
# final place, and no cache is written into the staging tree.
DESTDIR="$scratch/stage" cmake --install "$build" --prefix /opt/twdraw > "$scratch/stage.log" 2>&1 \
  || { cat "$scratch/stage.log"; fail "staged install failed"; }
check_tree "$scratch/stage/opt/twdraw" /opt/twdraw
[ ! -e "$scratch/stage/opt/twdraw/share/mime/globs2" ] || fail "a MIME cache was written into DESTDIR"
echo "install-test: both installs are whole"
