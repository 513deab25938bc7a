#!/usr/bin/env bash
# The arrows between the project's folders run one way: each folder may include
# headers of its own and of the folders listed for it below, never of a folder
# above it. kolmctl's layers from the bottom: readers, side, session, discovery,
# cli. Every include line of the folders' files ("..." or <...>, indented or not,
# `# include`) is resolved as the compiler resolves it: from the including file's
# folder for "...", then along the include folders of that file's compile commands
# (build/lint/compile_commands.json, as CMake writes them; a file this build does not
# compile, such as a Windows one, gets the include folders of its folder's other
# files, and so does a header). The header found must lie in an allowed folder; a
# project header that is not found, an include of a file outside the folders, and
# a source in a folder not listed fail the check.
#   bash scripts/check_layers.sh              check the tree
#   bash scripts/check_layers.sh --self-test  also plant upward includes in a copy of
#                                             the tree and check that each is found
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

k=tools/kolmctl
declare -A may=(
  [regcall]="regcall"
  [third_party/cpp-httplib]="third_party/cpp-httplib"
  [sim]="sim"
  [access]="access sim"
  [port]="port access"
  [plugin]="plugin port access"
  [$k/readers]="$k/readers access"
  [$k/side]="$k/side $k/readers regcall"
  [$k/session]="$k/session $k/side $k/readers"
  [$k/discovery]="$k/discovery $k/readers plugin access"
  [$k/cli]="$k/cli $k/session $k/side $k/discovery $k/readers plugin third_party/cpp-httplib"
)
tops=(port plugin access sim regcall tools)
includeLine='^[[:space:]]*#[[:space:]]*include(_next)?[[:space:]]*(["<])([^">]+)[">]'
sources='.*\.\(h\|hh\|hpp\|inc\|ipp\|c\|cc\|cpp\|cxx\|S\|s\)'

db=build/lint/compile_commands.json
cmake --preset lint >/dev/null  # the compile commands as the CMake files give them now

# normal PATH: PATH with "." and ".." taken out (no file system access).
normal() {
  local part out=() IFS=/
  for part in $1; do
    case $part in
      '' | .) ;;
      ..) [ ${#out[@]} -gt 0 ] && unset 'out[${#out[@]}-1]' ;;
      *) out+=("$part") ;;
    esac
  done
  REPLY="/${out[*]}"
}

