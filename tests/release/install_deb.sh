#!/usr/bin/env bash
# The Debian package installed for real, as a user installs it, then removed:
#   bash tests/release/install_deb.sh DEB [STAND_IN_DRIVER]
# As root, on a machine where kolm is not installed (else it leaves the machine alone
# and exits 77, skipped): dpkg -i; the installed kolmctl, run from an empty folder,
# finds the plug-ins by their bare names, reads a box, and its ports command reads and
# names the port files in the package's plug-in folder, linked to /etc/kolm; the bash
# completion answers; a port file edited is kept by a second dpkg -i of the same
# version, one written beside the plug-in in place of the link (as 1.0.0 had it) moves
# to /etc/kolm at a third, and either is kept by dpkg -r, which takes back every other file the package brought;
# dpkg --purge then takes the settings. STAND_IN_DRIVER, the tests'
# parport driver (libfake_parport.so), is preloaded into kolmctl so that boxes of the
# simulated bench, holding known counts, answer at 0x378 and on a card at 0xD010: no
# real port is touched.
# One line per check, then "install: N passed, N failed"; exits 1 on any failure.
set -uo pipefail
deb=$1
driver=${2:+$(realpath "$2")}
passed=0
failed=0
check() { # check NAME COMMAND...: the command's success is the check's
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); echo "install: ok: $name"; else
    failed=$((failed + 1)); echo "install: FAILED: $name"; fi
}
says() { grep -qE -- "$1" <<<"$2" || { echo "--- expected /$1/ in:"; echo "$2"; return 1; }; }

[ "$(id -u)" -eq 0 ] || { echo "install: skipped: dpkg -i needs root"; exit 77; }
status() { dpkg-query -W -f='${db:Status-Status}' kolm 2>/dev/null || echo not-installed; }
if [ "$(status)" != not-installed ]; then
  echo "install: skipped: kolm is installed on this machine already (or its settings are), and is left alone"
  exit 77
fi
[ -f "$deb" ] || { echo "install: no package $deb" >&2; exit 1; }
version=$(dpkg-deb -f "$deb" Version)
mapfile -t files < <(dpkg -c "$deb" | awk '$6 !~ /\/$/ {sub(/^\./, "", $6); print $6}')
plugins=$(dirname "$(printf '%s\n' "${files[@]}" | grep '/kolmlpt1\.so$')")
scratch=$(mktemp -d)
# Whatever happens, the machine is left as it was found.
trap 'rm -rf "$scratch"; [ "$(status)" = not-installed ] || dpkg --purge kolm >/dev/null' EXIT
quiet() { "$@" >/dev/null; }
# kolmctl as the user runs it: from a folder holding no plug-in, by its installed path.
kolmctl() {
  (cd "$scratch" && env ${driver:+LD_PRELOAD="$driver"} FAKE_PARPORT_BASES=0x378:709:179,0xD010:489:826 \
    /usr/bin/kolmctl "$@" 2>&1)
}

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
  check "python3: import kolm, the box at 0x378" says "^$plugins/kolmlpt1\.so 709\$" "$(cd "$scratch" &&
    env ${driver:+LD_PRELOAD="$driver"} FAKE_PARPORT_BASES=0x378:709:179 /usr/bin/python3 -B -c \
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
