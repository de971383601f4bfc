#!/bin/sh
# Uploads one random text-kind file to zumaset-vansim on 127.0.0.1 with the
# client's SendFile, and posts exactly the same request bodies with the curl
# command-line tool over one kept-alive connection; prints the median times of
# several runs and their ratio (target: client within 1.25 times curl), and
# the client's peak resident memory.
#
#   bench/upload_vs_curl.sh BUILD_DIR [SIZE_MIB=200] [RUNS=3] [VANSIM=BUILD_DIR/tools/vansim/zumaset-vansim]
set -eu

build=${1:?usage: $0 BUILD_DIR [SIZE_MIB] [RUNS] [VANSIM]}
size=${2:-200}
runs=${3:-3}
vansim=${4:-$build/tools/vansim/zumaset-vansim}
bench=$build/bench/zumaset_bench_upload

. "$(dirname "$0")/start_vansim.sh"
mkdir -p "$work/src"
start_vansim
echo "bench:heslo:xml" >"$work/data/accounts.txt"

head -c "${size}M" /dev/urandom >"$work/src/bench.dok"
"$bench" --dump "$work/bodies" --user bench --pass heslo --file "$work/src/bench.dok" >/dev/null

url="https://127.0.0.1:$port/secure/activex_download/upload_prg.asp"
config="$work/curl.cfg"
first=1
for body in "$work"/bodies/*.body; do
    [ $first -eq 1 ] || echo "next" >>"$config"
    first=0
    {
        echo "url = \"$url\""
        echo "data-binary = \"@$body\""
        echo "header = \"Content-Type: application/x-www-form-urlencoded\""
        echo "header = \"Connection: Keep-Alive\""
        echo "cacert = \"$ca\""
        echo "output = \"/dev/null\""
        echo "silent"
    } >>"$config"
done
chunks=$(ls "$work/bodies" | wc -l)

now() { date +%s.%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: >"$work/curl.times"
: >"$work/client.times"
: >"$work/client.rss"
r=0
while [ $r -lt "$runs" ]; do
    r=$((r + 1))
    t0=$(now)
    curl -K "$config"
    t1=$(now)
    echo "$t1 - $t0" | bc >>"$work/curl.times"
    out=$("$bench" --server "127.0.0.1:$port" --ca "$ca" --user bench --pass heslo --file "$work/src/bench.dok")
    echo "$out" | grep -q "result ok" || { echo "client upload failed: $out" >&2; exit 1; }
    echo "$out" | sed 's/.*seconds \([0-9.]*\).*/\1/' >>"$work/client.times"
    echo "$out" | sed 's/.*peak_rss_mib \([0-9.]*\).*/\1/' >>"$work/client.rss"
    echo "run $r: curl $(tail -1 "$work/curl.times") s, client $(tail -1 "$work/client.times") s"
done

curl_median=$(median <"$work/curl.times")
client_median=$(median <"$work/client.times")
echo "file ${size} MiB, $chunks chunks, $runs runs"
echo "median curl   $curl_median s"
echo "median client $client_median s (peak RSS $(median <"$work/client.rss") MiB)"
echo "ratio client/curl $(echo "scale=3; $client_median / $curl_median" | bc) (target <= 1.25)"
