#!/usr/bin/env bash
# Prints the longest functions of Nuvex's own C/C++ (third_party and the tests left out),
# longest first, as "LINES FILE:FIRST-LAST NAME", and the line count of each FILE given as
# an argument. Lambdas count as part of the function that holds them. Needs universal-ctags.
#   bench/function-lengths.sh [-n COUNT] [FILE...]
set -euo pipefail
cd "$(dirname "$0")/.."

if ! ctags --version 2>/dev/null | grep -q 'Universal Ctags'; then
  echo "function-lengths: needs Universal Ctags (Debian package universal-ctags)" >&2
  exit 1
fi

count=5
if [[ ${1:-} == -n ]]; then
  count=$2
  shift 2
fi

git ls-files -- '*.c' '*.cpp' '*.h' ':!third_party' ':!tests' |
  ctags -L - -x --_xformat='%{input} %n %{end} %N' --fields=+ne --kinds-C++=f --kinds-C=f \
    --language-force=C++ |
  awk '$4 !~ /^__anon/ && $3 >= $2 { printf "%d %s:%d-%d %s\n", $3 - $2 + 1, $1, $2, $3, $4 }' |
  sort -k1,1nr -k2,2 | sed -n "1,${count}p"  # reads all, so that sort never meets a closed pipe

for file in "$@"; do
  printf '%s: %d lines\n' "$file" "$(wc -l <"$file")"
done
