#!/usr/bin/env bash
# Runs a 32-bit Windows program under Wine, for CTest; a 64-bit one (PE32+) runs on
# 64-bit Wine, natively.
#   run-wine32.sh [--native-only] [--system-dll FILE] [--registry KEY NAME DWORD]... PREFIX program.exe [arguments...]
#       run it (exit code passed on); FILE is first copied into the system folder the
#       program sees, and each DWORD value set in the prefix's registry (give such a
#       run a prefix of its own); --native-only skips a 32-bit program rather than run
#       it under qemu-i386, whose Wine loses threads that wait on a condition variable
#       (two of them, woken and joined, crash or hang it at random)
#   run-wine32.sh --stop PREFIX...                     stop the prefixes' wineservers
#
# The prefix is made once (64-bit Wine, which runs natively) and reused. Where the
# kernel cannot execute 32-bit ELF programs (no IA-32 emulation), Wine's 32-bit
# loader runs under qemu-i386 instead:
#   - WINELOADERNOEXEC=1 keeps Wine from re-executing its own loader;
#   - the prefix's syswow64 holds Wine's 32-bit DLLs (the 64-bit wineboot cannot
#     start the 32-bit setup that would put them there);
#   - qemu's guest address space ends at 0x81000000 (-R) and its stack is 8 MB (-s),
#     so the stack lies above Wine's shared user data at 0x7ffe0000 and Wine's
#     reservation of the space above 2 GB fails at once instead of probing it 64 KB
#     at a time (a minute per program otherwise).
# Exit code 77 (CTest: skipped) when this machine cannot run 32-bit Windows programs.
set -uo pipefail

wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
dlls32=/usr/lib/i386-linux-gnu/wine/i386-windows
skip=77

if [ "${1:-}" = "--stop" ]; then
  shift
  for p in "$@"; do
    [ -d "$p" ] && WINEPREFIX="$p" timeout 30 "$wineserver" -k >/dev/null 2>&1
  done
  exit 0
fi

native_only=
if [ "${1:-}" = "--native-only" ]; then
  native_only=1
  shift
fi
system_dll=
if [ "${1:-}" = "--system-dll" ]; then
  system_dll=${2:?file}
  shift 2
fi
registry=()
while [ "${1:-}" = "--registry" ]; do
  registry+=("${2:?key}" "${3:?name}" "${4:?value}")
  shift 4
done
prefix=${1:?prefix}
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" DISPLAY=

# The program's machine, from its PE header: 8664 for x86-64.
machine() {
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$at" ] && od -An -tx2 -j$((at + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}
is64=
[ "$(machine "${1:-}")" = 8664 ] && is64=1

for f in "$wine32" "$wine64" "$dlls32/kernel32.dll"; do
  if [ ! -e "$f" ]; then
    echo "SKIPPED: $f is missing: install wine, wine32:i386 and wine64 (scripts/setup.sh)" >&2
    exit $skip
  fi
done

if [ -n "$is64" ]; then
  run32=("$wine64")
elif "$wine32" --version >/dev/null 2>&1; then
  run32=("$wine32")
elif [ -n "$native_only" ]; then
  echo "SKIPPED: this kernel runs 32-bit programs only under qemu-i386, where this one's threads fail" >&2
  exit $skip
elif command -v qemu-i386 >/dev/null; then
  export WINELOADERNOEXEC=1
  run32=(qemu-i386 -R 0x81000000 -s 0x800000 -L / "$wine32")
else
  echo "SKIPPED: this kernel cannot run 32-bit programs and qemu-i386 is missing (qemu-user)" >&2
  exit $skip
fi

# One prefix per build directory, made once even when tests start together.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -e "$prefix/.kolm-ready" ]; then
    rm -rf "$prefix"
    timeout 300 "$wine64" wineboot -i >/dev/null 2>&1
    wow="$prefix/drive_c/windows/syswow64"
    if [ -d "$wow" ] && [ ! -e "$wow/kernel32.dll" ]; then
      ln -s "$dlls32"/* "$wow"/ 2>/dev/null
    fi
    [ -e "$wow/kernel32.dll" ] && touch "$prefix/.kolm-ready"
  fi
) 9>"$prefix.lock"
if [ ! -e "$prefix/.kolm-ready" ]; then
  echo "SKIPPED: could not make a Wine prefix in $prefix" >&2
  exit $skip
fi

if [ -n "$system_dll" ]; then
  # What GetSystemDirectory names for a 32-bit program: syswow64 in a 64-bit prefix.
  system="$prefix/drive_c/windows/syswow64"
  [ -d "$system" ] && [ -z "$is64" ] || system="$prefix/drive_c/windows/system32"
  cp "$system_dll" "$system/" || exit 1
fi

for ((k = 0; k < ${#registry[@]}; k += 3)); do
  timeout 120 "$wine64" reg add "${registry[k]}" /v "${registry[k + 1]}" /t REG_DWORD /d "${registry[k + 2]}" /f \
    >/dev/null 2>&1 || { echo "run-wine32.sh: cannot set ${registry[k]}\\${registry[k + 1]}" >&2; exit 1; }
done

timeout 600 "${run32[@]}" "$@"
