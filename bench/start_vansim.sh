# Sourced by the benchmark scripts after they set $vansim. Makes the scratch
# folder $work (removed at exit, with the simulator stopped) and offers
# start_vansim, which starts the simulator with the data folder "$work/data"
# on a free port of 127.0.0.1 and sets pid, port and ca (the file of its CA
# certificate).
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

start_vansim() {
    mkdir -p "$work/data"
    "$vansim" --data "$work/data" --port 0 >"$work/vansim.out" 2>"$work/vansim.err" &
    pid=$!
    i=0
    until grep -q "listening on" "$work/vansim.out" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 100 ] && { echo "simulator did not start" >&2; cat "$work/vansim.err" >&2; exit 1; }
        sleep 0.1
    done
    line=$(grep "listening on" "$work/vansim.out")
    port=$(echo "$line" | sed 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/')
    ca=$(echo "$line" | sed 's/.*ca=//')
}
