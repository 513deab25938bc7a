#!/usr/bin/env bash
# Static analysis of the project's own code with the compile commands of the `lint`
# preset (clang-14; plug-in, bench, tools, tests and fuzzer): clang-tidy with
# .clang-tidy and cppcheck with .cppcheck-suppressions. Any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset lint >/dev/null
db=build/lint/compile_commands.json
root=$(pwd)

# Each source once (both variants compile the same files), our folders only.
mapfile -t files < <(grep -o '"file": *"[^"]*"' "$db" | sed 's/.*"\([^"]*\)"$/\1/' |
  sed "s|^$root/||" | grep -E '^(port|plugin|access|sim|tools|tests|fuzz|bench)/' | sort -u)

log=build/lint/clang-tidy.log
if printf '%s\n' "${files[@]}" | xargs -P2 -n2 clang-tidy-14 -p build/lint --quiet >"$log" 2>&1; then
  echo "clang-tidy: ${#files[@]} files clean"
else
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated|^Suppressed|^Use -header-filter|^Error while processing' "$log" >&2 || true
  echo "clang-tidy: findings above" >&2
  exit 1
fi

cppcheck --project="$db" --std=c++20 --enable=warning,style,performance,portability \
  --inline-suppr --suppressions-list=.cppcheck-suppressions --error-exitcode=1 --quiet -j2 \
  --template='{file}:{line}: {severity}: {message} [{id}]' -i"$root/build"
echo "cppcheck: clean"

# The folders' includes run one way (scripts/check_layers.sh).
bash scripts/check_layers.sh --self-test

# Layout as .clang-format gives it (bash scripts/format.sh lays the files out).
bash scripts/format.sh --check
