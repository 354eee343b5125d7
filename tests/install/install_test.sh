#!/usr/bin/env bash
# Installs a build into a temporary DESTDIR and checks what lands there.
#
#   install_test.sh files BUILD     the programs, the menu entry and the icon,
#                                   and nothing else; the installed viewer keeps
#                                   its settings in the configuration folder
#                                   unless its start folder holds a settings file
#   install_test.sh desktop BUILD   the installed menu entry passes
#                                   desktop-file-validate (exit 77, a skip, when
#                                   the tool is missing)
set -euo pipefail

mode=$1
build=$2
prefix=/usr

if [ "$mode" = desktop ] && ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate is missing (Debian desktop-file-utils): skipped"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix "$prefix" >"$work/install.log"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

entry=$root$prefix/share/applications/kolvista.desktop

if [ "$mode" = desktop ]; then
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
  echo "the menu entry is valid"
  exit 0
fi
[ "$mode" = files ] || fail "unknown mode $mode"

# Exactly these files, nothing else (no test programs, no libraries).
expected="$prefix/bin/kolvista
$prefix/bin/kolvista-cli
$prefix/share/applications/kolvista.desktop
$prefix/share/icons/hicolor/scalable/apps/kolvista.svg"
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\.||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$actual") || true)"

for program in kolvista kolvista-cli; do
  [ -x "$root$prefix/bin/$program" ] || fail "$program is not executable"
done

# The entry starts the installed viewer with the chosen file and names the
# installed icon.
value() { sed -n "s/^$1=//p" "$entry"; }
[ "$(value Name)" = Kolvista ] || fail "Name is '$(value Name)'"
[ "$(value Exec)" = "kolvista %f" ] || fail "Exec is '$(value Exec)'"
[ "$(value Icon)" = kolvista ] || fail "Icon is '$(value Icon)'"
[ "$(value Type)" = Application ] || fail "Type is '$(value Type)'"
grep -q '^Categories=.*AudioVideo;' "$entry" || fail "not in the AudioVideo menu"
grep -q '^MimeType=.*video/x-msvideo;' "$entry" || fail "does not open AVI files"

icon=$root$prefix/share/icons/hicolor/scalable/apps/kolvista.svg
python3 - "$icon" <<'PY' || fail "the icon is not an SVG document"
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
sys.exit(0 if root.tag == "{http://www.w3.org/2000/svg}svg" else 1)
PY

# The command-line program runs from its installed place.
"$root$prefix/bin/kolvista-cli" >"$work/cli.out" 2>&1 && fail "kolvista-cli without a command succeeded"
grep -q info "$work/cli.out" || fail "kolvista-cli printed no usage: $(cat "$work/cli.out")"

# The installed viewer started from a menu: the current folder is the home
# folder, which holds no settings file, so the settings go to the user's
# configuration folder and nothing is written into the home folder.
run_viewer() { # start folder, configuration home
  (cd "$1" && env XDG_CONFIG_HOME="$2" QT_QPA_PLATFORM=offscreen \
    timeout 120 "$root$prefix/bin/kolvista" --first-paint-exit) >"$work/viewer.out" 2>&1 ||
    fail "the installed viewer failed: $(cat "$work/viewer.out")"
  grep -q '^first-paint ' "$work/viewer.out" || fail "the viewer never painted: $(cat "$work/viewer.out")"
}
mkdir -p "$work/home" "$work/config"
run_viewer "$work/home" "$work/config"
[ -f "$work/config/Kolvista/Default_Folder.ini" ] ||
  fail "no settings file in the configuration folder: $(find "$work/config" "$work/home")"
grep -q '^INFOCHECK=31' "$work/config/Kolvista/Default_Folder.ini" ||
  fail "the settings file has no start-up defaults"
[ -z "$(ls -A "$work/home")" ] || fail "the viewer wrote into its start folder: $(ls -A "$work/home")"

# Portable use: a settings file in the start folder is the one used.
mkdir -p "$work/portable" "$work/config2"
: >"$work/portable/Default_Folder.ini"
run_viewer "$work/portable" "$work/config2"
[ -z "$(ls -A "$work/config2")" ] ||
  fail "the viewer wrote into the configuration folder: $(find "$work/config2")"

echo "installed and checked: $(echo "$expected" | tr '\n' ' ')"
