# Sourced by the other scripts: paths, the Wine prefix of the project and a display.
# Nothing here touches the user's own ~/.wine.

NUVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NUVEX_BUILD=${NUVEX_BUILD:-$NUVEX_ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$NUVEX_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No network for the Mono and Gecko downloads, no menu entries leaking into the host, and
# no debugger window waiting forever when a program under test crashes.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d;winedbg.exe=d"
export WINEARCH=${WINEARCH:-win64}

# Creates the prefix once; wineboot returns when it is ready.
nuvex_wine_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (once)..."
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# Starts Xvfb on a free display unless one is already usable. Sets DISPLAY and
# NUVEX_XVFB_PID (empty when an existing display is used).
nuvex_display() {
  NUVEX_XVFB_PID=
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return
  fi
  local n
  for n in $(seq 90 120); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      NUVEX_XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return
        sleep 0.1
      done
      echo "Xvfb did not start on :$n" >&2
      return 1
    fi
  done
  echo "no free X display number" >&2
  return 1
}

nuvex_stop_display() {
  if [ -n "${NUVEX_XVFB_PID:-}" ]; then
    kill "$NUVEX_XVFB_PID" 2>/dev/null || true
    wait "$NUVEX_XVFB_PID" 2>/dev/null || true
  fi
}

# Under qemu-i386 (see install-deps.sh) 32-bit Wine needs the preload shim of scripts/qemu to
# start in seconds rather than a minute. $PLATFORM lets ld.so pick the i686 shim for 32-bit
# processes and an empty x86_64 one for the 64-bit Wine processes of the prefix.
nuvex_qemu_shim() {
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || return 0
  local dir=$NUVEX_BUILD/qemu src=$NUVEX_ROOT/scripts/qemu/fast_reserve.c
  if [ ! -f "$dir/i686/fast_reserve.so" ] || [ "$src" -nt "$dir/i686/fast_reserve.so" ]; then
    mkdir -p "$dir/i686" "$dir/x86_64"
    i686-linux-gnu-gcc -O2 -Wall -Werror -shared -fPIC -o "$dir/i686/fast_reserve.so" "$src" -ldl
    echo 'void nuvex_no_shim(void) {}' | gcc -shared -fPIC -x c -o "$dir/x86_64/fast_reserve.so" -
  fi
  export LD_PRELOAD="$dir/\$PLATFORM/fast_reserve.so${LD_PRELOAD:+:$LD_PRELOAD}"
}

