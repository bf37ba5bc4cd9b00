#!/bin/bash
# Discovery and scan benchmark against peer tools on the test network.
#
# Builds vistrel_console in release mode, then times, from inside the lab's scanner namespace:
#   d24   discovery of 198.18.0.0/24  (ours with liveness probes only, with and without the sweep,
#         nmap -sn -n, arp-scan, fping -a -g)
#   d20   discovery of 198.18.0.0/20  (the same; arp-scan at 10 Mbit/s)
#   full  a full scan of 198.18.0.0/24 (ours with every probe) against the nearest nmap line
#   e16   discovery of an empty /16 (198.19.0.0/16) on a link of namespaces of our own
#         (vbench-scan, vbench-void) that this script makes and removes; ours and arp-scan
# Medians over BENCH_RUNS runs (3), peak memory and CPU time from /usr/bin/time -v, peak thread
# count sampled from /proc, and each tool's count of alive hosts and right MACs against the
# lab's table. Writes bench/results/bench.csv, bench.png and the raw runs.
#
# The lab is shared and kept up by others: this script only reads it and never brings it up
# or down. Environment: BENCH_RUNS, BENCH_SLOW_RUNS (runs of our /20 without the sweep, 1),
# BENCH_BUILD_DIR (build-bench), BENCH_SKIP_BUILD=1, BENCH_CASES ("d24 d20 full").
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
table=/run/vistrel-netlab/hosts.tsv
ns=vnl-scan
runs=${BENCH_RUNS:-3}
slow_runs=${BENCH_SLOW_RUNS:-1}
build=${BENCH_BUILD_DIR:-$root/build-bench}
cases=${BENCH_CASES:-d24 d20 full e16}
results=$root/bench/results

needs_lab=0
for case in $cases; do [ "$case" != e16 ] && needs_lab=1; done
if [ $needs_lab = 1 ] && { [ ! -e "$table" ] || [ ! -e /run/netns/$ns ]; }; then
    echo "The test network is not up ($table is missing). It is shared: ask whoever keeps it" \
         "to start it (tests/netlab/netlab.sh up); this benchmark does not." >&2
    exit 2
fi
for tool in nmap arp-scan fping gnuplot python3; do
    command -v $tool >/dev/null || { echo "missing $tool (apt-get install nmap arp-scan fping gnuplot-nox)" >&2; exit 2; }
done

if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_GUI=OFF \
        -DBUILD_TESTING=OFF $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache) >/dev/null
    cmake --build "$build" -j2 --target vistrel_console vistrel_smbshares
fi
console=$build/console/vistrel_console
[ -x "$console" ] || { echo "no $console" >&2; exit 2; }

mkdir -p "$results"
# The table as it was when we started: the lab may be restarted while we measure.
if [ -e "$table" ]; then cp "$table" "$results/hosts.tsv"; else printf 'ip\tmac\texpect_status\n' >"$results/hosts.tsv"; fi
raw=$results/raw
rm -rf "$raw"
mkdir -p "$raw"
runs_tsv=$results/runs.tsv
printf 'case\ttool\trun\twall_s\tuser_s\tsys_s\trss_kb\tthreads\toutput\n' >"$runs_tsv"

# measure CASE TOOL RUN CMD...: runs CMD in the scanner namespace under /usr/bin/time.
measure() {
    local case=$1 tool=$2 run=$3
    shift 3
    local out=$raw/$case.$tool.$run.out tfile=$raw/$case.$tool.$run.time
    ip netns exec $ns /usr/bin/time -v -o "$tfile" "$@" >"$out" 2>/dev/null &
    local tpid=$! peak=0 child n
    while kill -0 $tpid 2>/dev/null; do
        for child in $(pgrep -P $tpid 2>/dev/null); do
            n=$( (ls /proc/$child/task 2>/dev/null || true) | wc -l)
            [ "$n" -gt "$peak" ] && peak=$n
        done
        sleep 0.05
    done
    wait $tpid || true
    if [ ! -s "$tfile" ] || ! grep -q 'Elapsed' "$tfile"; then
        # The namespace went away under us: the lab is shared and may be restarted or taken down.
        echo "  $case $tool run $run: did not run in $ns; left out" >&2
        if [ ! -e "$table" ]; then
            echo "The test network went down during the benchmark ($table is gone); stopping." >&2
            exit 3
        fi
        return 0
    fi
    local wall user sys rss
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,a,":"); s=0; for(i=1;i<=n;i++) s=s*60+a[i]; print s}' "$tfile")
    user=$(awk -F': ' '/User time/ {print $2}' "$tfile")
    sys=$(awk -F': ' '/System time/ {print $2}' "$tfile")
    rss=$(awk -F': ' '/Maximum resident/ {print $2}' "$tfile")
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$case" "$tool" "$run" "$wall" "$user" "$sys" "$rss" "$peak" "$out" >>"$runs_tsv"
    printf '  %-5s %-16s run %s: %6.2f s, %6d KiB, %3d threads\n' "$case" "$tool" "$run" "$wall" "$rss" "$peak"
}

