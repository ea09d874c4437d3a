#!/usr/bin/env bash
# Pictures of every page of an installer, without Windows.
#
#   scripts/preview.sh SCRIPT [--source DIR] [-o OUTDIR] [--error] [--keep] [--check CMD]
#
# Builds the installer for SCRIPT (files from DIR, default the script's folder), runs it under
# Wine on a virtual display and walks it through every page the script enables: the splash,
# the wizard pages, the progress window, the done page and, when the installation registered
# an uninstaller, the uninstaller window, whose Remove then takes the installation out of the
# project's Wine prefix again. It saves one PNG per page into OUTDIR (default build/preview)
# and a contact sheet, contact-sheet.png, with the page names under the pictures.
# --error damages every payload stream of a copy of the installer, so that the installation
# ends on the error page instead of the done page. --keep leaves the installation in place.
# --check CMD runs the shell command CMD, with the built installer's path as its argument,
# once the installation has ended and before the uninstaller is walked; when it fails, the
# preview stops there and fails (scripts/run-sample.sh checks the installed files this way).
set -euo pipefail
source "$(dirname "$0")/env.sh"

usage() {
  echo "usage: scripts/preview.sh SCRIPT [--source DIR] [-o OUTDIR] [--error] [--keep]" \
    "[--check CMD]" >&2
  exit 2
}
fail() { echo "preview: $*" >&2; exit 1; }

script= source_dir= outdir=$NUVEX_BUILD/preview error= keep= check=
while [ $# -gt 0 ]; do
  case $1 in
    --source) [ $# -ge 2 ] || usage; source_dir=$2; shift 2 ;;
    --source=*) source_dir=${1#*=}; shift ;;
    -o|--output) [ $# -ge 2 ] || usage; outdir=$2; shift 2 ;;
    --output=*) outdir=${1#*=}; shift ;;
    --error) error=1; shift ;;
    --keep) keep=1; shift ;;
    --check) [ $# -ge 2 ] || usage; check=$2; shift 2 ;;
    --check=*) check=${1#*=}; shift ;;
    -h|--help) usage ;;
    -*) echo "preview: unknown option $1" >&2; usage ;;
    *) [ -z "$script" ] || usage; script=$1; shift ;;
  esac
done
[ -n "$script" ] || usage
[ -f "$script" ] || fail "no script $script"
script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")
source_dir=${source_dir:-$(dirname "$script")}
[ -d "$source_dir" ] || fail "no source folder $source_dir"
start=$SECONDS

"$NUVEX_ROOT/scripts/build.sh" >/dev/null
nuvex_qemu_shim

pack=$NUVEX_BUILD/host/bin/nuvexpack
mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd)
work=$outdir/installer
rm -rf "$work"
mkdir -p "$work"
setup=$work/setup.exe
"$pack" build "$script" --source "$source_dir" --stub "$NUVEX_BUILD/win32/bin/nuvex.exe" \
  -o "$setup" --quiet || fail "nuvexpack could not build the installer"

walk_args=(--install)
if [ -n "$error" ]; then
  # A byte inside each stream's deflate data: every payload file fails to inflate or its
  # check, whichever components the walk installs.
  damaged=$work/setup-damaged.exe
  cp "$setup" "$damaged"
  base=$("$pack" list "$setup" | sed -n 's/^payload *base \([0-9]*\),.*/\1/p')
  streams=$("$pack" list "$setup" | sed -n 's/.* -> \([0-9]*\) bytes at \([0-9]*\), crc .*/\1 \2/p')
  [ -n "$base" ] && [ -n "$streams" ] || fail "--error needs an installer with payload files"
  while read -r length offset; do
    at=$((base + offset + length / 2))
    byte=$(od -An -tu1 -j "$at" -N1 "$damaged" | tr -d ' ')
    printf "$(printf '\\%03o' $((byte ^ 0xff)))" |
      dd of="$damaged" bs=1 seek="$at" conv=notrunc status=none
  done <<<"$streams"
  setup=$damaged
  walk_args=(--error)
fi

nuvex_wine_prefix
# Always a virtual display of our own, so that the pictures hold nothing else.
unset DISPLAY
nuvex_display
trap 'wineserver -k 2>/dev/null || true; nuvex_stop_display' EXIT
wineserver -p >/dev/null 2>&1

find "$outdir" -maxdepth 1 -name '*.png' -delete
shots=()
names=()
uninstaller=

# Runs the page walker with ARGS. It says "shot NAME" at each page and waits for our answer
# before it goes on; "uninstaller PATH" tells where the installation's uninstaller is.
walk() {
  local line status walk_pid
  coproc WALK { wine "$NUVEX_BUILD/win32/bin/page_walker.exe" "$@" 2>&1; }
  # Bash drops the coprocess's variables when it ends; keep copies.
  walk_pid=$WALK_PID
  exec {from_walk}<&"${WALK[0]}" {to_walk}>&"${WALK[1]}"
  # Wine's background processes, started by the walker's Wine, inherit its output pipe and
  # keep it open after the walker has ended: the loop ends when the walker has, not at end of
  # file.
  while :; do
    status=0
    IFS= read -r -t 1 line <&"$from_walk" || status=$?
    if [ "$status" -ne 0 ]; then
      [ "$status" -gt 128 ] && kill -0 "$walk_pid" 2>/dev/null && continue
      break
    fi
    line=${line%$'\r'}
    case $line in
      "shot "*)
        name=${line#shot }
        sleep 0.5  # the X server shows what Wine has drawn a moment later
        file=$(printf '%s/%02d-%s.png' "$outdir" $((${#shots[@]} + 1)) "$name")
        import -window root "$file"
        shots+=("$file")
        names+=("$name")
        echo ok >&"$to_walk"
        ;;
      "uninstaller "*) uninstaller=${line#uninstaller } ;;
      *) echo "$line" ;;
    esac
  done
  exec {from_walk}<&- {to_walk}>&-
  wait "$walk_pid"
}

walk_ok=1 check_ok=1
walk "$setup" "$script" "${walk_args[@]}" || walk_ok=
if [ -n "$walk_ok" ] && [ -n "$check" ]; then
  bash -c "$check \"\$1\"" check "$setup" || check_ok=
fi
if [ -n "$walk_ok" ] && [ -n "$check_ok" ] && [ -z "$keep" ] && [ -n "$uninstaller" ]; then
  walk "$uninstaller" --uninstall || walk_ok=
fi

if [ ${#shots[@]} -gt 0 ]; then
  sheet=$outdir/contact-sheet.png
  montage_args=()
  for i in "${!shots[@]}"; do
    montage_args+=(-label "${names[$i]}" "${shots[$i]}")
  done
  montage -font DejaVu-Sans -pointsize 14 "${montage_args[@]}" -tile 4x \
    -geometry 384x288+8+8 -background '#d8d8d8' "$sheet" 2>/dev/null ||
    montage "${montage_args[@]}" -tile 4x -geometry 384x288+8+8 "$sheet"
fi

echo "Pages of $(basename "$script"), ${#shots[@]} pictures in $outdir:"
for i in "${!shots[@]}"; do
  echo "  ${names[$i]}: $(basename "${shots[$i]}")"
done
[ ${#shots[@]} -eq 0 ] || echo "Contact sheet: $outdir/contact-sheet.png"
echo "preview took $((SECONDS - start)) s"
[ -n "$walk_ok" ] || fail "the walk through the installer stopped early"
[ -n "$check_ok" ] || fail "the check of the installation failed: $check"
