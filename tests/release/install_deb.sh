#!/usr/bin/env bash
# The Debian package installed for real, as a user installs it, then removed:
#   bash tests/release/install_deb.sh DEB STAND_IN_DRIVER
# As root (else skipped, exit 77): dpkg -i; the installed kolmctl, run from an empty
# folder, finds the plug-ins by their bare names, reads a box, and its ports command
# reads and names the port files in the package's plug-in folder, linked to /etc/kolm;
# the bash completion answers; a port file edited is kept by a second dpkg -i of the same
# version, one written beside the plug-in in place of the link (as 1.0.0 had it) moves
# to /etc/kolm at a third, and either is kept by dpkg -r, which takes back every other
# file the package brought; dpkg --purge then takes the settings.
# STAND_IN_DRIVER, the tests' parport driver (libfake_parport.so), is preloaded into
# every program that could drive a port, so that boxes of the simulated bench, holding
# known counts, answer at 0x378 and on a card at 0xD010. No real port is touched: each
# such program runs as nobody (to whom the kernel grants no port) and only once the
# stand-in has answered its handshake in that very process; when it does not (no
# driver given, or a library that is not the stand-in), the test refuses to start
# (exit 1) and installs nothing.
# While it runs, what the test changes is listed in a state file that it holds locked
# (KOLM_INSTALL_STATE, by default /var/tmp/kolm-install-test, which outlasts a restart
# as the package does) and taken back at its end; a run killed earlier leaves the file,
# unlocked, and the next run first takes back what it lists. A kolm installed by
# anything else is left alone, as is a run under way (skipped, exit 77).
# One line per check, then "install: N passed, N failed"; exits 1 on any failure.
set -uo pipefail
deb=$1
stand_in=${2:-}
state=${KOLM_INSTALL_STATE:-/var/tmp/kolm-install-test}
passed=0
failed=0
check() { # check NAME COMMAND...: the command's success is the check's
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); echo "install: ok: $name"; else
    failed=$((failed + 1)); echo "install: FAILED: $name"; fi
}
says() { grep -qE -- "$1" <<<"$2" || { echo "--- expected /$1/ in:"; echo "$2"; return 1; }; }
refuse() { echo "install: refused: $1; nothing was installed" >&2; exit 1; }
# dpkg's state of kolm: installed, half-installed, config-files, ...; empty when unknown.
kolm_state() { dpkg-query -W -f='${db:Status-Status}' kolm 2>/dev/null; }
kolm_present() { case $(kolm_state) in "" | not-installed) return 1 ;; esac; }
status() { local s; s=$(kolm_state); echo "${s:-not-installed}"; }
# Takes back what the state file lists (the port file its run wrote), then the package.
take_back() {
  [ -f "$state" ] || return 0
  local ini
  ini=$(sed -n 1p "$state")
  [ -z "$ini" ] || rm -f "$ini"
  if kolm_present; then dpkg --purge kolm >/dev/null; fi
  rm -f "$state"
}

[ "$(id -u)" -eq 0 ] || { echo "install: skipped: dpkg -i needs root"; exit 77; }
[ -f "$deb" ] || { echo "install: no package $deb" >&2; exit 1; }
[ -n "$stand_in" ] || refuse "no stand-in parport driver given: kolmctl would drive this machine's ports"
[ -f "$stand_in" ] || refuse "no stand-in parport driver $stand_in"
version=$(dpkg-deb -f "$deb" Version)
mapfile -t files < <(dpkg -c "$deb" | awk '$6 !~ /\/$/ {sub(/^\./, "", $6); print $6}')
plugins=$(dirname "$(printf '%s\n' "${files[@]}" | grep '/kolmlpt1\.so$')")
# A run holds its state file locked (flock) as long as it, or a program it started, runs.
if [ -f "$state" ]; then
  exec 8<"$state"
  flock -n 8 || { echo "install: skipped: another run is under way ($state is locked)"; exit 77; }
  echo "install: taking back what a run killed earlier left: $(tr '\n' ' ' <"$state")"
  take_back
fi
if kolm_present || [ -e "$plugins/kolmlpt2.ini" ]; then
  echo "install: skipped: kolm is installed on this machine already, and is left alone"
  exit 77
fi
scratch=$(mktemp -d)
chmod 755 "$scratch"
cp "$stand_in" "$scratch/stand_in.so"
cp "$(dirname "$0")/../linux/with_stand_in.sh" "$scratch/"
# Whatever happens, short of SIGKILL, the machine is left as it was found.
trap 'take_back; rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM HUP
quiet() { "$@" >/dev/null; }
# A program that could drive a port, as the user runs it: as nobody, from a folder
# holding no plug-in, with the stand-in preloaded; started only once the stand-in
# has answered its handshake in the same process.
as_user() {
  (cd "$scratch" && setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env FAKE_PARPORT_BASES=0x378:709:179,0xD010:489:826 bash with_stand_in.sh "$scratch/stand_in.so" "$@" 2>&1)
}
kolmctl() { as_user /usr/bin/kolmctl "$@"; }
handshake=$(as_user true) || refuse "$stand_in is not the stand-in parport driver ($handshake)"

