#!/usr/bin/env bash
# The Linux deliverables on a real kernel. Boots Debian's kernel (its package fetched
# with apt and unpacked, never installed) under qemu-system-x86_64 with two ISA
# parallel ports, 0x378 and 0x278, whose register accesses reach a box of the
# simulated bench each: the emulator opens /proc/self/fake_parport/parport0 and
# .../parport1, which only the stand-in parport driver preloaded into it serves (where
# the preload is not in effect, the emulator finds no such file and stops: it never
# reaches a real port). Inside, the kernel's parport_pc
# drives the ports and tests/system/real_kernel_test.cpp runs on the x86-64 and i386
# builds in dist/ (init.sh). Ends with "N passed, N failed"; exits 1 on any failure.
# (The package installed for real is tests/release/install_deb.sh, a test of the
# linux-x86_64 preset.)
# Needs the linux-x86_64 and linux-x86 presets built; scripts/setup.sh installs the rest.
# Writes only in build/system; an emulator that a run killed earlier left running is
# stopped first (its pid is in build/system/qemu.pid).
set -euo pipefail
cd "$(dirname "$0")/../.."
work=build/system
stand_in=$PWD/build/linux-x86_64/lib/libfake_parport.so
boxes=0x378:709:179,0x278:489:826  # each box's base and the counts its two inputs hold
passed=0
failed=0
skipped=0

pass() { passed=$((passed + 1)); echo "system: ok: $1"; }
fail() { failed=$((failed + 1)); echo "system: FAILED: $1"; }
skip() { skipped=$((skipped + 1)); echo "system: skipped: $1"; }
summary() {
  echo "system: $passed passed, $failed failed, $skipped skipped"
  [ "$failed" -eq 0 ]
}

for f in dist/linux-x86_64/kolmctl dist/linux-x86/kolmctl build/linux-x86_64/bin/kolm_system_tests \
  build/linux-x86/bin/kolm_system_tests build/linux-x86_64/lib/libfake_parport.so; do
  [ -f "$f" ] || { echo "system: $f is missing: build the presets linux-x86_64 and linux-x86 first" >&2; exit 1; }
done

# An emulator left running by a run killed earlier: stopped by its recorded pid.
if earlier=$(cat "$work/qemu.pid" 2>/dev/null) && [ "$(cat "/proc/$earlier/comm" 2>/dev/null)" = qemu-system-x86 ]; then
  echo "system: stopping the emulator (process $earlier) that a run killed earlier left running"
  kill "$earlier"
fi
rm -f "$work/qemu.pid"
# Before the kernel is fetched: the stand-in answers its handshake (QEMU's own process
# checks it again, below).
bash tests/linux/with_stand_in.sh "$stand_in" true || { echo "system: refused" >&2; exit 1; }

