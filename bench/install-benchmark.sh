#!/usr/bin/env bash
# Installation speed and memory under Wine, against NSIS on the same files in the same run.
#
#   bench/install-benchmark.sh [all|large|small]
#
# NUVEX_BENCH_STUB=path/to/nuvex.exe measures another build of the stub (the inflater's
# compiler options, say) on the same corpora.
#
# Two corpora: the pack benchmark's (build/bench/corpus, about 110 MB in 600+ files, made by
# bench/pack-benchmark.sh when it is missing) and 10,000 small files in 100 folders
# (build/bench/small, made here). Each is packed with nuvexpack and installed through the
# real wizard by install_driver.exe, which times the installation from the Install press to
# the done page and reads the installer's peak working set there. The 0.5 s pause that ends
# every installation is taken off the time.
#
# The peer: makensis (Debian's nsis package) builds an installer of the same files with its
# default zlib compression, run silently (/S /D=...) under the same Wine. Its time is the
# run of the process less the run of an NSIS installer without files, so that both sides
# leave out process start-up, which under qemu-user costs seconds.
#
# The peak working set of a process under Wine on qemu-user includes Wine's and qemu's own
# memory, so a one-file installation is measured too, and the goal is checked on the
# increase over it.
#
# The benchmark has a Wine prefix of its own (build/bench/wineprefix) in which Wine's X11
# driver manages no windows. Xvfb runs no window manager, and Wine waits two seconds for one
# each time a managed window is hidden (the wizard when Install is pressed, the progress
# window at the end); on a desktop that wait does not happen.
#
# The uninstallers: after the small corpus, ours removes its 10,000 files through its window
# (install_driver --uninstall, from the Remove press to the end of the process) and NSIS's
# runs silently in place (/S _?=...), less an empty uninstaller's run. Ours must pause 10 ms
# per entry, 100 ms per family and 300 ms at the end; the time above those pauses is the
# figure that counts. NSIS's uninstaller deletes every file by name, then the folders.
#
# Needs the host and win32 builds (scripts/build.sh). Prints both times, their ratio and the
# memory against its goal.
set -euo pipefail
source "$(dirname "$0")/../scripts/env.sh"
export WINEPREFIX=$NUVEX_BUILD/bench/wineprefix

work=$NUVEX_BUILD/bench
corpus=$work/corpus
small=$work/small
pack=$NUVEX_BUILD/host/bin/nuvexpack
stub=${NUVEX_BENCH_STUB:-$NUVEX_BUILD/win32/bin/nuvex.exe}
which=${1:-all}
driver=$NUVEX_BUILD/win32/bin/install_driver.exe
install_root="$WINEPREFIX/drive_c/bench-install"

for f in "$pack" "$stub" "$driver"; do
  [ -e "$f" ] || { echo "no $f: run scripts/build.sh first" >&2; exit 1; }
done
if ! command -v makensis >/dev/null; then
  echo "installing the nsis package for the peer..."
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q nsis >/dev/null
fi

if [ ! -f "$work/corpus.done" ]; then
  echo "making the pack benchmark's corpus..."
  "$NUVEX_ROOT/bench/pack-benchmark.sh" "$NUVEX_BUILD/host" >/dev/null
fi
if [ ! -f "$work/small.done" ]; then
  echo "making 10,000 small files in 100 folders..."
  rm -rf "$small"
  # One awk for all of them: 1 to 4 KiB of text that differs from file to file.
  awk -v root="$small" 'BEGIN {
    for (d = 0; d < 100; d++) {
      dir = sprintf("%s/d%02d", root, d)
      system("mkdir -p " dir)
      for (f = 0; f < 100; f++) {
        path = sprintf("%s/f%02d.txt", dir, f)
        size = (d * 100 + f) % 3072 + 1024
        line = sprintf("folder %02d file %02d of the small-file corpus\n", d, f)
        text = ""
        while (length(text) < size) text = text line
        printf "%s", substr(text, 1, size) > path
        close(path)
      }
    }
  }'
  touch "$work/small.done"
fi