# An empty /16: one veth pair between two namespaces of ours, nothing at the other end.
e16_down() {
    ip netns del vbench-scan 2>/dev/null || true
    ip netns del vbench-void 2>/dev/null || true
    rm -rf /etc/netns/vbench-scan
}
e16_up() {
    e16_down
    ip netns add vbench-scan
    ip netns add vbench-void
    ip link add vb0 netns vbench-scan type veth peer name vb1 netns vbench-void
    ip -n vbench-scan link set lo up
    ip -n vbench-scan addr add 198.19.0.2/16 dev vb0
    ip -n vbench-scan link set vb0 up
    ip -n vbench-void link set vb1 up
    # Reverse lookups of our own address must not reach the machine's resolver.
    mkdir -p /etc/netns/vbench-scan
    echo "nameserver 127.0.0.1" >/etc/netns/vbench-scan/resolv.conf
}

# Peers that hang must not hold the benchmark: each run ends after BENCH_TOOL_TIMEOUT seconds.
guard="timeout ${BENCH_TOOL_TIMEOUT:-300}"

started=$(date +%s)
for case in $cases; do
    if [ $case = e16 ]; then
        echo "== e16 (198.19.0.0/16, empty, own namespaces)"
        trap e16_down EXIT
        e16_up
        lab_ns=$ns
        ns=vbench-scan
        measure e16 vistrel 1 env VISTREL_LIVENESS_ONLY=1 VISTREL_SWEEP=1 "$console" "/r:198.19.0.0-198.19.255.255"
        measure e16 vistrel-rate16k 1 env VISTREL_LIVENESS_ONLY=1 "$console" /q:16000 "/r:198.19.0.0-198.19.255.255"
        measure e16 arp-scan 1 $guard arp-scan -I vb0 -q --bandwidth=10M 198.19.0.0/16
        ns=$lab_ns
        e16_down
        trap - EXIT
        continue
    fi
    case $case in
    d24) net=198.18.0.0/24 first=198.18.0.0 last=198.18.0.255 ;;
    d20) net=198.18.0.0/20 first=198.18.0.0 last=198.18.15.255 ;;
    full) net=198.18.0.0/24 first=198.18.0.0 last=198.18.0.255 ;;
    esac
    echo "== $case ($net)"
    for run in $(seq 1 "$runs"); do
        if [ $case = full ]; then
            measure $case vistrel $run env VISTREL_SWEEP=1 "$console" "/r:$first-$last"
            # Without a script time-out http-title reads the lab's endless trickling page forever.
            measure $case nmap $run $guard nmap -sS -sU -p T:21,80,443,4899,U:137 --script nbstat,http-title --script-timeout 5s "$net"
            continue
        fi
        measure $case vistrel $run env VISTREL_LIVENESS_ONLY=1 VISTREL_SWEEP=1 "$console" "/r:$first-$last"
        # The default rate is meant for any LAN; a faster one shows what the rate costs.
        if [ $case = d20 ]; then
            measure $case vistrel-rate16k $run env VISTREL_LIVENESS_ONLY=1 "$console" /q:16000 "/r:$first-$last"
        fi
        if [ $case = d24 ] || [ "$run" -le "$slow_runs" ]; then
            measure $case vistrel-nosweep $run env VISTREL_LIVENESS_ONLY=1 VISTREL_SWEEP=0 "$console" "/r:$first-$last"
        fi
        measure $case nmap-sn $run $guard nmap -sn -n "$net"
        if [ $case = d20 ]; then
            measure $case arp-scan $run $guard arp-scan -I eth0 -q --bandwidth=10M "$net"
        else
            measure $case arp-scan $run $guard arp-scan -I eth0 -q "$net"
        fi
        # fping waits out its retries on every empty address: one run of the /20 is enough.
        if [ $case = d24 ] || [ "$run" -le "$slow_runs" ]; then
            measure $case fping $run $guard fping -a -g "$net"
        fi
    done
done
echo "measured in $(( $(date +%s) - started )) s"

python3 "$root/bench/summarize.py" "$runs_tsv" "$results/hosts.tsv" "$results"
