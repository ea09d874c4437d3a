#!/usr/bin/env bash
# Checks that the project's own C and C++ sources are formatted as .clang-format says.
# third_party/ keeps its upstream layout. `check-format.sh --fix` rewrites the files instead.
set -euo pipefail
source "$(dirname "$0")/env.sh"

cd "$NUVEX_ROOT"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h' ':!third_party/**')
else
  mapfile -t files < <(find core installer tools tests bench examples \
    \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)
fi

if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "check-format: the files above differ from .clang-format; scripts/check-format.sh --fix" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted as .clang-format says"
