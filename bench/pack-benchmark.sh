#!/usr/bin/env bash
# Speed and ratio of nuvexpack against gzip -9 on one corpus, in one run.
#
#   bench/pack-benchmark.sh [BUILD_DIR]      (default build/host)
#
# The corpus (build/bench/corpus, about 110 MB) is made once and reused: binaries from
# /usr/bin and /usr/lib, text from /usr/share/doc (the .gz files inflated) and generated
# text. It is the same on every run on one machine; the files are taken in name order.
#
# gzip -9 compresses each file on its own (gzip -9 -n -c over the file list, one process,
# members written end to end), as nuvexpack makes one stream per file; the sizes compared
# are the sum of gzip's output and the payload of the package. A second gzip -9 run on
# as many processes as there are cores is printed for reference.
#
# LZMA rows: nuvexpack --compression lzma against NSIS's makensis with SetCompressor
# /SOLID lzma on the same four folders (Debian's nsis package; the rows are left out
# without it). Compared are the whole installers less their stubs: the payload for
# nuvexpack, the installer less an installer of the same script without files for NSIS.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/host}
pack=$build/bin/nuvexpack
work=$root/build/bench
corpus=$work/corpus
cores=$(nproc)

if [ ! -x "$pack" ]; then
  echo "no $pack: build the host tree first (cmake --build build/host)" >&2
  exit 1
fi

mkdir -p "$work"

# Copies regular files from a list, in order, until `limit` bytes are taken.
take_files() {
  local dest=$1 limit=$2 total=0 n=0 f size name
  mkdir -p "$dest"
  while IFS= read -r -d '' f; do
    size=$(stat -c %s "$f")
    if [ "$size" -lt 2048 ] || [ "$size" -gt $((24 << 20)) ]; then
      continue
    fi
    name=$(basename "$f" | tr -c 'A-Za-z0-9._+\n-' '_')
    n=$((n + 1))
    cp "$f" "$dest/$(printf '%05d' $n)_$name"
    total=$((total + size))
    if [ "$total" -ge "$limit" ]; then
      break
    fi
  done
}

make_corpus() {
  rm -rf "$corpus"
  mkdir -p "$corpus"
  find /usr/bin -maxdepth 1 -type f -print0 | sort -z | take_files "$corpus/bin" $((40 << 20))
  find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name '*.so*' -print0 | sort -z |
    take_files "$corpus/lib" $((35 << 20))

  # Documentation text, the compressed files inflated.
  mkdir -p "$corpus/doc"
  local total=0 n=0 f out
  while IFS= read -r -d '' f; do
    n=$((n + 1))
    out="$corpus/doc/$(printf '%05d' $n)_$(basename "$f" .gz | tr -c 'A-Za-z0-9._+\n-' '_').txt"
    case $f in
      *.gz) gzip -dc "$f" > "$out" 2>/dev/null || { rm -f "$out"; continue; } ;;
      *) cp "$f" "$out" ;;
    esac
    total=$((total + $(stat -c %s "$out")))
    if [ "$total" -ge $((18 << 20)) ]; then
      break
    fi
  done < <(find /usr/share/doc /usr/share/man -type f -print0 | sort -z)

  # Generated text: a fixed seed, so the same words each time.
  mkdir -p "$corpus/gen"
  for i in $(seq 1 24); do
    awk -v seed="$i" 'BEGIN {
      srand(seed)
      split("the of and to in is that for it as with was on be by this are from or at an " \
            "which installer package folder file stream payload component window setup " \
            "target system version program user data value number report error build", w, " ")
      n = length(w)
      for (line = 0; line < 12000; line++) {
        s = sprintf("%06d %s", line, (rand() < 0.1) ? "WARN" : "INFO")
        for (k = 0; k < 5 + int(rand() * 9); k++) s = s " " w[1 + int(rand() * n)]
        printf "%s %d.%02d\n", s, int(rand() * 1000), int(rand() * 100)
      }
    }' > "$corpus/gen/log$(printf '%02d' "$i").txt"
  done
}

if [ ! -d "$corpus" ] || [ ! -f "$work/corpus.done" ]; then
  echo "making the corpus in $corpus ..."
  make_corpus
  touch "$work/corpus.done"
fi

