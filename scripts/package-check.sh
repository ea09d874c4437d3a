#!/usr/bin/env bash
# Checks the tools as product makers get them: `cmake --install` of the host tree and the
# Debian package from `cpack -G DEB`, each used to build examples/cmake-project, whose
# setup.exe must then pass `nuvexpack verify`. The example passes a two-word OPTIONS
# (--level 9) to nuvex_add_installer(), and a copy of it with a flag the installer reads as
# false must fail under the default --strict. Needs both trees built (scripts/build.sh).
set -euo pipefail
source "$(dirname "$0")/env.sh"

work=$NUVEX_BUILD/package-check
rm -rf "$work"
mkdir -p "$work"
example=$NUVEX_ROOT/examples/cmake-project

fail() { echo "package-check: $*" >&2; exit 1; }

# Builds the example against the Nuvex found below PREFIX into DIR and verifies the result.
build_example() {
  local prefix=$1 dir=$2
  cmake -S "$example" -B "$dir" -DCMAKE_PREFIX_PATH="$prefix" >"$dir.log" 2>&1 ||
    { cat "$dir.log"; fail "configuring the example against $prefix failed"; }
  cmake --build "$dir" >>"$dir.log" 2>&1 || { cat "$dir.log"; fail "building the example failed"; }
  "$prefix/bin/nuvexpack" verify "$dir/setup.exe"
}

# Prints whether building DIR again ran the installer's rule.
rebuilt() {
  local log
  log=$(cmake --build "$1" 2>&1) || { echo "$log" >&2; fail "building $1 again failed"; }
  case $log in *"Building the installer"*) echo yes ;; *) echo no ;; esac
}

echo "== cmake --install"
cmake --install "$NUVEX_BUILD/host" --prefix "$work/prefix" >"$work/install.log" ||
  { cat "$work/install.log"; fail "cmake --install failed"; }
build_example "$work/prefix" "$work/example"
[ -f "$work/prefix/share/doc/nuvex/script-reference.md" ] || fail "the key reference is not installed"
[ "$(rebuilt "$work/example")" = no ] || fail "setup.exe was rebuilt though nothing changed"
sleep 1  # file times of one second resolution
echo "added after the first build" >"$work/example/stage/docs/added.txt"
[ "$(rebuilt "$work/example")" = yes ] || fail "a new staged file did not rebuild setup.exe"
"$work/prefix/bin/nuvexpack" list "$work/example/setup.exe" | grep -q 'docs\\added.txt' ||
  fail "the rebuilt setup.exe lacks the new file"

echo "== --strict by default: a script with a warning builds no setup.exe"
cp -r "$example" "$work/strict-src"
sed -i 's/^Requied=true/Requied=yes/' "$work/strict-src/installer/setup.ini"
cmake -S "$work/strict-src" -B "$work/strict" -DCMAKE_PREFIX_PATH="$work/prefix" >"$work/strict.log" 2>&1 ||
  { cat "$work/strict.log"; fail "configuring the strict example failed"; }
if cmake --build "$work/strict" >>"$work/strict.log" 2>&1; then
  fail "a script with Requied=yes built under --strict"
fi
grep -q 'Requied=yes: the installer takes only "true" as on' "$work/strict.log" ||
  { cat "$work/strict.log"; fail "the strict build did not say why it failed"; }
[ ! -e "$work/strict/setup.exe" ] || fail "the failed strict build left a setup.exe"

echo "== cpack -G DEB, dpkg -x"
(cd "$NUVEX_BUILD/host" && cpack -G DEB -B "$work/deb" >"$work/cpack.log") ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/deb/nuvex-tools_*_amd64.deb)
echo "$deb"
dpkg -x "$deb" "$work/root"
build_example "$work/root/usr" "$work/example-deb"
[ -f "$work/root/usr/share/doc/nuvex/script-reference.md" ] || fail "the .deb lacks the key reference"
