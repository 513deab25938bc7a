#!/usr/bin/env bash
# The arrows between the project's folders run one way: each folder may include
# headers of its own and of the folders listed for it below, never of a folder
# above it. kolmctl's layers from the bottom: readers, side, session, discovery,
# cli. Each #include "..." of the folders' sources is looked up by name among the
# headers of all of them; a header of a folder not listed fails the check.
#   bash scripts/check_layers.sh              check the tree
#   bash scripts/check_layers.sh --self-test  also check that an upward include is found
set -euo pipefail
cd "$(dirname "$0")/.."

k=tools/kolmctl
declare -A may=(
  [regcall]="regcall"
  [sim]="sim"
  [access]="access sim"
  [port]="port access"
  [plugin]="plugin port access"
  [$k/readers]="$k/readers access"
  [$k/side]="$k/side $k/readers regcall"
  [$k/session]="$k/session $k/side $k/readers"
  [$k/discovery]="$k/discovery $k/readers plugin access"
  [$k/cli]="$k/cli $k/session $k/side $k/discovery $k/readers plugin"
)

# Which folder each header lives in.
declare -A home=()
for folder in "${!may[@]}"; do
  for header in "$folder"/*.h; do home[$(basename "$header")]=$folder; done
done

# check FILE FOLDER LINES...: every include among LINES must be allowed to FOLDER.
problems=0
check() {
  local file=$1 folder=$2 line name owner
  shift 2
  for line in "$@"; do
    [[ $line =~ ^#include\ \"([^\"]+)\" ]] || continue
    name=${BASH_REMATCH[1]}
    owner=${home[$(basename "$name")]:-}
    [ -z "$owner" ] && continue  # a generated header (kolm_version.h)
    if [[ " ${may[$folder]} " != *" $owner "* ]]; then
      echo "$file includes $name from $owner/, which $folder/ may not use" >&2
      problems=$((problems + 1))
    fi
  done
}

checkTree() {
  local folder file
  for folder in "${!may[@]}"; do
    for file in "$folder"/*.h "$folder"/*.cpp "$folder"/*.S; do
      [ -e "$file" ] || continue
      mapfile -t lines < <(grep -E '^#include "' "$file" || true)
      check "$file" "$folder" "${lines[@]}"
    done
  done
}

checkTree
if [ "${1:-}" = "--self-test" ]; then
  # A reader that used the command line's header is what the check is there to find.
  before=$problems
  check "$k/readers/signature.cpp" "$k/readers" '#include "commands.h"' 2>/dev/null
  check "plugin/relays.cpp" "plugin" '#include "plugin.h"' 2>/dev/null
  if [ $((problems - before)) -ne 2 ]; then
    echo "layers: the self-test's two upward includes were not both found" >&2
    exit 1
  fi
  problems=$before
fi
if [ "$problems" -gt 0 ]; then
  echo "layers: $problems include(s) against the direction of the layers" >&2
  exit 1
fi
echo "layers: every include runs downward"
