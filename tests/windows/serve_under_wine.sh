#!/usr/bin/env bash
# kolmctl.exe serve under Wine answers /api/info with its token, and nothing without it;
# a capture answers 500 while its scratch file cannot be made, and starts once it can.
#   serve_under_wine.sh WORK_FOLDER PREFIX RUNNER... KOLMCTL_EXE PLUGIN
# PREFIX is the runner's Wine prefix, the test's own: its temporary folder is taken away
# for a moment. The server runs in a process group of its own, ended with the script.
set -uo pipefail
work=$1
prefix=$2
shift 2
mkdir -p "$work" && rm -f "$work/out" "$work/err"
setsid "$@" serve --port 0 >"$work/out" 2>"$work/err" &
pid=$!
temp=
restore() { [ -n "$temp" ] && [ -d "$temp.away" ] && mv "$temp.away" "$temp"; }
trap 'restore; kill -TERM -- -$pid 2>/dev/null; sleep 2; kill -KILL -- -$pid 2>/dev/null; wait 2>/dev/null' EXIT
# Wine takes seconds to start: a bound on the wait, not a timing.
for _ in $(seq 600); do
    grep -q token "$work/out" && break
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; code=$?; [ $code = 77 ] && exit 77; echo "FAIL ended ($code): $(cat "$work/err")"; exit 1; }
    sleep 0.5
done
url=$(head -1 "$work/out" | tr -d '\r')
token=${url#*token=}
base=${url%%/\?token=*}
[[ $url =~ ^http://127\.0\.0\.1:[0-9]+/\?token=[0-9a-f]{64}$ ]] || { echo "FAIL first line: $url $(cat "$work/err")"; exit 1; }
info=$(curl -s -H "Authorization: Bearer $token" "$base/api/info")
none=$(curl -s -o /dev/null -w '%{http_code}' "$base/api/info")
if [[ $info == *'"title":"KOLM simul'*'"virtual":true'*'"relays":['* ]] && [ "$none" = 401 ]; then
    echo "ok   /api/info under Wine: $info"
else
    echo "FAIL /api/info under Wine: $info (without the token: $none)"
    exit 1
fi
# The user's temporary folder (GetTempPath) is the prefix's users/NAME/Temp.
start() { curl -s -w ' %{http_code}' -H "Authorization: Bearer $token" -X POST -d '{"rate":10}' "$base/api/capture/start"; }
temp=$(find "$prefix/drive_c/users" -mindepth 2 -maxdepth 2 -name Temp -type d | head -1)
[ -n "$temp" ] || { echo "FAIL no temporary folder in $prefix"; exit 1; }
mv "$temp" "$temp.away"
refused=$(start)
restore
started=$(start)
if [[ $refused == *'scratch file'*' 500' && $started == *'"running":true'*' 200' ]]; then
    echo "ok   a capture without its scratch file answers 500, and starts with it"
else
    echo "FAIL a capture's scratch file: without it: $refused; with it: $started"
    exit 1
fi
