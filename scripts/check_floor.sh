#!/usr/bin/env bash
# Checks that each package claims the systems its binaries need, no older:
#   bash scripts/check_floor.sh PACKAGE...      (.deb files and Linux .whl files)
# Reads the symbol versions that every ELF file of the package needs (readelf -V) from
# the C library (GLIBC_x.y), the C++ runtime (GLIBCXX_3.4.n, CXXABI_1.3.n) and libgcc_s
# (GCC_x.y), and compares the newest of each with what the package claims: a .deb's
# Depends (libc6, libstdc++6, libgcc-s1 (>= version)), a wheel's manylinux_X_Y tag (glibc
# X.Y, and the C++ runtime of the oldest system that tag stands for). One line per
# package; exits 1 when any claims less than its binaries need, or cannot be read.
set -uo pipefail
failed=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The GCC release whose libstdc++ first had each symbol version (GCC's ABI history).
gcc_of() {
  case $1 in
    GLIBCXX_3.4.19 | GLIBCXX_3.4.20) echo 4.8 ;; GLIBCXX_3.4.21 | CXXABI_1.3.9) echo 5 ;;
    GLIBCXX_3.4.22 | CXXABI_1.3.10) echo 6 ;; GLIBCXX_3.4.23 | CXXABI_1.3.11) echo 7 ;;
    GLIBCXX_3.4.24) echo 7.2 ;; GLIBCXX_3.4.25) echo 8 ;; GLIBCXX_3.4.26 | CXXABI_1.3.12) echo 9 ;;
    GLIBCXX_3.4.27) echo 9.2 ;; GLIBCXX_3.4.28) echo 9.3 ;; GLIBCXX_3.4.29 | CXXABI_1.3.13) echo 11 ;;
    GLIBCXX_3.4.30) echo 12 ;; GLIBCXX_3.4.31 | CXXABI_1.3.14) echo 13 ;; GLIBCXX_3.4.32) echo 13.2 ;;
    GLIBCXX_3.4.33 | CXXABI_1.3.15) echo 14 ;;
    GLIBCXX_3.4 | GLIBCXX_3.4.[0-9] | GLIBCXX_3.4.1[0-8] | CXXABI_1.3 | CXXABI_1.3.[1-8]) echo 4 ;;
    GCC_*) sed 's/\(\.0\)*$//' <<<"${1#GCC_}" ;; # GCC_7.0.0: GCC 7
    *) return 1 ;;
  esac
}
# The C++ runtime of the oldest system of a manylinux tag's glibc: the tag's reference
# distribution (manylinux_2_28: AlmaLinux 8, GCC 8; manylinux_2_34: AlmaLinux 9, GCC 11).
gcc_of_glibc() {
  case $1 in 2.17) echo 4.8 ;; 2.28) echo 8 ;; 2.34) echo 11 ;; *) return 1 ;; esac
}
newer() { dpkg --compare-versions "$1" gt "$2"; }

# "package version" lines: the newest version each ELF file under $1 needs, by package.
needs() {
  find "$1" -type f -print0 | while IFS= read -r -d '' f; do
    [ "$(head -c 4 "$f" | od -An -c | tr -d ' ')" = 177ELF ] || continue
    readelf -V -W "$f" | awk '$4 == "File:" {lib = $5} $2 == "Name:" && lib != "" {print lib, $3}'
  done | while read -r lib name; do
    case $lib in
      libc.so.* | libm.so.* | libdl.so.* | libpthread.so.* | librt.so.* | ld-linux*) echo "libc6 ${name#GLIBC_}" ;;
      libstdc++.so.*) echo "libstdc++6 $(gcc_of "$name" || echo "unknown:$name")" ;;
      libgcc_s.so.*) echo "libgcc-s1 $(gcc_of "$name")" ;;
      *) echo "$lib unknown:$name" ;;
    esac
  done | sort -u
}

for package in "$@"; do
  name=$(basename "$package")
  root=$scratch/$name
  claims=()
  case $name in
    *.deb)
      dpkg-deb -x "$package" "$root" || { echo "floor: FAILED: $name: cannot unpack"; failed=1; continue; }
      # "libc6 (>= 2.34), libstdc++6 (>= 11)" as "libc6 2.34" lines.
      mapfile -t claims < <(dpkg-deb -f "$package" Depends | tr ',' '\n' |
        sed -n 's/^ *\([a-z0-9.+-]*\) *(>= *\([^)]*\)).*/\1 \2/p')
      ;;
    *manylinux_*.whl)
      glibc=$(sed -n 's/.*manylinux_\([0-9]*\)_\([0-9]*\)_.*/\1.\2/p' <<<"$name")
      /usr/bin/python3 -m zipfile -e "$package" "$root" || { echo "floor: FAILED: $name: cannot unpack"; failed=1; continue; }
      cxx=$(gcc_of_glibc "$glibc") || { echo "floor: FAILED: $name: no known C++ runtime for glibc $glibc"; failed=1; continue; }
      claims=("libc6 $glibc" "libstdc++6 $cxx" "libgcc-s1 $cxx")
      ;;
    *) echo "floor: FAILED: $name: neither a .deb nor a manylinux wheel"; failed=1; continue ;;
  esac
  problems=()
  said=()
  mapfile -t newest < <(needs "$root" | sort -k1,1 -k2,2V | awk '{n[$1] = $2} END {for (p in n) print p, n[p]}' | sort)
  [ "${#newest[@]}" -gt 0 ] || problems+=("holds no ELF file")
  for line in "${newest[@]}"; do
    read -r pkg version <<<"$line"
    said+=("$pkg >= $version")
    claimed=$(printf '%s\n' "${claims[@]}" | awk -v p="$pkg" '$1 == p {print $2}')
    if [[ $version == unknown:* ]]; then problems+=("needs ${version#unknown:} from $pkg, unknown to this check")
    elif [ -z "$claimed" ]; then problems+=("needs $pkg (>= $version) and does not say so")
    elif newer "$version" "$claimed"; then problems+=("needs $pkg (>= $version), claims >= $claimed")
    fi
  done
  if [ "${#problems[@]}" -eq 0 ]; then echo "floor: ok: $name: needs $(IFS=,; echo "${said[*]}" | sed 's/,/, /g')"
  else
    echo "floor: FAILED: $name: $(IFS=';'; echo "${problems[*]}" | sed 's/;/; /g')"
    failed=1
  fi
done
exit "$failed"
