#!/usr/bin/env bash
# Builds the sample product's installer (examples/sample) and runs it under Wine.
# With a display ($DISPLAY), the installer opens there for you to click through.
# Without one, it runs on a virtual display and screenshots of each stage are saved to
# build/screenshots/ (splash, then the hand-over to the wizard).
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
mkdir -p "$shots"
wine "$out/setup.exe" >/dev/null 2>&1 &

# Waits (bounded) until a Wine window of size $1 is there and one of size $3 (if given) is
# gone, then saves the screen.
shoot() {
  local size=$1 name=$2 gone=${3:-} i tree
  for i in $(seq 1 600); do
    tree=$(xwininfo -root -tree 2>/dev/null)
    if grep -q "\"Nuvex 0.4 alpha\".*${size}+" <<<"$tree" &&
       { [ -z "$gone" ] || ! grep -q "\"Nuvex 0.4 alpha\".*${gone}+" <<<"$tree"; }; then
      sleep 2  # let the window paint before the picture is taken
      import -window root "$shots/$name.png"
      echo "Saved $shots/$name.png"
      return 0
    fi
    sleep 0.1
  done
  echo "No $name window within a minute" >&2
  return 1
}
shoot 190x80 1-splash
shoot 500x200 2-wizard 190x80
