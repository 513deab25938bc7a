#!/usr/bin/env bash
# Makes the release in dist/release/: kolm-<version>-windows-x86.zip and -windows-x64.zip,
# the Python wheels kolm-<version>-py3-none-manylinux_2_34_x86_64.whl and -win_amd64.whl
# (python/make_wheel.py, from the same deliverables), the Linux
# archives kolm-<version>-linux-x86_64.tar.gz and -linux-i386.tar.gz, the Debian
# packages kolm_<version>_amd64.deb and kolm_<version>_i386.deb, and SHA256SUMS; checks the
# floor each Linux package claims against its binaries (scripts/check_floor.sh).
# Each comes from CPack in the build directory of its deliverable preset, where
# only the deliverables are built (an existing build directory is reused as it is).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
version=$(sed -n 's/^project(kolm VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=dist/release
rm -rf "$out"
mkdir -p "$out"
for preset in windows-x86 windows-x64 linux-x86_64 linux-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2 --target kolmlpt1 kolmlpt2 kolmsim_plugin kolmctl
  build=build/$preset
  rm -rf "$build/package"
  (cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
  find "$build/package" -maxdepth 1 -type f -name 'kolm*' -exec cp {} "$out"/ \;
done
/usr/bin/python3 python/make_wheel.py linux-x86_64 dist/linux-x86_64 "$out" >/dev/null
/usr/bin/python3 python/make_wheel.py windows-x64 dist/windows-x64 "$out" >/dev/null
# What each Linux package claims to need (Depends, the wheel's tag) against its binaries.
bash scripts/check_floor.sh "$out"/*.deb "$out"/*manylinux*.whl
cd "$out"
for f in "kolm-$version-windows-x86.zip" "kolm-$version-windows-x64.zip" "kolm-$version-linux-x86_64.tar.gz" \
  "kolm-$version-linux-i386.tar.gz" "kolm_${version}_amd64.deb" "kolm_${version}_i386.deb" \
  "kolm-$version-py3-none-manylinux_2_34_x86_64.whl" "kolm-$version-py3-none-win_amd64.whl"; do
  [ -f "$f" ] || { echo "release.sh: $f was not made" >&2; exit 1; }
done
sha256sum kolm* >SHA256SUMS
cat SHA256SUMS
