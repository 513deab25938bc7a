#!/usr/bin/env bash
# The floor each package claims, checked against its binaries (scripts/check_floor.sh):
#   bash tests/release/floor.sh DEB [PLUGIN_FOLDER]
# the .deb as built, and a copy whose Depends claims an older C library and no C++
# runtime (and, for i386, the libgcc_s of GCC 3), which must be refused; with
# PLUGIN_FOLDER (dist/linux-x86_64), the wheel made from it, and a copy tagged for an
# older glibc, which must be refused too.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
deb=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
row() { # row EXPECTED_EXIT PATTERN PACKAGE
  local out code
  out=$(bash "$here/scripts/check_floor.sh" "$3" 2>&1)
  code=$?
  if [ "$code" -eq "$1" ] && grep -qE -- "$2" <<<"$out"; then echo "floor: row ok: $out"
  else echo "floor: row FAILED (exit $code, expected $1 and /$2/): $out"; failed=1; fi
}
row 0 "^floor: ok: .*libc6 >= 2\.3[0-9]" "$deb"
dpkg-deb -R "$deb" "$scratch/deb"
sed -i 's/^Depends: .*/Depends: libc6 (>= 2.17), libgcc-s1 (>= 3)/' "$scratch/deb/DEBIAN/control"
dpkg-deb -b "$scratch/deb" "$scratch/understated.deb" >/dev/null
row 1 "needs libc6 \(>= 2\.3[0-9]\), claims >= 2\.17; (needs libgcc-s1 \(>= 7\), claims >= 3; )?needs libstdc\+\+6 \(>= 1[0-9]\) and does not say so$" \
  "$scratch/understated.deb"
# A package without binaries, and a file that is no package, are not passed.
mkdir -p "$scratch/empty/DEBIAN"
printf 'Package: empty\nVersion: 1\nArchitecture: all\nMaintainer: none\nDescription: none\n' \
  >"$scratch/empty/DEBIAN/control"
dpkg-deb -b "$scratch/empty" "$scratch/empty.deb" >/dev/null
row 1 "empty\.deb: holds no ELF file$" "$scratch/empty.deb"
row 1 "control: neither a \.deb nor a manylinux wheel$" "$scratch/empty/DEBIAN/control"
echo "not an archive" >"$scratch/broken.deb"
row 1 "broken\.deb: cannot unpack$" "$scratch/broken.deb"
if [ $# -ge 2 ]; then
  /usr/bin/python3 "$here/python/make_wheel.py" linux-x86_64 "$2" "$scratch" >/dev/null
  wheel=$(echo "$scratch"/*manylinux_*.whl)
  row 0 "^floor: ok: " "$wheel"
  cp "$wheel" "$scratch/kolm-0-py3-none-manylinux_2_17_x86_64.whl"
  row 1 "needs libc6 \(>= 2\.3[0-9]\), claims >= 2\.17" "$scratch/kolm-0-py3-none-manylinux_2_17_x86_64.whl"
  cp "$wheel" "$scratch/kolm-0-py3-none-manylinux_2_31_x86_64.whl"
  row 1 "no known C\+\+ runtime for glibc 2\.31$" "$scratch/kolm-0-py3-none-manylinux_2_31_x86_64.whl"
fi
exit "$failed"
