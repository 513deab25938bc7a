#!/bin/busybox sh
# The virtual machine's only program, its /init: loads the kernel's parallel-port
# drivers, runs the real-kernel host of each build (x86-64, then i386, which this
# kernel runs natively) with ppdev loaded and then unloaded, and powers off. run.sh
# reads the "kolm-system:" lines around each stage from the console.
/bin/busybox --install -s /bin
export PATH=/bin LD_LIBRARY_PATH=/lib/x86_64-linux-gnu:/usr/lib32
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
insmod /modules/parport.ko
insmod /modules/parport_pc.ko

# stage BUILD NAME FILTER: the build's host with that gtest filter, a minute at most.
stage() {
  echo "kolm-system: begin $1 $2"
  KOLM_DIST=/kolm/$1 KOLM_FAKE=/kolm/$1/libfake_parport.so KOLM_BOXES=$kolm_boxes \
    timeout 60 /kolm/$1/kolm_system_tests --gtest_color=no --gtest_filter="$3"
  echo "kolm-system: end $1 $2 exit $?"
}

for build in x86_64 x86; do
  insmod /modules/ppdev.ko
  stage $build ppdev '*'
  if rmmod ppdev; then
    stage $build direct '*/Port.*'
  else
    echo "ppdev would not unload"
    echo "kolm-system: end $build direct exit 1"
  fi
done
echo "kolm-system: done"
poweroff -f
