#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine (as root,
# or with sudo). Packages already present are left alone, and none is ever removed:
# apt's plan is asked for first, and where it would remove a package, setup stops
# before installing anything and names the packages and the choice. For good, it adds
# the i386 architecture to dpkg (for Wine's 32-bit loader).
set -euo pipefail
source "$(dirname "$0")/apt_plan.sh"

packages=(cmake ninja-build g++ libgtest-dev binutils)
# Linux deliverables: i386 builds with the multilib compilers, GoogleTest from its
# packaged sources, i386 tests run under user-mode emulation.
packages+=(gcc-multilib g++-multilib googletest qemu-user)
# Fuzzing and static analysis (scripts/fuzz.sh, scripts/lint.sh, scripts/format.sh).
packages+=(clang-14 libclang-rt-14-dev clang-tidy-14 clang-format-14 cppcheck)
# Windows DLLs: the MinGW cross compiler, and Wine (32-bit loader from i386 multiarch;
# qemu-i386 runs it where the kernel cannot run 32-bit programs). Never i386 compilers
# or binutils: apt would remove the native ones.
packages+=(g++-mingw-w64-i686 wine wine64 wine32:i386)
# 64-bit Windows DLLs (run by wine64 natively), and the Python package's tests and
# examples with Debian's python3 (pytest, venv for the wheel; numpy, matplotlib and pandas
# are the optional libraries a user may have).
packages+=(g++-mingw-w64-x86-64 python3-pytest python3-venv python3-numpy python3-matplotlib python3-pandas)
# Release packages (scripts/release.sh): the Debian package checker.
packages+=(lintian)
# kolmctl's benchmarks and instruction counts.
packages+=(libbenchmark-dev valgrind)
# The install test's proof that it asks for no port without its stand-in driver.
packages+=(strace)
# kolmctl serve: its HTTP server is in third_party/ (one header, no package); std::thread
# on Windows needs MinGW's POSIX threads model (the -posix compilers the toolchain files
# name); its API is tested with curl.
packages+=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix curl)

# Installed without their recommends (a GUI among them):
# - the system test (tests/system/run.sh): Debian's kernel under full-system emulation,
#   with busybox and cpio for its RAM disk; the kernel package itself is only
#   downloaded, by the test;
# - kolmctl's files read back as people open them: the CSV by LibreOffice's spreadsheet
#   (headless), the SVG chart by librsvg.
# - kolmctl serve's page in a real browser: Debian's chromium, headless, driven by
#   selenium through chromium-driver.
lean_packages=(qemu-system-x86 busybox-static cpio libreoffice-calc-nogui librsvg2-bin)
lean_packages+=(chromium chromium-driver python3-selenium)
# npm installs the page's chart library (below): Debian's, unless the machine has one.
command -v npm >/dev/null || packages+=(nodejs npm)

# Installed alternatives that the tests take as they are: a desktop LibreOffice reads
# the CSV back headless as well; the system test copies busybox's libraries with it.
declare -A taken_instead=([libreoffice-calc-nogui]=libreoffice-calc [busybox-static]=busybox)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"; }
missing=()
missing_lean=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
for p in "${lean_packages[@]}"; do
  installed "$p" || { [ -n "${taken_instead[$p]:-}" ] && installed "${taken_instead[$p]}"; } || missing_lean+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ ${#missing_lean[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  # Both plans asked for before either is carried out; --no-remove in case apt's
  # answer changes in between.
  [ ${#missing[@]} -eq 0 ] || refuse_removals "${missing[@]}" || exit 1
  [ ${#missing_lean[@]} -eq 0 ] || refuse_removals --no-install-recommends "${missing_lean[@]}" || exit 1
  [ ${#missing[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-remove "${missing[@]}"
  [ ${#missing_lean[@]} -eq 0 ] ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-remove --no-install-recommends "${missing_lean[@]}"
fi

# The page's chart library, at the version its lock file pins, into the source tree
# (tools/kolmctl/page/node_modules, which the build reads): once per lock file, so that
# the builds and later runs of this script need no network.
page=$(cd "$(dirname "$0")/../tools/kolmctl/page" && pwd)
if ! cmp -s "$page/package-lock.json" "$page/node_modules/.installed-lock.json"; then
  npm ci --prefix "$page" --no-audit --no-fund --loglevel=error
  cp "$page/package-lock.json" "$page/node_modules/.installed-lock.json"
fi
