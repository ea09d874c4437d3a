#!/usr/bin/env bash
# Builds the sample product's installer (examples/sample) and runs it under Wine.
# With a display ($DISPLAY), the installer opens there for you to click through.
# Without one, it runs on a virtual display and screenshots of each stage are saved to
# build/screenshots/: the splash, every wizard page up to the confirmation (from the
# information page on, the sample's gradient background is behind the wizard), the progress
# strip of the installation and the done page. Then it checks the installed files against
# the package and says where they are in the Wine prefix. Last, it starts uninst.exe from the
# target folder (its window before and during the removal) and checks that only uninst.exe
# is left.
set -euo pipefail
source "$(dirname "$0")/env.sh"

"$NUVEX_ROOT/scripts/build.sh"
nuvex_qemu_shim

out=$NUVEX_BUILD/sample
mkdir -p "$out"
"$NUVEX_BUILD/host/bin/nuvexpack" build "$NUVEX_ROOT/examples/sample/setup.ini" \
  --source "$NUVEX_ROOT/examples/sample/product" --stub "$NUVEX_BUILD/win32/bin/nuvex.exe" \
  -o "$out/setup.exe"
echo "Built $out/setup.exe"

nuvex_wine_prefix

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting the installer on $DISPLAY"
  exec wine "$out/setup.exe"
fi

nuvex_display
trap 'wineserver -k 2>/dev/null || true; nuvex_stop_display' EXIT
shots=$NUVEX_BUILD/screenshots
rm -rf "$shots"
mkdir -p "$shots"

# A fresh installation each time, so that the check below sees only what this run wrote.
target="$WINEPREFIX/drive_c/Program Files/Sample Editor"
rm -rf "$target"

# The page walker starts a program, goes through its pages and says "shot NAME" at each; it
# waits for our answer before it goes on.
n=0
walk() {
  coproc WALK { wine "$NUVEX_BUILD/win32/bin/page_walker.exe" "$@" 2>&1; }
  # Bash drops the coprocess's variables when it ends; keep copies.
  local walk_pid=$WALK_PID from_walk to_walk line file
  exec {from_walk}<&"${WALK[0]}" {to_walk}>&"${WALK[1]}"
  while IFS= read -r line <&"$from_walk"; do
    line=${line%$'\r'}
    case $line in
      "shot "*)
        n=$((n + 1))
        sleep 0.5  # the X server shows what Wine has drawn a moment later
        file=$(printf '%s/%02d-%s.png' "$shots" "$n" "${line#shot }")
        import -window root "$file"
        echo "Saved $file"
        echo ok >&"$to_walk"
        ;;
      *) echo "$line" ;;
    esac
  done
  exec {from_walk}<&- {to_walk}>&-
  wait "$walk_pid"
}
walk "$out/setup.exe" "$NUVEX_ROOT/examples/sample/setup.ini" --install ||
  { echo "run-sample: the walk through the wizard failed" >&2; exit 1; }

# The sample installs into C:\Program Files\Sample Editor. The walker chose the custom type,
# whose preset leaves out the "Sample documents" component (the Samples folder).
reference=$out/reference
rm -rf "$reference"
"$NUVEX_BUILD/host/bin/nuvexpack" extract "$out/setup.exe" "$reference" >/dev/null
missing=0
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
if [ "$missing" -ne 0 ]; then
  exit 1
fi
echo "Installed into C:\\Program Files\\Sample Editor, in the prefix at:"
echo "  $target"
(cd "$target" && find . -type f | sort | sed 's|^\./|    |')

# Then the uninstaller, from the target folder as the user starts it: afterwards only
# uninst.exe itself (which cannot delete itself while it runs) may be left.
walk "$target/uninst.exe" --uninstall ||
  { echo "run-sample: the uninstaller failed" >&2; exit 1; }
left=$(cd "$target" && find . -mindepth 1 | sort)
if [ "$left" != "./uninst.exe" ]; then
  echo "run-sample: the uninstaller left more than uninst.exe in $target:" >&2
  echo "$left" >&2
  exit 1
fi
echo "Uninstalled: only uninst.exe is left in $target"
