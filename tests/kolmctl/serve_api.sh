#!/usr/bin/env bash
# kolmctl serve reached as a script or a browser reaches it, with curl: the token, the
# Host and Origin checks, the bounds, the relays, a capture's readings and downloads,
# the calibration, then kolmctl read --calibrated with the same file. The virtual box
# gives constant signals (kolmsim.ini), so every reading is known; a plug-in without the
# relay entry point refuses a switch.
#   serve_api.sh KOLMCTL KOLMSIM_PLUGIN WORK_FOLDER FAKE_PLUGIN MOST_KB
# MOST_KB bounds kolmctl's peak memory while a stream falls behind (a sanitized build's
# shadow memory and quarantine take more).
set -uo pipefail
kolmctl=$1
work=$3
rm -rf "$work" && mkdir -p "$work" && cp "$2" "$work/kolmsim.so" || exit 1
printf '[channel0]\nsignal=constant\noffset=2.5\n[channel1]\nsignal=constant\noffset=1.25\n' >"$work/kolmsim.ini"
export XDG_CONFIG_HOME=$work/config # a calibration file never lands in the user's folder

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; }
trap cleanup EXIT

mkdir "$work/tmp"
# Few events kept, so that a stream that stops reading falls behind them in a second.
TMPDIR=$work/tmp KOLMCTL_SERVE_EVENTS_KEPT=1000 "$kolmctl" "$work/kolmsim.so" serve >"$work/out" 2>"$work/err" &
server=$!
pids+=("$server")
for _ in $(seq 200); do grep -q token "$work/out" && break; sleep 0.1; done
url=$(head -1 "$work/out")
token=${url#*token=}
base=${url%%/\?token=*}
port=${base##*:}
[[ $url =~ ^http://127\.0\.0\.1:[0-9]+/\?token=[0-9a-f]{64}$ ]] || { echo "FAIL first line: $url"; exit 1; }

fails=0
# check NAME STATUS REGEX CURL_ARGS...: the answer's status, and a line of its body matching REGEX.
check() {
    local name=$1 want=$2 match=$3
    shift 3
    local got
    got=$(curl -s -o "$work/body" -w '%{http_code}' "$@")
    if [ "$got" = "$want" ] && { [ -z "$match" ] || grep -Eq -- "$match" "$work/body"; }; then
        echo "ok   $name"
    else
        echo "FAIL $name: $got (wanted $want) $(head -c 400 "$work/body")"
        fails=$((fails + 1))
    fi
}
auth=(-H "Authorization: Bearer $token")
other=${token%?}$([ "${token: -1}" = 0 ] && echo 1 || echo 0)
many=()
for i in $(seq 50); do many+=(-H "X-Field-$i: 1"); done
head -c 5000 /dev/zero | tr '\0' a >"$work/big"

check "no token" 401 "token is missing or wrong" "$base/api/info"
check "the page needs it too" 401 "token" "$base/"
check "a token one digit off" 401 "token" "$base/api/info?token=$other"
check "a wrong bearer" 401 "token" -H "Authorization: Bearer $other" "$base/api/info"
check "the page" 200 "<html" "$base/?token=$token"
check "info by the address's token" 200 '"virtual":true' "$base/api/info?token=$token"
check "info by bearer, relays as the box holds them" 200 '"relays":\[false,false,false,false\]' "${auth[@]}" "$base/api/info"
check "localhost names it too" 200 '"title"' -H "Host: localhost:$port" "${auth[@]}" "$base/api/info"
check "a foreign Host" 403 "own address" -H "Host: attacker.example:$port" "${auth[@]}" "$base/api/info"
check "the right host, another port" 403 "own address" -H "Host: 127.0.0.1:1" "${auth[@]}" "$base/api/info"
check "a foreign Origin" 403 "other sites" -H "Origin: http://attacker.example" "${auth[@]}" "$base/api/info"
check "its own Origin" 200 '"title"' -H "Origin: http://127.0.0.1:$port" "${auth[@]}" "$base/api/info"
check "a body too large" 413 "" -X PUT --data-binary "@$work/big" "${auth[@]}" "$base/api/relays/1"
check "too many header fields" 431 "too many" "${many[@]}" "${auth[@]}" "$base/api/info"
check "a header field too long" 400 "" -H "X-Long: $(cat "$work/big")" "${auth[@]}" "$base/api/info"
check "an address too long" 414 "" "${auth[@]}" "$base/api/info?x=$(cat "$work/big")"
check "no file of the machine" 404 "" "${auth[@]}" "$base/etc/passwd"
check "a relay's body" 400 "on or off" -X PUT -d maybe "${auth[@]}" "$base/api/relays/1"
check "a relay's number" 400 "0 to 3" -X PUT -d on "${auth[@]}" "$base/api/relays/4"
check "a relay switched" 200 '"relays":\[false,true,false,false\]' -X PUT -d on "${auth[@]}" "$base/api/relays/1"
check "info shows it" 200 '"relays":\[false,true,false,false\]' "${auth[@]}" "$base/api/info"
check "no capture to download yet" 409 "no capture" "${auth[@]}" "$base/api/capture.csv"
check "a start that is not JSON" 400 "channels" -X POST -d 'rate=10' "${auth[@]}" "$base/api/capture/start"
check "a rate too high" 400 "10000 Hz" -X POST -d '{"rate":20000}' "${auth[@]}" "$base/api/capture/start"
check "a channel the box lacks" 400 "channels 0 and 1" -X POST -d '{"channels":[2]}' "${auth[@]}" "$base/api/capture/start"
check "a calibration without a unit" 400 "calibration" -X PUT -d '{"name":"T","a":1,"b":0}' "${auth[@]}" "$base/api/calibration/0"
check "a calibration" 200 "kolmcal.ini" -X PUT -d '{"name":"T","unit":"°C","a":20,"b":-10}' "${auth[@]}" "$base/api/calibration/0"
check "info shows it" 200 '"calibration":\{"name":"T","unit":"°C","a":20,"b":-10\}' "${auth[@]}" "$base/api/info"
mv "$work/kolmcal.ini" "$work/kolmcal.kept" && mkdir "$work/kolmcal.ini" # a path no file can take
check "a calibration that cannot be saved" 500 '"error":".*kolmcal.ini' -X PUT -d '{"name":"F","unit":"N","a":1,"b":0}' "${auth[@]}" "$base/api/calibration/0"
rmdir "$work/kolmcal.ini" && mv "$work/kolmcal.kept" "$work/kolmcal.ini"
check "and keeps the one it had" 200 '"calibration":\{"name":"T","unit":"°C","a":20,"b":-10\}' "${auth[@]}" "$base/api/info"

# A stream open while a capture of 20 readings runs, a relay switched during it.
curl -sN "$base/api/stream?token=$token&client=watcher" >"$work/stream" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/stream" ] && break; sleep 0.1; done
rmdir "$work/tmp"
check "no scratch file for the readings" 500 "scratch file" -X POST -d '{"rate":10}' "${auth[@]}" "$base/api/capture/start"
mkdir "$work/tmp"
check "a capture starts" 200 '"running":true' -X POST -d '{"channels":[0,1],"rate":10,"duration":2}' "${auth[@]}" "$base/api/capture/start"
check "a second one waits for it" 409 "running" -X POST -d '{"rate":10}' "${auth[@]}" "$base/api/capture/start"
check "a relay during the capture" 200 '"relays":\[false,true,true,false\]' -X PUT -d on "${auth[@]}" "$base/api/relays/2"
for _ in $(seq 300); do grep -q '"ending"' "$work/stream" && break; sleep 0.1; done
readings=$(grep -c '^data: {"slot":' "$work/stream")
constant=$(grep -c '"channel":0,"count":512,"volts":2.5,.*"channel":1,"count":256,"volts":1.25,' "$work/stream")
if [ "$readings" = 20 ] && [ "$constant" = 20 ] && grep -q '^event: relay' "$work/stream" &&
    grep -q '"ending":"done"' "$work/stream"; then
    echo "ok   the stream: 20 readings of 2.5 V and 1.25 V, the relay, the end"
else
    echo "FAIL the stream: $readings readings, $constant as set"
    head -c 2000 "$work/stream"
    fails=$((fails + 1))
fi
check "the CSV" 200 '^[0-9.]+,512,2\.5000,40\.0000,256,1\.2500$' "${auth[@]}" "$base/api/capture.csv"
check "its calibration line" 200 '^# calibration of channel 0: T \(°C\) = 20 x volts \+ -10 \(.*kolmcal.ini\)$' "${auth[@]}" "$base/api/capture.csv"
check "its relay event" 200 '^# event at [0-9.]+ s: relay 2 on$' "${auth[@]}" "$base/api/capture.csv"
check "the CSV in French" 200 '^[0-9,]+;512;2,5000;40,0000;256;1,2500$' "${auth[@]}" "$base/api/capture.csv?lang=fr"
check "the chart" 200 '<svg' "${auth[@]}" "$base/api/capture.svg"
check "clear" 200 '\{\}' -d '' "${auth[@]}" "$base/api/capture/clear"
check "nothing to download after it" 409 "no capture" "${auth[@]}" "$base/api/capture.csv"

# A stream that stops reading falls behind the events kept: it is told so and closed,
# kolmctl's memory stays bounded, and the watcher still gets every reading.
# A stand-in client that stops reading. It reads again once 5000 readings went by: more
# than kolmctl's bounded send buffer and its 1000 events kept, and sooner than the 5 s
# after which the server would give up writing to it.
python3 -c '
import socket, sys
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
s.connect(("127.0.0.1", int(sys.argv[1])))
s.sendall(b"GET /api/stream?token=%s HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nConnection: close\r\n\r\n" % (sys.argv[2].encode(), sys.argv[1].encode()))
with open(sys.argv[3], "wb") as f:
    while b := s.recv(65536):
        f.write(b)
        f.flush()
' "$port" "$token" "$work/slow" &
slow=$!
pids+=("$slow")
for _ in $(seq 100); do [ -s "$work/slow" ] && break; sleep 0.1; done
kill -STOP "$slow"
before=$(wc -l <"$work/stream")
check "a fast capture starts" 200 '"running":true' -X POST -d '{"rate":10000,"duration":5}' "${auth[@]}" "$base/api/capture/start"
for _ in $(seq 300); do
    tail -n +"$before" "$work/stream" | grep -q '"ending":"done"' && break
    [ "$(tail -n +"$before" "$work/stream" | grep -c '^data: {"slot":')" -ge 5000 ] && break
    sleep 0.1
done
kill -CONT "$slow"
for _ in $(seq 300); do tail -n +"$before" "$work/stream" | grep -q '"ending":"done"' && break; sleep 0.1; done
for _ in $(seq 100); do kill -0 "$slow" 2>/dev/null || break; sleep 0.1; done
taken=$(curl -s "${auth[@]}" "$base/api/info" | grep -Eo '"taken":[0-9]+' | grep -Eo '[0-9]+')
readings=$(tail -n +"$before" "$work/stream" | grep -c '^data: {"slot":')
peak=$(awk '/VmHWM/ {print $2}' "/proc/$server/status")
if grep -q '^event: overrun' "$work/slow" && ! kill -0 "$slow" 2>/dev/null && [ "$readings" = "$taken" ] &&
    [ "$taken" -ge 5000 ] && [ "$peak" -lt "$5" ]; then
    echo "ok   a slow stream is cut off, the watcher keeps all $taken readings, $peak kB at most"
else
    echo "FAIL a slow stream: $(grep -c overrun "$work/slow") overrun, watcher $readings of $taken, $peak kB"
    fails=$((fails + 1))
fi

# The page with the watcher's stream open holds the relays; another one watches.
check "the watcher switches" 200 '"relays"' -X PUT -d off -H "X-Kolm-Client: watcher" "${auth[@]}" "$base/api/relays/2"
check "another page may not" 409 "another page" -X PUT -d on -H "X-Kolm-Client: other" "${auth[@]}" "$base/api/relays/2"
check "and is told so" 200 '"controller":false' -H "X-Kolm-Client: other" "${auth[@]}" "$base/api/info"

# Streams up to the bound (the watcher's is one of them), then one too many.
for _ in $(seq 31); do
    curl -sN "$base/api/stream?token=$token" >/dev/null &
    pids+=($!)
done
for _ in $(seq 100); do
    code=$(curl -s -o "$work/body" -w '%{http_code}' -m 1 "$base/api/stream?token=$token")
    [ "$code" = 503 ] && break
done
check "too many clients" 503 "too many clients" -m 1 "$base/api/stream?token=$token"

# On all addresses: the first line is one a browser can open, the network's comes after it.
"$kolmctl" "$work/kolmsim.so" serve --listen 0.0.0.0 >"$work/all" 2>"$work/all-err" &
all=$!
pids+=("$all")
for _ in $(seq 200); do grep -q token "$work/all" && break; sleep 0.1; done
kill -TERM "$all"
wait "$all"
if grep -Eq '^http://127\.0\.0\.1:[0-9]+/\?token=' "$work/all" && ! grep -q 'http://0\.0\.0\.0' "$work/all-err"; then
    echo "ok   --listen 0.0.0.0 $(grep -o 'on the network: http://[0-9.]*' "$work/all-err")"
else
    echo "FAIL --listen 0.0.0.0: $(cat "$work/all" "$work/all-err")"
    fails=$((fails + 1))
fi

# Another serve cannot take the port.
"$kolmctl" "$work/kolmsim.so" serve --port "$port" >/dev/null 2>"$work/err2"
code=$?
if [ $code = 13 ] && grep -q "cannot listen on 127.0.0.1:$port" "$work/err2"; then echo "ok   a port in use"; else
    echo "FAIL a port in use: $code $(cat "$work/err2")"
    fails=$((fails + 1))
fi

# kolmctl read with the same calibration file, and with one that is not one.
"$kolmctl" "$work/kolmsim.so" read --count 2 --csv --calibrated >"$work/read.csv" 2>&1
if grep -q '^time_s,ch0_counts,ch0_volts,ch0_T (°C),ch1_counts,ch1_volts$' "$work/read.csv" &&
    grep -Eq '^[0-9.]+,512,2\.5000,40\.0000,256,1\.2500$' "$work/read.csv"; then echo "ok   read --calibrated"; else
    echo "FAIL read --calibrated: $(cat "$work/read.csv")"
    fails=$((fails + 1))
fi
printf '[channel 0]\nslope=2\n' >"$work/kolmcal.ini"
"$kolmctl" "$work/kolmsim.so" read --count 2 --csv --calibrated >"$work/read.csv" 2>&1
code=$?
if [ $code = 2 ] && grep -q 'kolmcal.ini line 2: unknown setting "slope"' "$work/read.csv"; then echo "ok   a calibration file that is not one"; else
    echo "FAIL a calibration file that is not one: $code $(cat "$work/read.csv")"
    fails=$((fails + 1))
fi

kill -TERM "$server"
wait "$server"
code=$?
if [ $code = 0 ] && grep -q "stopped serving (SIGTERM)" "$work/err"; then echo "ok   SIGTERM ends it"; else
    echo "FAIL SIGTERM: $code $(cat "$work/err")"
    fails=$((fails + 1))
fi
# A switch the plug-in cannot make: the fake plug-in answers a reading but lists no SB.
rm -f "$work/kolmcal.ini"
cp "$4" "$work/fake.so" || exit 1
"$kolmctl" "$work/fake.so" serve >"$work/out3" 2>"$work/err3" &
pids+=("$!")
for _ in $(seq 200); do grep -q token "$work/out3" && break; sleep 0.1; done
url3=$(head -1 "$work/out3")
check "a switch the plug-in refuses" 502 '"error":".*SB' -X PUT -d on -H "Authorization: Bearer ${url3#*token=}" \
    "${url3%%/\?token=*}/api/relays/1"

echo "$fails failed"
[ $fails = 0 ]