# The script for our side: no middle pages, the captions install_driver looks for.
write_script() {  # NAME TREE-LINES...
  local name=$1
  shift
  {
    printf '%s\n' "[Wizard]" "szInstallAppName=Install Benchmark $name" "szInstallAppDir=nuvex-$name" \
      'szInstDir=C:\bench-install' "autonametopath=true" "includeuninst=true" \
      "szButtonNext=Next" "szButtonInstall=Install" "szButtonDone=Done" "szLabelKonec=Done" \
      "szButtonUnInstall=Remove" \
      "[Design]" "ShowBackground=false" "progressstyle=window" \
      "[Dialogs]" "AppInfo=false" "Licence=false" "TargetDir=false" "InstType=false" \
      "[InstTypes]" "Type0=Full" "Type0Enabled=true" \
      "[Components]" "NumberOfComponents=1" \
      "[Component0]" "Title=Everything" "UseInInstType0=true"
    printf '%s\n' "$@"
  } > "$work/$name.ini"
}

write_nsis() {  # NAME SOURCE-DIR (empty: no files)
  local name=$1 src=$2
  {
    echo "Name \"Peer $name\""
    echo "OutFile \"$work/peer-$name.exe\""
    echo "InstallDir \"C:\\bench-install\\nsis-$name\""
    echo "RequestExecutionLevel user"
    echo "Section"
    echo "  SetOutPath \"\$INSTDIR\""
    if [ -n "$src" ]; then
      echo "  File /r \"$src/*\""
    fi
    echo "  WriteUninstaller \"\$INSTDIR\\uninst.exe\""
    echo "SectionEnd"
    echo "Section \"Uninstall\""
    if [ -n "$src" ]; then
      (cd "$src" && find . -type f | sed -e 's|^\./||' -e 's|/|\\|g' \
        -e 's|.*|  Delete "$INSTDIR\\&"|')
      (cd "$src" && find . -mindepth 1 -type d | sort -r | sed -e 's|^\./||' -e 's|/|\\|g' \
        -e 's|.*|  RMDir "$INSTDIR\\&"|')
    fi
    echo "  Delete \"\$INSTDIR\\uninst.exe\""
    echo "  RMDir \"\$INSTDIR\""
    echo "SectionEnd"
  } > "$work/peer-$name.nsi"
  makensis -V1 "$work/peer-$name.nsi" >/dev/null
}

nuvex_qemu_shim
nuvex_wine_prefix
nuvex_display
trap 'wineserver -k 2>/dev/null || true; nuvex_stop_display' EXIT
wineserver -p >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

now() { date +%s.%N; }

