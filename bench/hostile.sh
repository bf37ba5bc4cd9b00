#!/bin/bash
# The console against the test network's hostile /24, and against its well-behaved first /24.
#
# From inside the lab's scanner namespace (tests/netlab/netlab.sh exec), runs
#   hostile   vistrel_console /r:198.18.2.0/24 /p:all /f:FILE   (every misbehaving peer class)
#   good      vistrel_console /r:198.18.0.0/24 /p:all /f:FILE   (the lab's ordinary hosts)
#   classes   the same, one run per block of one class of the hostile /24 (see hostile.tsv)
# BENCH_RUNS times each (3), under an address-space limit so that a blow-up ends in an abort
# rather than in the machine's memory, and prints medians of the wall time and peak resident
# memory (/usr/bin/time -v), every exit status, and what the output file holds: lines beyond
# one per scanned address, forged host lines, addresses without a line, control characters.
# Writes bench/results/hostile.csv and hostile-runs.tsv (raw outputs under raw-hostile/).
#
# The lab is shared: this script never brings it up or down. It adds the hostile /24 to it when
# missing (tests/netlab/netlab.sh hostile-up) and takes it out again at the end. Environment:
# BENCH_RUNS, BENCH_CASES ("hostile good"), BENCH_BUILD_DIR (build-bench), BENCH_SKIP_BUILD=1,
# BENCH_AS_LIMIT_MB (4096), BENCH_SCAN_TIMEOUT (600 s per run).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
netlab=$root/tests/netlab/netlab.sh
# shellcheck source=bench/time_file.sh
. "$root/bench/time_file.sh"
table=/run/vistrel-netlab/hostile.tsv
runs=${BENCH_RUNS:-3}
cases=${BENCH_CASES:-hostile good}
build=${BENCH_BUILD_DIR:-$root/build-bench}
as_limit_mb=${BENCH_AS_LIMIT_MB:-4096}
scan_timeout=${BENCH_SCAN_TIMEOUT:-600}
results=$root/bench/results

require_lab
for tool in /usr/bin/time prlimit timeout python3; do
    command -v $tool >/dev/null || { echo "missing $tool (apt-get install time util-linux coreutils python3)" >&2; exit 2; }
done

if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_GUI=OFF \
        -DBUILD_TESTING=OFF "${launcher[@]}" >/dev/null
    cmake --build "$build" -j2 --target vistrel_console vistrel_smbshares
fi
console=$build/console/vistrel_console
[ -x "$console" ] || { echo "no $console" >&2; exit 2; }

if [ ! -e "$table" ]; then
    "$netlab" hostile-up >/dev/null
    trap '"$netlab" hostile-down' EXIT
fi
start_results hostile $'case\trange\trun\twall_s\tuser_s\tsys_s\trss_kb\tstatus\toutput'
cp "$table" "$results/hostile-table.tsv"

# measure CASE RANGE RUN: one scan of RANGE with every probe, in the scanner namespace.
measure() {
    local case=$1 range=$2 run=$3
    local out=$raw/$case.$run.txt wall user sys rss status
    if ! time_in_lab "$raw/$case.$run.time" "$raw/$case.$run.log" \
        prlimit --as=$((as_limit_mb << 20)) -- "$console" "/r:$range" /p:all "/f:$out"; then
        echo "  $case run $run: did not run in the scanner namespace; left out" >&2
        [ -e "$table" ] || { echo "The test network went down during the benchmark; stopping." >&2; exit 3; }
        return 0
    fi
    [ -e "$out" ] || : >"$out"
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$case" "$range" "$run" "$wall" "$user" "$sys" "$rss" "$status" "$out" >>"$runs_tsv"
    printf '  %-22s run %s: %7.2f s, %8d KiB, status %s\n' "$case" "$run" "$wall" "$rss" "$status"
}

started=$(date +%s)
for case in $cases; do
    if [ "$case" = classes ]; then
        # One case per block of the hostile table: class, first and last address.
        while read -r class first last; do
            echo "== class $class ($first-$last)"
            for run in $(seq 1 "$runs"); do measure "class-$class" "$first-$last" "$run"; done
        done < <(awk -F'\t' 'NR > 1 { if (!($2 in f)) { f[$2] = $1; o[++n] = $2 } l[$2] = $1 }
                             END { for (i = 1; i <= n; i++) print o[i], f[o[i]], l[o[i]] }' "$table")
        continue
    fi
    case $case in
    hostile) range=198.18.2.0/24 ;;
    good) range=198.18.0.0/24 ;;
    *) echo "unknown case $case" >&2; exit 2 ;;
    esac
    echo "== $case ($range)"
    for run in $(seq 1 "$runs"); do measure "$case" "$range" "$run"; done
done
echo "measured in $(( $(date +%s) - started )) s"

python3 "$root/bench/hostile_summary.py" "$runs_tsv" "$results/hostile.csv"
