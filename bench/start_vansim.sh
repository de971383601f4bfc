# Sourced by the benchmark scripts: starts the simulator with the data folder
# "$work/data" on a free port of 127.0.0.1 and sets pid, port and ca (the file
# of its CA certificate). The caller's cleanup stops it through $pid.
start_vansim() {
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
