#!/bin/sh
# A receive pass of N waiting files against zumaset-vansim on 127.0.0.1:
# "zumasetctl receive" with a throwaway configuration, and the curl
# command-line tool posting the same list, fetch and acknowledge requests over
# one kept-alive connection (each fetched file written to its own file). Prints
# the median times of several runs, their ratio (target: client within 2 times
# curl at 1,000 files) and the TLS connections the client opened per pass
# (target: one per server), counted by the simulator.
#
#   bench/receive_vs_curl.sh BUILD_DIR [FILES=1000] [RUNS=5] [SIZE_BYTES=2000]
set -eu

build=${1:?usage: $0 BUILD_DIR [FILES] [RUNS] [SIZE_BYTES]}
files=${2:-1000}
runs=${3:-5}
size=${4:-2000}
vansim=$build/tools/vansim/zumaset-vansim
ctl=$build/src/app/zumasetctl

. "$(dirname "$0")/start_vansim.sh"
start_vansim
base="https://127.0.0.1:$port"
echo "bench:heslo:-" >"$work/data/accounts.txt"

# The waiting files, kept aside so every run starts from the same outbox.
mkdir -p "$work/waiting/bench/CZ510201"
head -c "$size" /dev/urandom >"$work/content"
n=0
while [ $n -lt "$files" ]; do
    n=$((n + 1))
    cp "$work/content" "$work/waiting/bench/CZ510201/$(printf 'F%06d.POT' $n)"
done
reset_outbox() {
    rm -rf "$work/data/outbox" "$work/data/delivered"
    mkdir -p "$work/data/outbox"
    cp -r "$work/waiting/bench" "$work/data/outbox/bench"
}

# The client's settings in a private configuration folder.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/share" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME/zumaset/ca" "$XDG_RUNTIME_DIR" "$work/in" "$work/logs"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$ca" "$XDG_CONFIG_HOME/zumaset/ca/vansim.pem"
"$ctl" config set User bench >/dev/null
echo heslo | "$ctl" config set Pass - >/dev/null
"$ctl" config set ServerTxt "127.0.0.1:$port" >/dev/null
"$ctl" config set ServerXml "127.0.0.1:$port" >/dev/null
"$ctl" config set RetValPath "$work/in" >/dev/null
for folder in LogsPath ErrLogPath ConLogPath; do "$ctl" config set $folder "$work/logs" >/dev/null; done

# The same requests for curl: the list, then a fetch and an acknowledgement per file.
config="$work/curl.cfg"
mkdir -p "$work/curl-in"
request() { # page body [output]
    {
        [ -s "$config" ] && echo "next"
        echo "url = \"$base/secure/activex_download/$1\""
        printf 'data-binary = "%s"\n' "$2"
        echo "http1.0"
        echo "header = \"Content-Type: application/x-www-form-urlencoded\""
        echo "header = \"Connection: Keep-Alive\""
        echo "cacert = \"$ca\""
        echo "output = \"${3:-/dev/null}\""
        echo "silent"
    } >>"$config"
}
: >"$config"
request download_list.asp "JmenoDeklaranta=bench&Heslo=heslo"
n=0
while [ $n -lt "$files" ]; do
    n=$((n + 1))
    name=$(printf 'F%06d.POT' $n)
    body="Name=$name&File=bench\\\\CZ510201\\\\$name&Dir=bench\\\\CZ510201\\\\"
    request download_down.asp "$body" "$work/curl-in/$name"
    request download_move.asp "$body"
done

now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
connections() { curl -s --cacert "$ca" "$base/vansim/connections"; }

: >"$work/curl.times"
: >"$work/client.times"
: >"$work/client.connections"
r=0
while [ $r -lt "$runs" ]; do
    r=$((r + 1))
    reset_outbox
    rm -f "$work/curl-in"/*
    t0=$(now)
    curl -K "$config"
    t1=$(now)
    echo "$t1 - $t0" | bc >>"$work/curl.times"
    got=$(ls "$work/curl-in" | wc -l)
    [ "$got" -eq "$files" ] || { echo "curl fetched $got of $files files" >&2; exit 1; }

    reset_outbox
    rm -rf "$work/in" && mkdir -p "$work/in"
    before=$(connections)
    t0=$(now)
    out=$("$ctl" receive)
    t1=$(now)
    after=$(connections)
    echo "$t1 - $t0" | bc >>"$work/client.times"
    # The question about the count is a connection of its own.
    echo "$after - $before - 1" | bc >>"$work/client.connections"
    echo "$out" | grep -q "files received: $files\$" || { echo "client receive failed: $(echo "$out" | tail -3)" >&2; exit 1; }
    left=$(find "$work/data/outbox" -type f | wc -l)
    [ "$left" -eq 0 ] || { echo "client left $left files unacknowledged" >&2; exit 1; }
    echo "run $r: curl $(tail -1 "$work/curl.times") s, client $(tail -1 "$work/client.times") s," \
        "client connections $(tail -1 "$work/client.connections")"
done

curl_median=$(median <"$work/curl.times")
client_median=$(median <"$work/client.times")
echo "$files files of $size bytes, $runs runs"
echo "median curl   $curl_median s"
echo "median client $client_median s"
echo "client connections per pass $(median <"$work/client.connections") (target 1)"
echo "ratio client/curl $(echo "scale=3; $client_median / $curl_median" | bc) (target <= 2 at 1000 files)"
