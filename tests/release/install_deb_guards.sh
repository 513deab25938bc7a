#!/usr/bin/env bash
# What tests/release/install_deb.sh does where it must not go on:
#   bash tests/release/install_deb_guards.sh DEB STAND_IN_DRIVER
# - without a stand-in driver that answers (none given; a library that is not it), it
#   refuses before installing anything, and no process of it asks for a port
#   (strace -f counts ioperm and iopl, answering each with EPERM);
# - a run under way is left to itself (skipped);
# - a run killed after dpkg -i (SIGKILL as it writes its port file) is taken back by
#   the next run, which then passes; nothing is left installed.
# As root on a machine without kolm (else skipped, exit 77). Exits 1 on any failure.
set -uo pipefail
deb=$1
stand_in=$2
script=$(dirname "$0")/install_deb.sh
failed=0
fail() { failed=1; echo "install guards: FAILED: $1"; }
kolm_present() { case $(dpkg-query -W -f='${db:Status-Status}' kolm 2>/dev/null) in "" | not-installed) return 1 ;; esac; }
[ "$(id -u)" -eq 0 ] || { echo "install guards: skipped: dpkg -i needs root"; exit 77; }
command -v strace >/dev/null || { echo "install guards: skipped: no strace (bash scripts/setup.sh)"; exit 77; }
plugins=$(dpkg -c "$deb" | awk '$6 ~ /\/kolmlpt1\.so$/ {sub(/^\./, "", $6); print $6}' | xargs dirname)
! kolm_present && [ ! -e "$plugins/kolmlpt2.ini" ] ||
  { echo "install guards: skipped: kolm is installed on this machine"; exit 77; }
trace=$(mktemp)
# The runs' record of what they changed, here rather than in /var/tmp.
export KOLM_INSTALL_STATE=$trace.state
# Should a guard fail, the package it let in goes again.
trap 'rm -f "$trace" "$KOLM_INSTALL_STATE"; rm -f "$plugins/kolmlpt2.ini"; if kolm_present; then dpkg --purge kolm >/dev/null; fi' EXIT

# name | driver argument
while IFS='|' read -r name driver; do
  out=$(strace -f -qq -o "$trace" -e trace=ioperm,iopl -e inject=ioperm,iopl:error=EPERM \
    bash "$script" "$deb" $driver 2>&1)
  code=$?
  asked=$(grep -c 'io\(perm\|pl\)(' "$trace")
  grep -q "install: refused: .*nothing was installed" <<<"$out" && [ "$code" -eq 1 ] && [ "$asked" -eq 0 ] &&
    ! kolm_present || fail "$name: exit $code, $asked port requests, kolm $(kolm_present && echo left installed): $out"
done <<EOF
no stand-in driver|
no file where the driver is named|/nonexistent/libfake_parport.so
a library that is not the stand-in|/lib/x86_64-linux-gnu/libm.so.6
EOF

# A run under way (its state file locked, as a run holds it) is left to itself.
exec 9>"$KOLM_INSTALL_STATE"
flock 9
out=$(bash "$script" "$deb" "$stand_in" 2>&1)
code=$?
exec 9>&-
rm -f "$KOLM_INSTALL_STATE"
[ "$code" -eq 77 ] && grep -q "another run is under way" <<<"$out" || fail "a run under way: exit $code: $out"

{ strace -o /dev/null -P "$plugins/kolmlpt2.ini" -e trace=openat -e inject=openat:signal=KILL \
  bash "$script" "$deb" "$stand_in"; } >/dev/null 2>&1
kolm_present || fail "the killed run: kolm not installed, so nothing to take back"
out=$(bash "$script" "$deb" "$stand_in" 2>&1) ||
  fail "the run after a killed one: $out"
grep -q "^install: taking back what a run killed earlier left" <<<"$out" || fail "the run after a killed one took nothing back: $out"
! kolm_present && [ ! -e "$KOLM_INSTALL_STATE" ] || fail "left behind: kolm or its state"
[ "$failed" -eq 0 ] && echo "install guards: ok"