exec 8>"$state"
flock 8
echo "$plugins/kolmlpt2.ini" >&8
check "dpkg -i" quiet dpkg -i "$deb"
check "kolmctl --version" says "^kolmctl $version\$" "$(kolmctl --version)"
check "kolmctl kolmlpt1 info" says "^file: +$plugins/kolmlpt1\\.so .*title: +KOLM en LPT1:" "$(kolmctl kolmlpt1 info | tr '\n' ' ')"
check "kolmctl kolmlpt1.so read: the box at 0x378" says "^time_s,ch0_counts,ch1_counts [0-9.]+,709,179 $" \
  "$(kolmctl kolmlpt1.so read --counts --csv | tr '\n' ' ')"
check "kolmctl ports: the port file to write, in the package's folder" \
  says "parport1 at 0xD010 .*-> write base=0xD010 in $plugins/kolmlpt2\\.ini" "$(kolmctl ports | tr '\n' ' ')"
printf '[port]\nbase=0xD010\n' >"$plugins/kolmlpt2.ini"
check "kolmctl ports: the port file read there" \
  says "parport1 at 0xD010 .*-> kolmlpt2\\.so drives it \\(base from $plugins/kolmlpt2\\.ini\\)" "$(kolmctl ports | tr '\n' ' ')"
check "kolmctl kolmlpt2 info: the base from the port file" \
  says "port: +0xD010 from $plugins/kolmlpt2\\.ini" "$(kolmctl kolmlpt2 info)"
check "kolmctl kolmlpt2 read: the box on the card" says "^time_s,ch0_counts,ch1_counts [0-9.]+,489,826 $" \
  "$(kolmctl kolmlpt2 read --counts --csv | tr '\n' ' ')"
check "the port file written through its link, in /etc/kolm" says "^base=0xD010$" "$(cat /etc/kolm/kolmlpt2.ini)"
check "kolmctl kolmsim info: the virtual box, by its bare name" \
  says "^file: +$plugins/kolmsim\\.so .*title: +KOLM simulé .*signals: +from $plugins/kolmsim\\.ini" \
  "$(kolmctl kolmsim info | tr '\n' ' ')"
# The Python package of the amd64 package finds the installed plug-ins (-B: no bytecode left behind).
if printf '%s\n' "${files[@]}" | grep -q '/dist-packages/kolm/'; then
  check "python3: import kolm, the box at 0x378" says "^$plugins/kolmlpt1\.so 709\$" "$(
    as_user /usr/bin/python3 -B -c \
      "import kolm; b = kolm.open('LPT1'); print(b.path, b.counts(0))" 2>&1)"
fi
completion=/usr/share/bash-completion/completions/kolmctl
check "bash completion" says "^--csv --csv-fr$" "$(bash -c "source $completion; COMP_WORDS=(kolmctl kolmlpt1 read --cs);
  COMP_CWORD=3; _kolmctl; echo \"\${COMPREPLY[*]}\"")"
check "dpkg -i again, the same version" quiet dpkg -i "$deb"
check "the edited port file kept, still linked" says "^base=0xD010$" "$(cat "$plugins/kolmlpt2.ini")"
# A port file beside the plug-in instead of the link, as 1.0.0 had it: it becomes the setting.
rm "$plugins/kolmlpt2.ini"
printf '[port]\nbase=0xD014\n' >"$plugins/kolmlpt2.ini"
check "dpkg -i over a port file beside the plug-in" quiet dpkg -i "$deb"
check "that port file now in /etc/kolm, and linked" says "^base=0xD014 /etc/kolm/kolmlpt2.ini$" \
  "$(cat "$plugins/kolmlpt2.ini") $(readlink "$plugins/kolmlpt2.ini")"
check "dpkg -r" quiet dpkg -r kolm
left=()
for f in "${files[@]}" "$plugins"; do [[ $f != /etc/* && -e $f ]] && left+=("$f"); done
check "nothing but the settings left behind" says "^0 config-files$" "${#left[@]} $(status)${left[*]:+ ${left[*]}}"
check "the edited port file kept by dpkg -r" says "^base=0xD014$" "$(cat /etc/kolm/kolmlpt2.ini)"
check "dpkg --purge: the settings go too" says "^not-installed absent$" \
  "$(dpkg --purge kolm >/dev/null; status) $([ -e /etc/kolm ] && echo present || echo absent)"
echo "install: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
