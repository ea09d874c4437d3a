#!/usr/bin/env bash
# Builds the sample product's installer (examples/sample) and runs it under Wine.
# With a display ($DISPLAY), the installer opens there for you to click through.
# Without one, scripts/preview.sh walks it on a virtual display and saves a picture of each
# stage to build/screenshots/, with a contact sheet: the splash, every wizard page up to the
# confirmation (from the information page on, the sample's gradient background is behind the
# wizard), the progress strip of the installation and the done page. Then this script checks
# the installed files against the package and says where they are in the Wine prefix. Last,
# the preview starts uninst.exe from the target folder (its window before and during the
# removal), and this script checks that only uninst.exe is left.
#
#   scripts/run-sample.sh --check-installation SETUP   (the check, run by the preview)
set -euo pipefail
source "$(dirname "$0")/env.sh"

sample=$NUVEX_ROOT/examples/sample
# The sample installs into C:\Program Files\Sample Editor.
target="$WINEPREFIX/drive_c/Program Files/Sample Editor"

# Compares the installation with the package SETUP. The walk chose the custom type, whose
# preset leaves out the "Sample documents" component (the Samples folder).
check_installation() {
  local setup=$1 reference=$NUVEX_BUILD/sample/reference missing=0 f rel
  rm -rf "$reference"
  "$NUVEX_BUILD/host/bin/nuvexpack" extract "$setup" "$reference" >/dev/null
  while IFS= read -r -d '' f; do
    rel=${f#"$reference"/}
    case $rel in
      Samples/*) continue ;;
    esac
    if ! cmp -s "$f" "$target/$rel"; then
      echo "run-sample: $rel is missing or differs in $target" >&2
      missing=$((missing + 1))
    fi
  done < <(find "$reference" -type f -print0)
  for f in uninst.exe uninst.ini; do
    [ -f "$target/$f" ] || { echo "run-sample: no $f in $target" >&2; missing=$((missing + 1)); }
  done
  [ "$missing" -eq 0 ] || return 1
  echo "Installed into C:\\Program Files\\Sample Editor, in the prefix at:"
  echo "  $target"
  (cd "$target" && find . -type f | sort | sed 's|^\./|    |')
}

if [ "${1:-}" = --check-installation ]; then
  [ $# -eq 2 ] || { echo "usage: $0 --check-installation SETUP" >&2; exit 2; }
  check_installation "$2"
  exit
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  "$NUVEX_ROOT/scripts/build.sh"
  nuvex_qemu_shim
  mkdir -p "$NUVEX_BUILD/sample"
  "$NUVEX_BUILD/host/bin/nuvexpack" build "$sample/setup.ini" --source "$sample/product" \
    --stub "$NUVEX_BUILD/win32/bin/nuvex.exe" -o "$NUVEX_BUILD/sample/setup.exe"
  echo "Built $NUVEX_BUILD/sample/setup.exe"
  nuvex_wine_prefix
  echo "Starting the installer on $DISPLAY"
  exec wine "$NUVEX_BUILD/sample/setup.exe"
fi

# A fresh installation each time, so that the check sees only what this run wrote.
rm -rf "$target"
"$NUVEX_ROOT/scripts/preview.sh" "$sample/setup.ini" --source "$sample/product" \
  -o "$NUVEX_BUILD/screenshots" --check "$(printf '%q' "$0") --check-installation" ||
  { echo "run-sample: the walk through the installer and uninstaller failed" >&2; exit 1; }

# Afterwards only uninst.exe itself (which cannot delete itself while it runs) may be left.
left=$(cd "$target" && find . -mindepth 1 | sort)
if [ "$left" != "./uninst.exe" ]; then
  echo "run-sample: the uninstaller left more than uninst.exe in $target:" >&2
  echo "$left" >&2
  exit 1
fi
echo "Uninstalled: only uninst.exe is left in $target"