# Seconds of a silent NSIS run into a fresh folder.
run_peer() {  # NAME
  rm -rf "$install_root/nsis-$1"
  local t0 t1
  t0=$(now)
  wine "$work/peer-$1.exe" /S "/D=C:\\bench-install\\nsis-$1" >/dev/null 2>&1
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

# Seconds of a silent NSIS uninstaller run in place, which waits for the removal.
run_peer_uninstaller() {  # NAME
  local t0 t1
  t0=$(now)
  wine "$install_root/nsis-$1/uninst.exe" /S "_?=C:\\bench-install\\nsis-$1" >/dev/null 2>&1
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}

write_nsis empty ""
peer_empty=$(run_peer empty)
run_peer empty >/dev/null  # the first run warms Wine's caches; take the second
peer_empty=$(run_peer empty)
peer_empty_uninstall=$(run_peer_uninstaller empty)

results=()
bench_corpus() {  # NAME FILES-DIR SOURCE-ROOT TREE-LINES...
  local name=$1 src=$2 root=$3
  shift 3
  write_script "$name" "$@"
  "$pack" build "$work/$name.ini" --source "$root" --stub "$stub" -o "$work/$name-setup.exe" --quiet
  local files bytes
  files=$(find "$src" -type f | wc -l)
  bytes=$(find "$src" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')

  rm -rf "$install_root/nuvex-$name"
  local line ms peak
  # Through a file: Wine's background processes would keep a pipe open after the driver ends.
  wine "$driver" "$work/$name-setup.exe" > "$work/driver.txt" 2>&1
  line=$(tr -d '\r' < "$work/driver.txt" | grep 'install_ms=')
  ms=$(sed -E 's/.*install_ms=([0-9]+).*/\1/' <<<"$line")
  peak=$(sed -E 's/.*peak_working_set=([0-9]+).*/\1/' <<<"$line")
  local ours peer raw
  ours=$(awk -v ms="$ms" 'BEGIN { printf "%.3f", (ms - 500) / 1000 }')

  write_nsis "$name" "$src"
  raw=$(run_peer "$name")
  peer=$(awk -v a="$raw" -v b="$peer_empty" 'BEGIN { printf "%.3f", a - b }')
  local installed
  installed=$(find "$install_root/nuvex-$name" -type f ! -name 'uninst.*' | wc -l)

  results+=("$(printf '%-6s %6d files %10d bytes | nuvex %7.2f s | nsis %6.2f s (%.2f raw) | ratio %5.2f (goal <= 1) | peak %5.1f MB, +%4.1f MB over one file (goal <= +45 MB) | %d installed' \
    "$name" "$files" "$bytes" "$ours" "$peer" "$raw" \
    "$(awk -v a="$ours" -v b="$peer" 'BEGIN { print (b > 0 ? a / b : 0) }')" \
    "$(awk -v p="$peak" 'BEGIN { print p / 1048576 }')" \
    "$(awk -v p="$peak" -v b="$base_peak" 'BEGIN { print (p - b) / 1048576 }')" \
    "$installed")")
  echo "${results[-1]}"
}

# Our uninstaller against NSIS's on an installed corpus.
bench_uninstall() {  # NAME
  local name=$1 log="$install_root/nuvex-$1/uninst.ini"
  local entries pauses ms line raw peer
  entries=$(tr -d '\r' < "$log" | grep -cE '^(file|startfile|dir|startdir)[0-9]{6}=')
  pauses=$(awk -v n="$entries" 'BEGIN { printf "%.3f", (n * 10 + 4 * 100 + 300) / 1000 }')
  wine "$driver" --uninstall "C:\\bench-install\\nuvex-$name\\uninst.exe" > "$work/driver.txt" 2>&1
  ms=$(tr -d '\r' < "$work/driver.txt" | sed -nE 's/.*uninstall_ms=([0-9]+).*/\1/p')
  raw=$(run_peer_uninstaller "$name")
  peer=$(awk -v a="$raw" -v b="$peer_empty_uninstall" 'BEGIN { printf "%.3f", a - b }')
  local left
  left=$(find "$install_root/nuvex-$name" -type f ! -name uninst.exe | wc -l)
  results+=("$(printf '%-6s uninstall %d entries | nuvex %7.2f s, pauses %6.2f s, above the pauses %6.2f s (goal <= 10 s) | nsis %6.2f s (%.2f raw) | %d files left' \
    "$name" "$entries" "$(awk -v ms="$ms" 'BEGIN { print ms / 1000 }')" "$pauses" \
    "$(awk -v ms="$ms" -v p="$pauses" 'BEGIN { print ms / 1000 - p }')" "$peer" "$raw" "$left")")
  echo "${results[-1]}"
}

# The baseline: one small file.
mkdir -p "$work/tiny"
echo "one file" > "$work/tiny/one.txt"
write_script tiny "tree00=tiny>"
"$pack" build "$work/tiny.ini" --source "$work" --stub "$stub" -o "$work/tiny-setup.exe" --quiet
rm -rf "$install_root/nuvex-tiny"
wine "$driver" "$work/tiny-setup.exe" > "$work/driver.txt" 2>&1
base_peak=$(tr -d '\r' < "$work/driver.txt" | sed -nE 's/.*peak_working_set=([0-9]+).*/\1/p')
base_ms=$(tr -d '\r' < "$work/driver.txt" | sed -nE 's/.*install_ms=([0-9]+).*/\1/p')

echo "NSIS without files: ${peer_empty} s per run (taken off the peer's times)"
echo "one-file installation: $(awk -v ms="$base_ms" 'BEGIN { printf "%.2f", (ms - 500) / 1000 }') s, peak working set $(awk -v p="$base_peak" 'BEGIN { printf "%.1f", p / 1048576 }') MB (Wine and qemu themselves)"
if [ "$which" != small ]; then
  bench_corpus large "$corpus" "$corpus" "tree00=bin>bin" "tree01=lib>lib" "tree02=doc>doc" \
    "tree03=gen>gen"
fi
if [ "$which" != large ]; then
  bench_corpus small "$small" "$work" "tree00=small>"
  bench_uninstall small
fi

echo
echo "install time: nuvex from the Install press to the done page, less the 0.5 s pause;"
echo "nsis the silent run less an empty installer's. Goals: ratio <= 1; peak memory over"
echo "the one-file installation <= 45 MB; the uninstaller's time above its pauses <= 10 s."
printf '%s\n' "${results[@]}"
