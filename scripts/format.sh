#!/usr/bin/env bash
# Formats the project's C/C++ files with .clang-format (clang-format-14).
# Usage: bash scripts/format.sh [--check] [FILE...]
#   --check  change nothing; list the files that differ and fail if there are any.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.c' '*.cpp' '*.h' |
    grep -E '^(port|plugin|access|sim|tools|tests|fuzz|bench)/' | sort -u)
fi
if [ "$check" -eq 0 ]; then
  clang-format-14 -i "${files[@]}"
  exit 0
fi
differ=()
for f in "${files[@]}"; do
  clang-format-14 --dry-run --Werror "$f" >/dev/null 2>&1 || differ+=("$f")
done
if [ ${#differ[@]} -gt 0 ]; then
  printf 'format: differs from .clang-format: %s\n' "${differ[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format lays them out"
