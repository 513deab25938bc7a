#!/usr/bin/env bash
# kolmctl serve streaming both channels at 1 kHz to two clients for SECONDS (default 600),
# kolmsim's virtual box: kolmctl's memory at the start and at the end of the capture, the
# readings taken, those each client received, and the missed slots. Prints its section of
# docs/performance.md (scripts/bench.sh adds it). A benchmark, not a test.
#   bash scripts/bench_serve.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
bin=build/dev/bin
plugin=build/dev/lib/kolmsim.so
tmp=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$tmp"' EXIT

"$bin/kolmctl" "$plugin" serve >"$tmp/out" 2>"$tmp/err" &
server=$!
pids+=("$server")
until grep -q token "$tmp/out"; do sleep 0.1; done
url=$(head -1 "$tmp/out")
token=${url#*token=}
base=${url%%/\?token=*}
auth=(-H "Authorization: Bearer $token")
for c in 1 2; do
  (curl -sN "$base/api/stream?token=$token" | grep -c '^data: {"slot"' >"$tmp/client$c" || true) &
  pids+=($!)
done
sleep 1
kb() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$server/status"; }
rss0=$(kb VmRSS)
body="{\"channels\":[0,1],\"rate\":1000,\"duration\":$seconds}"
curl -s "${auth[@]}" -d "$body" "$base/api/capture/start" >/dev/null
# After a minute the streams' buffer (30000 events) is full: from then on memory stays put.
sleep 60
rss60=$(kb VmRSS)
until curl -s "${auth[@]}" "$base/api/info" | grep -q '"capture":{"running":false'; do sleep 2; done
rss1=$(kb VmRSS)
peak=$(kb VmHWM)
info=$(curl -s "${auth[@]}" "$base/api/info")
count() { echo "$info" | sed "s/.*\"capture\":{[^}]*\"$1\":\([0-9]*\).*/\1/"; }
kill -TERM "$server"
wait "$server" || true
for c in 1 2; do until [ -s "$tmp/client$c" ]; do sleep 0.2; done; done

echo "## Streaming through kolmctl serve"
echo
echo "Command: \`bash scripts/bench_serve.sh $seconds\`: \`$bin/kolmctl $plugin serve\`, two"
echo "clients reading \`/api/stream\` with curl, and a capture of both channels at 1000 Hz for"
echo "$seconds s started with \`POST /api/capture/start $body\`. Memory is kolmctl's own process"
echo "(the HTTP threads, the event buffer and the plug-in's thread; the plug-in runs in a process"
echo "of its own). The page draws what it chooses; the stream carries every recorded reading."
echo "Missed slots are those kolmctl gave up (a reading that could not start before the next"
echo "slot, on a machine shared with other jobs); every reading taken reached both clients."
echo
echo "| capture | readings taken | sent to client 1 | sent to client 2 | missed slots | gaps | RSS before | RSS after 60 s | RSS at the end | peak RSS |"
echo "|---|---|---|---|---|---|---|---|---|---|"
echo "| $seconds s at 1000 Hz, 2 channels | $(count taken) | $(cat "$tmp/client1") | $(cat "$tmp/client2") | $(count missed) | $(count gaps) | $rss0 kB | $rss60 kB | $rss1 kB | $peak kB |"
