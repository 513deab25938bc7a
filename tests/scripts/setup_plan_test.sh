#!/usr/bin/env bash
# scripts/setup.sh's look at apt's plan (scripts/apt_plan.sh): a plan that removes a
# package stops it, naming the packages and the choice; one that removes none lets it
# go on. Plans captured from apt-get -s, then apt's own simulation of installing a
# cross compiler where gcc-multilib is installed (Debian removes it for one). Nothing
# is installed or removed. Exits 1 on any failure.
set -uo pipefail
source "$(dirname "$0")/../../scripts/apt_plan.sh"
failed=0
# expect NAME EXIT REGEX PACKAGE...: refuse_removals on the packages.
expect() {
  local name=$1 code=$2 match=$3 out got
  shift 3
  out=$(refuse_removals "$@" 2>&1)
  got=$?
  [ "$got" -eq "$code" ] && grep -qzE -- "$match" <<<"$out" ||
    { failed=1; echo "setup plan: FAILED: $name: exit $got, expected $code and /$match/ in:"; echo "$out"; }
}

# The plans apt would give (captured), answered by a stand-in apt-get.
plan_removing_busybox='NOTE: This is only a simulation!
Remv busybox [1:1.35.0-4+b3]
Inst busybox-static (1:1.35.0-4+b3 Debian:12.15/oldstable [amd64])
Conf busybox-static (1:1.35.0-4+b3 Debian:12.15/oldstable [amd64])'
plan_removing_none='Inst cpio (2.13+dfsg-7.1 Debian:12.15/oldstable [amd64])
Conf cpio (2.13+dfsg-7.1 Debian:12.15/oldstable [amd64])'
apt-get() { printf "%s\n" "$captured"; [ "$captured" != "${captured#E: }" ] && return 100; return 0; }
captured=$plan_removing_busybox
expect "a plan removing busybox" 1 \
  "would remove busybox:.*busybox-static \(for the system test's RAM disk; busybox does as well.*\) would remove busybox.*Nothing was installed or removed" \
  busybox-static
captured=$plan_removing_none
expect "a plan removing nothing" 0 "^[[:space:]]*$" cpio
captured="E: Unable to locate package kolm-nowhere"
expect "no plan" 1 "Unable to locate.*apt has no plan to install kolm-nowhere: nothing was installed" kolm-nowhere
unset -f apt-get

# apt's own plan, where setup has installed gcc-multilib.
if dpkg-query -W -f='${Status}' gcc-multilib 2>/dev/null | grep -q "ok installed"; then
  expect "apt-get -s: a cross compiler beside gcc-multilib" 1 \
    "would remove .*gcc-multilib.*gcc-i686-linux-gnu \(for the tests\) would remove .*gcc-multilib.*Nothing was installed" \
    gcc-i686-linux-gnu
else
  echo "setup plan: apt's own plan not tried: gcc-multilib is not installed"
fi
[ "$failed" -eq 0 ] && echo "setup plan: ok"