# folderOf REL: the listed folder that holds the project file REL, or nothing.
folderOf() {
  local dir=${1%/*}
  REPLY=
  while [ "$dir" != "$1" ] && [ -n "$dir" ]; do
    if [ -n "${may[$dir]:-}" ]; then REPLY=$dir; return; fi
    [[ $dir == */* ]] || return 0
    dir=${dir%/*}
  done
}

# collect TREE: every include line of the listed folders' files under TREE, checked
# against the compile commands (whose paths, written for $root, are moved to TREE).
# Prints one line per problem; returns how many there were in $problems.
problems=0
collect() {
  local tree=$1 file rel folder dirs line form name found dir owner entry
  local -A paths=() folderPaths=() projectHeader=()

  # file<TAB>include folders, one line per compile command.
  while IFS=$'\t' read -r file dirs; do
    file=${file/#$root\//$tree/}
    dirs=${dirs//$root\//$tree/}
    # Generated headers stay in the real build folder.
    dirs=${dirs//$tree\/build\//$root/build/}
    rel=${file#"$tree"/}
    paths[$rel]+="$dirs"$'\n'
    folderOf "$rel"
    [ -n "$REPLY" ] && [[ ${folderPaths[$REPLY]:-} != *"$dirs"$'\n'* ]] && folderPaths[$REPLY]+="$dirs"$'\n'
  done < <(grep -oE '"(command|file)": "([^"\\]|\\.)*"' "$db" | sed -E 's/^"(command|file)": "(.*)"$/\1 \2/' |
    awk '$1 == "command" { dirs = ""
           for (i = 2; i <= NF; i++) {
             if ($i ~ /^-(I|iquote|isystem)$/) { dirs = dirs " " $(i + 1); i++ }
             else if ($i ~ /^-I./) dirs = dirs " " substr($i, 3)
           } }
         $1 == "file" { print $2 "\t" substr(dirs, 2) }')

  for rel in $(cd "$tree" && find "${tops[@]}" -type f -regex "$sources" -name '*.h*' 2>/dev/null); do
    projectHeader[${rel##*/}]=1
  done

  while IFS= read -r rel; do
    file=$tree/$rel
    folderOf "$rel"
    folder=$REPLY
    if [ -z "$folder" ]; then
      echo "$rel is in no folder the layering check knows (scripts/check_layers.sh)"
      problems=$((problems + 1))
      continue
    fi
    entry=${paths[$rel]:-${folderPaths[$folder]:-$'\n'}}
    while IFS= read -r line; do
      if ! [[ $line =~ $includeLine ]]; then
        echo "$rel: an include the check cannot resolve: $line"
        problems=$((problems + 1))
        continue
      fi
      form=${BASH_REMATCH[2]} name=${BASH_REMATCH[3]}
      while IFS= read -r dirs; do
        found=
        [ "$form" = '"' ] && [ -f "${file%/*}/$name" ] && found=${file%/*}/$name
        if [ -z "$found" ]; then
          for dir in $dirs; do
            if [ -f "$dir/$name" ]; then found=$dir/$name; break; fi
          done
        fi
        if [ -z "$found" ]; then
          # A system header, unless the name is one of the project's or climbs out.
          if [ "$form" = '"' ] || [ -n "${projectHeader[${name##*/}]:-}" ] || [[ $name == *..* ]]; then
            echo "$rel includes $name, which is on none of $folder/'s include folders"
            problems=$((problems + 1))
          fi
          break
        fi
        normal "$found"
        found=$REPLY
        # The system's, or generated in build/.
        [[ $found == "$tree"/* && $found != "$root"/build/* ]] || continue
        folderOf "${found#"$tree"/}"
        owner=$REPLY
        if [ -z "$owner" ] || [[ " ${may[$folder]} " != *" $owner "* ]]; then
          echo "$rel includes $name from ${owner:-${found#"$tree"/}}, which $folder/ may not use"
          problems=$((problems + 1))
          break
        fi
      done <<<"${entry%$'\n'}"
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file" || true)
  done < <(cd "$tree" && find "${tops[@]}" -type f -regex "$sources" | sort)
  return 0
}

collect "$root" >&2

if [ "${1:-}" = "--self-test" ]; then
  # Upward includes in each form, planted in a copy of the tree: each must be found.
  copy=$(mktemp -d)
  trap 'rm -rf "$copy"' EXIT
  (cd "$root" && cp -r "${tops[@]}" "$copy")
  declare -A planted=(
    [$k/readers/signature.cpp]='#include <../session/error.h>'
    [$k/side/side.cpp]='    #include "../cli/commands.h"'
    [$k/session/plugin.cpp]='# include "machine_ports.h"'
    [port/kolmunit.cpp]='#  include <startup.h>'
    [sim/signals.cpp]='#include "../access/port_access.h"'
  )
  for file in "${!planted[@]}"; do printf '%s\n' "${planted[$file]}" >>"$copy/$file"; done
  before=$problems
  problems=0
  found=$(collect "$copy"; echo "count $problems")
  missing=0
  for file in "${!planted[@]}"; do
    if ! grep -q "^$file " <<<"$found"; then
      echo "layers: the self-test's upward include in $file was not found" >&2
      missing=1
    fi
  done
  if [ "$missing" -ne 0 ] || [ "$(tail -1 <<<"$found")" != "count ${#planted[@]}" ]; then
    printf '%s\n' "$found" >&2
    echo "layers: the self-test's ${#planted[@]} upward includes were not each found once" >&2
    exit 1
  fi
  problems=$before
fi
if [ "$problems" -gt 0 ]; then
  echo "layers: $problems include(s) against the direction of the layers" >&2
  exit 1
fi
echo "layers: every include runs downward"
