# Asks apt what installing would do before anything is installed (sourced by
# scripts/setup.sh and its test): apt-get -s simulates and changes nothing.

# The packages that an apt-get simulation, read on standard input, removes.
removed_in_plan() { awk '$1 == "Remv" { print $2 }' | sort -u; }

# What a package that may conflict with others is for, for the choice offered.
declare -A needed_by=(
  [gcc-multilib]="the i386 builds (preset linux-x86); Debian cannot install it beside the cross compilers gcc-N-<triplet>"
  [g++-multilib]="the i386 builds (preset linux-x86); Debian cannot install it beside the cross compilers g++-N-<triplet>"
  [libreoffice-calc-nogui]="the spreadsheet read-back; a desktop libreoffice-calc does as well"
  [busybox-static]="the system test's RAM disk; busybox does as well"
)

# refuse_removals [APT_OPTION...] PACKAGE...: returns 0 when apt's plan for installing
# the packages removes none; otherwise names on standard error each package that
# would remove others, what it would remove, and the choice, and returns 1.
refuse_removals() {
  local options=() plan p alone
  while [ $# -gt 0 ] && [ "${1#-}" != "$1" ]; do options+=("$1"); shift; done
  plan=$(apt-get -s "${options[@]}" install "$@" 2>&1) || {
    printf '%s\n' "$plan" >&2
    echo "setup: apt has no plan to install $*: nothing was installed" >&2
    return 1
  }
  local removed
  removed=$(removed_in_plan <<<"$plan" | tr '\n' ' ')
  [ -n "$removed" ] || return 0
  echo "setup: installing these packages would remove ${removed% }:" >&2
  for p in "$@"; do
    alone=$removed
    [ $# -eq 1 ] || alone=$(apt-get -s "${options[@]}" install "$p" 2>/dev/null | removed_in_plan | tr '\n' ' ')
    [ -z "$alone" ] || echo "  $p (for ${needed_by[$p]:-the tests}) would remove ${alone% }" >&2
  done
  echo "Nothing was installed or removed. Either remove those packages yourself, if you can do" >&2
  echo "without them, and run setup again; or keep them, and do without what the packages above are for." >&2
  return 1
}
