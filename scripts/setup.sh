#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine (as root,
# or with sudo). Packages already present are left alone.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev binutils libbenchmark-dev valgrind gcc-multilib g++-multilib qemu-user g++-mingw-w64-i686)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