corpus_bytes=$(find "$corpus" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
corpus_files=$(find "$corpus" -type f | wc -l)

cat > "$work/setup.ini" <<'INI'
[Wizard]
szInstallAppName=Benchmark
[Components]
NumberOfComponents=4
[Component0]
Title=Programs
tree00=bin>bin
[Component1]
Title=Libraries
tree00=lib>lib
[Component2]
Title=Documentation
tree00=doc>doc
[Component3]
Title=Logs
tree00=gen>gen
INI
head -c 65536 /dev/zero | tr '\0' 'S' > "$work/stub.exe"

# Everything read once, so that no run pays for the disk and the others not.
find "$corpus" -type f -print0 | xargs -0 cat > /dev/null

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

have_time=0
if [ -x /usr/bin/time ]; then
  have_time=1
fi

# Builds a package; prints "seconds payload_bytes max_rss_kib".
run_pack() {
  local out=$work/bench-$1.exe rss=n/a t0 t1
  shift
  rm -f "$out"
  t0=$(now)
  if [ $have_time = 1 ]; then
    /usr/bin/time -v -o "$work/time.txt" "$pack" build "$work/setup.ini" --source "$corpus" \
      --stub "$work/stub.exe" -o "$out" --quiet "$@"
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
  else
    "$pack" build "$work/setup.ini" --source "$corpus" --stub "$work/stub.exe" -o "$out" --quiet "$@"
  fi
  t1=$(now)
  local payload
  payload=$("$pack" list "$out" | awk '/^payload/ { gsub(",", "", $3); print $4 }')
  "$pack" verify "$out" --quiet
  echo "$(elapsed "$t0" "$t1") $payload $rss"
}

run_gzip() {
  local jobs=$1 t0 t1 size
  t0=$(now)
  size=$(cd "$corpus" && find . -type f -print0 | sort -z |
         xargs -0 -P "$jobs" -n 64 gzip -9 -n -c | wc -c)
  t1=$(now)
  echo "$(elapsed "$t0" "$t1") $size"
}

echo "corpus: $corpus_files files, $corpus_bytes bytes; $cores cores"
read -r gz_t gz_s < <(run_gzip 1)
read -r gzp_t gzp_s < <(run_gzip "$cores")
read -r def_t def_s def_rss < <(run_pack default)
read -r best_t best_s best_rss < <(run_pack best --best)
read -r lz_t lz_s lz_rss < <(run_pack lzma --compression lzma)

# makensis over the same folders, one section per component as in setup.ini. Prints
# "seconds bytes_less_stub max_rss_kib", or nothing without makensis.
run_nsis() {
  command -v makensis > /dev/null || return 0
  local nsi=$work/bench.nsi t0 t1 rss=n/a files
  for files in 0 1; do
    {
      echo 'Unicode true'
      echo 'SetCompressor /SOLID lzma'
      echo "OutFile \"$work/nsis-$files.exe\""
      echo 'InstallDir "$TEMP\nuvex-bench"'
      echo 'RequestExecutionLevel user'
      for dir in bin lib doc gen; do
        echo "Section \"$dir\""
        echo "SetOutPath \"\$INSTDIR\\$dir\""
        if [ $files = 1 ]; then
          echo "File /r \"$corpus/$dir/*\""
        fi
        echo 'SectionEnd'
      done
    } > "$nsi"
    t0=$(now)
    if [ $have_time = 1 ]; then
      /usr/bin/time -v -o "$work/time.txt" makensis -V1 "$nsi" > /dev/null
      rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    else
      makensis -V1 "$nsi" > /dev/null
    fi
    t1=$(now)
  done
  echo "$(elapsed "$t0" "$t1") $(( $(stat -c %s "$work/nsis-1.exe") - $(stat -c %s "$work/nsis-0.exe") )) $rss"
}
read -r nsis_t nsis_s nsis_rss < <(run_nsis) || true

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
pct() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.2f%%", (a / b - 1) * 100 }'; }

printf '\n%-28s %9s %13s %9s %12s\n' "run" "wall s" "bytes" "of input" "max RSS KiB"
printf '%-28s %9s %13s %9s %12s\n' "gzip -9 (per file, 1 proc)" "$gz_t" "$gz_s" "$(ratio "$gz_s" "$corpus_bytes")" "-"
printf '%-28s %9s %13s %9s %12s\n' "gzip -9 (per file, $cores procs)" "$gzp_t" "$gzp_s" "$(ratio "$gzp_s" "$corpus_bytes")" "-"
printf '%-28s %9s %13s %9s %12s\n' "nuvexpack default level" "$def_t" "$def_s" "$(ratio "$def_s" "$corpus_bytes")" "$def_rss"
printf '%-28s %9s %13s %9s %12s\n' "nuvexpack --best" "$best_t" "$best_s" "$(ratio "$best_s" "$corpus_bytes")" "$best_rss"
printf '%-28s %9s %13s %9s %12s\n' "nuvexpack --compression lzma" "$lz_t" "$lz_s" "$(ratio "$lz_s" "$corpus_bytes")" "$lz_rss"
if [ -n "${nsis_s:-}" ]; then
  printf '%-28s %9s %13s %9s %12s\n' "makensis /SOLID lzma" "$nsis_t" "$nsis_s" "$(ratio "$nsis_s" "$corpus_bytes")" "$nsis_rss"
fi

echo
echo "default vs gzip -9: time $(ratio "$def_t" "$gz_t") of gzip's (goal <= 0.25), size $(pct "$def_s" "$gz_s") (goal <= 0)"
echo "best    vs gzip -9: time $(ratio "$best_t" "$gz_t") of gzip's, size $(pct "$best_s" "$gz_s") (goal <= -4%)"
echo "default vs gzip -9 on $cores procs: time $(ratio "$def_t" "$gzp_t")"
if [ -n "${nsis_s:-}" ]; then
  echo "lzma    vs makensis /SOLID lzma: time $(ratio "$lz_t" "$nsis_t") of makensis's (goal <= 1), size $(pct "$lz_s" "$nsis_s") (goal <= 0)"
fi
