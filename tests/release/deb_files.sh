#!/usr/bin/env bash
# The Debian package's own files, unpacked (dpkg -x) into ROOT, never installed:
#   bash tests/release/deb_files.sh DEB ROOT PLUGINDIR [KOLMCTL...]
# PLUGINDIR: the plug-in folder under /usr (lib/<multiarch>/kolm). The manual page
# names that folder and no other architecture's, the release's version and no
# placeholder; bash completion offers kolmsim; ppdev is loaded at boot; the settings
# are conffiles in /etc/kolm, linked beside the plug-ins; KOLMCTL (the packaged one,
# after its emulator if any)
# reads the packaged defaults as the plug-ins' built-in ones.
set -uo pipefail
deb=$1 root=$2 plugindir=$3
kolmctl=("${@:4}")
failed=0
row() { # row NAME PATTERN TEXT: the whole text matches the extended regular expression
  if [[ $3 =~ $2 ]]; then echo "deb: ok: $1"; else
    echo "deb: FAILED: $1: expected /$2/ in:"; head -c 2000 <<<"$3"; failed=1; fi
}
nl=$'\n'
man=$(zcat "$root/usr/share/man/man1/kolmctl.1.gz")
other=$([[ $plugindir == *x86_64* ]] && echo i386-linux-gnu || echo x86_64-linux-gnu)
row "manual page: this architecture's plug-in folder" "/usr/${plugindir//-/'\\-'}/kolmlpt1\\.so" "$man"
row "manual page: no placeholder, no other architecture" "^$" "$(grep -E "<multiarch>|%PLUGINDIR%|$other" <<<"$man")"
row "manual page: the version" "\"kolm $(dpkg-deb -f "$deb" Version)\"" "$man"
row "bash completion offers kolmsim" "^kolmsim$" "$(bash -c 'source "$1/usr/share/bash-completion/completions/kolmctl"
  COMP_WORDS=(kolmctl kolms) COMP_CWORD=1 && cd / && _kolmctl && echo "${COMPREPLY[*]}"' _ "$root")"
row "ppdev loaded at boot" "^(#[^$nl]*$nl)*ppdev$" "$(cat "$root/usr/lib/modules-load.d/kolm.conf")"
row "the settings are conffiles" "^/etc/kolm/kolmlpt1\.ini$nl/etc/kolm/kolmlpt2\.ini$nl/etc/kolm/kolmsim\.ini$" \
  "$(dpkg-deb -I "$deb" conffiles)"
for f in kolmlpt1.ini kolmlpt2.ini kolmsim.ini; do
  row "$f linked beside the plug-ins" "^/etc/kolm/$f$" "$(readlink "$root/usr/$plugindir/$f")"
done
# The defaults written out are the built-in ones: a copy of each plug-in with the
# packaged file beside it, as the link puts it.
if [ "${#kolmctl[@]}" -gt 0 ]; then
  copy=$(mktemp -d)
  cp "$root/usr/$plugindir"/*.so "$root"/etc/kolm/* "$copy"/
  row "kolmlpt1.ini: the built-in base" "port: +0x0378 from [^$nl]*/kolmlpt1\.ini" "$("${kolmctl[@]}" "$copy/kolmlpt1.so" info 2>&1)"
  row "kolmlpt2.ini: the built-in base" "port: +0x0278 from [^$nl]*/kolmlpt2\.ini" "$("${kolmctl[@]}" "$copy/kolmlpt2.so" info 2>&1)"
  row "kolmsim.ini: the built-in signals" "channel 0: sine 2\.5 V \+/- 2 V at 0\.1 Hz$nl +channel 1: ramp 2\.5 V \+/- 2\.5 V at 0\.05 Hz" \
    "$("${kolmctl[@]}" "$copy/kolmsim.so" info 2>&1)"
  rm -rf "$copy"
fi
exit "$failed"
