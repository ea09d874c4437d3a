#!/usr/bin/env bash
# Installs everything a fresh Debian machine lacks to build and test Nuvex.
# Idempotent: packages that are already there are left alone.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  clang libclang-rt-dev clang-format
  g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  googletest libgtest-dev
  zlib1g-dev libdeflate-dev liblzma-dev
  osslsigncode openssl
  wine wine32:i386 wine64 xvfb xauth x11-apps x11-utils imagemagick
)

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

export DEBIAN_FRONTEND=noninteractive
updated=
install() {
  [ -n "$updated" ] || { $SUDO apt-get update -qq; updated=1; }
  echo "install-deps: installing $*"
  $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

[ ${#missing[@]} -eq 0 ] || install "${missing[@]}"

# Some kernels are built without 32-bit x86 support, so 32-bit Wine cannot start. There,
# i386 programs run under qemu's user-mode emulation, registered with binfmt_misc.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  qemu=()
  for p in qemu-user-static gcc-i686-linux-gnu libc6-dev-i386-cross; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || qemu+=("$p")
  done
  [ ${#qemu[@]} -eq 0 ] || install "${qemu[@]}"
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/qemu-i386" ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%b' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | $SUDO tee "$binfmt/register" >/dev/null
  fi
  /usr/lib/wine/wine --version >/dev/null || { echo "install-deps: 32-bit Wine cannot run here" >&2; exit 1; }
fi
