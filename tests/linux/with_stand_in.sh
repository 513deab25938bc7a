#!/usr/bin/env bash
# with_stand_in.sh DRIVER COMMAND [ARG...]: runs COMMAND with DRIVER, the tests'
# stand-in parport driver (libfake_parport.so), preloaded, in the process that first
# checks that the stand-in serves it: it must answer its handshake there (a file under
# /proc/self that no kernel has), else COMMAND never runs (exit 125). COMMAND replaces
# that process (exec), with the same preload.
[ $# -ge 2 ] || { echo "usage: with_stand_in.sh DRIVER COMMAND [ARG...]" >&2; exit 125; }
driver=$1
shift
exec env LD_PRELOAD="$driver" bash -c '
  read -r said 2>/dev/null </proc/self/fake_parport/handshake && [ "$said" = "fake_parport $$" ] && exec "$@"
  echo "the stand-in parport driver $0 does not answer in this process: $1 not run" >&2
  exit 125' "$driver" "$@"