# Debian's kernel: the package that linux-image-amd64 depends on, kept unpacked in
# $work/kernel/<package>/ between runs; only the kernel and three modules are kept.
# Sets $kernel to that folder.
kernel_package() { apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-.*\)$/\1/p' | head -1; }
download() { [ -n "$package" ] && (cd "$work/kernel" && apt-get download -qq -o APT::Sandbox::User=root "$package"); }
fetch_kernel() {
  package=$(kernel_package)
  kernel=$work/kernel/$package
  if [ -z "$package" ] || [ ! -f "$kernel/vmlinuz" ]; then
    rm -rf "$work/kernel"
    mkdir -p "$work/kernel"
    if ! download && [ "$(id -u)" -eq 0 ]; then  # package lists missing or out of date
      apt-get update -qq
      package=$(kernel_package)
      download || true
    fi
    ls "$work"/kernel/*.deb >/dev/null 2>&1 || { echo "system: apt cannot fetch the kernel package" >&2; exit 1; }
    kernel=$work/kernel/$package
    # Complete or absent: kept under its name only once every file is in place.
    mkdir -p "$kernel.new/modules"
    dpkg -x "$work"/kernel/"$package"_*.deb "$work/kernel/unpacked"
    cp "$work"/kernel/unpacked/boot/vmlinuz-* "$kernel.new/vmlinuz"
    find "$work/kernel/unpacked/lib/modules" \( -name parport.ko -o -name parport_pc.ko -o -name ppdev.ko \) \
      -exec cp {} "$kernel.new/modules/" \;
    mv "$kernel.new" "$kernel"
    rm -rf "$work/kernel/unpacked" "$work"/kernel/*.deb
  fi
}

# copy_libraries GUEST_DIR HOST_DIR... FILE...: every library the files need, found in
# the host folders, copied into the guest folder of $root, until nothing is missing.
copy_libraries() {
  local into=$1 found lib dir
  shift
  local dirs=() files=()
  while [ $# -gt 0 ] && [ -d "$1" ]; do dirs+=("$1"); shift; done
  files=("$@")
  while [ ${#files[@]} -gt 0 ]; do
    mapfile -t needed < <(objdump -p "${files[@]}" | awk '/NEEDED/ {print $2}' | sort -u)
    files=()
    for lib in "${needed[@]}"; do
      [ -e "$root/$into/$lib" ] && continue
      found=""
      for dir in "${dirs[@]}"; do [ -e "$dir/$lib" ] && { found=$dir/$lib; break; }; done
      [ -n "$found" ] || { echo "system: no $lib for the guest" >&2; exit 1; }
      cp -L "$found" "$root/$into/$lib"
      files+=("$root/$into/$lib")
    done
  done
}

# The initial RAM file system: busybox, init.sh, the modules, and for each build its
# plug-ins, kolmctl, the real-kernel host and the stand-in driver, with the shared
# libraries they (and a busybox that is not the static one) need taken from this machine.
make_initramfs() {
  root=$work/root
  rm -rf "$root"
  mkdir -p "$root"/{bin,dev,proc,sys,tmp,lib64,lib/x86_64-linux-gnu,usr/lib32}
  cp "$(command -v busybox)" "$root/bin/busybox"
  cp tests/system/init.sh "$root/init"
  chmod 755 "$root/init"
  cp -r "$kernel/modules" "$root/modules"
  cp -L /lib64/ld-linux-x86-64.so.2 "$root/lib64/"
  cp -L /lib/ld-linux.so.2 "$root/lib/"
  for build in x86_64 x86; do
    mkdir -p "$root/kolm/$build"
    cp dist/linux-$build/{kolmlpt1.so,kolmlpt2.so,kolmctl} build/linux-$build/bin/kolm_system_tests \
      build/linux-$build/lib/libfake_parport.so "$root/kolm/$build/"
  done
  copy_libraries lib/x86_64-linux-gnu /lib/x86_64-linux-gnu /usr/lib/x86_64-linux-gnu "$root"/kolm/x86_64/* \
    "$root/bin/busybox"
  copy_libraries usr/lib32 /usr/lib32 /lib32 "$root"/kolm/x86/*
  (cd "$root" && find . | cpio -o -H newc --quiet) >"$work/initramfs.cpio"
}

# Boots the kernel and counts what the guest reports. The emulator's own time limit:
# the run takes about 10 seconds.
real_kernel() {
  fetch_kernel
  make_initramfs
  console=$work/console.log
  set +e
  timeout -k 5 180 env FAKE_PARPORT_BASES="$boxes" bash tests/linux/with_stand_in.sh "$stand_in" \
    qemu-system-x86_64 -accel tcg -m 512 -nodefaults -no-user-config -display none -monitor none -no-reboot \
    -pidfile "$work/qemu.pid" -serial "file:$console" -kernel "$kernel/vmlinuz" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 kolm_boxes=$boxes" \
    -chardev parallel,id=lpt1,path=/proc/self/fake_parport/parport0 -device isa-parallel,chardev=lpt1,iobase=0x378,irq=7 \
    -chardev parallel,id=lpt2,path=/proc/self/fake_parport/parport1 -device isa-parallel,chardev=lpt2,iobase=0x278,irq=5
  qemu=$?
  set -e
  tr -d '\r' <"$console" >"$console.txt"
  cat "$console.txt"
  [ "$qemu" -eq 0 ] || fail "real kernel: qemu-system-x86_64 ended with exit code $qemu (124: out of time)"
  # Each test that passed or failed, and each stage that ended badly without naming a
  # failed test (it crashed or ran out of time); four stages and the end must show.
  read -r ok bad stages done < <(awk '
    /^kolm-system: begin / { bad = 0 }
    /^\[       OK \] / { ok++ }
    /^\[  FAILED  \] .*\([0-9]+ ms\)$/ { bad++; allbad++ }
    /^kolm-system: end / { stages++; if ($NF != 0 && bad == 0) allbad++ }
    /^kolm-system: done$/ { done = 1 }
    END { print ok + 0, allbad + 0, stages + 0, done + 0 }' "$console.txt")
  passed=$((passed + ok))
  failed=$((failed + bad))
  [ "$stages" -eq 4 ] && [ "$done" -eq 1 ] || fail "real kernel: $stages of 4 stages ran to their end"
  [ "$ok" -gt 0 ] || fail "real kernel: no test passed"
}

if command -v qemu-system-x86_64 >/dev/null && command -v busybox >/dev/null; then
  real_kernel
else
  skip "real kernel: qemu-system-x86_64 or busybox is not installed (bash scripts/setup.sh installs them)"
fi
summary
