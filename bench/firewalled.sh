#!/bin/bash
# The console against the test network's firewalled, nameless hosts, with peer commands for the
# ratio.
#
# The lab's first /24 holds 198.18.0.30 (answers ARP, drops every IP packet), 198.18.0.31
# (answers ICMP echo, drops TCP) and 198.18.0.32 (an SNMP agent that answers after 1.5 s), none
# with a DNS record. From inside the scanner namespace (tests/netlab/netlab.sh exec) this times,
# BENCH_RUNS (3) times each, for every console of BENCH_CONSOLES:
#   silent  vistrel_console /r:198.18.0.30          (the host that drops everything, alone)
#   lan     vistrel_console /r:198.18.0.0/24
# each with /p:none /n:none (liveness and names), the default probes, and /p:all; and once per
# run the peers on the /24: nmap -sn -n, nmap -p 21,80,443,445,4899, and nmap -sS -sU with
# nbstat and http-title (as bench/run.sh);
#   n20     vistrel_console /r:198.18.0.0/20 with /p:netbios /n:none, and the default probes
#           (peak memory of a /20); the peer nmap -sU -p 137 --script nbstat.
# Prints the medians and the highest peak resident memory; writes bench/results/firewalled-runs.tsv and firewalled-medians.tsv.
#
# The lab is shared: this script never brings it up or down. Environment: BENCH_RUNS,
# BENCH_CONSOLES ("label=path ...", default "now=build/console/vistrel_console"), BENCH_CASES
# ("silent lan"), BENCH_SCAN_TIMEOUT (120 s per run).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=bench/time_file.sh
. "$root/bench/time_file.sh"
runs=${BENCH_RUNS:-3}
consoles=${BENCH_CONSOLES:-now=$root/build/console/vistrel_console}
cases=${BENCH_CASES:-silent lan n20}
scan_timeout=${BENCH_SCAN_TIMEOUT:-120}
results=$root/bench/results

require_lab
if ! grep -q '^198\.18\.0\.30	' /run/vistrel-netlab/hosts.tsv; then
    echo "The running lab has no firewalled hosts (198.18.0.30): it was started by an older" \
         "netlab.sh." >&2
    exit 2
fi
for tool in /usr/bin/time nmap timeout; do
    command -v $tool >/dev/null || { echo "missing $tool (apt-get install time nmap coreutils)" >&2; exit 2; }
done
for entry in $consoles; do
    [ -x "${entry#*=}" ] || { echo "no console ${entry#*=}" >&2; exit 2; }
done

start_results firewalled $'tool\tcase\tmode\trun\twall_s\trss_kb\tstatus'

# measure TOOL CASE MODE RUN CMD...: one run of CMD in the scanner namespace.
measure() {
    local tool=$1 case=$2 mode=$3 run=$4
    shift 4
    local wall user sys rss status
    if ! time_in_lab "$raw/$tool.$case.$mode.$run.time" "$raw/$tool.$case.$mode.$run.log" "$@"; then
        echo "  $tool $case $mode run $run: did not run in the scanner namespace; left out" >&2
        return 0
    fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$tool" "$case" "$mode" "$run" "$wall" "$rss" "$status" >>"$runs_tsv"
    printf '  %-8s %-7s %-8s run %s: %7.2f s, %7d KiB, status %s\n' "$tool" "$case" "$mode" "$run" "$wall" "$rss" "$status"
}

started=$(date +%s)
for run in $(seq 1 "$runs"); do
    for case in $cases; do
        case $case in
        silent) range=198.18.0.30 ;;
        lan) range=198.18.0.0/24 ;;
        n20)
            range=198.18.0.0/20
            for entry in $consoles; do
                label=${entry%%=*} console=${entry#*=}
                measure "$label" n20 netbios "$run" "$console" "/r:$range" /p:netbios /n:none "/f:$raw/$label.n20.netbios.$run.txt"
                measure "$label" n20 default "$run" "$console" "/r:$range" "/f:$raw/$label.n20.default.$run.txt"
            done
            measure nmap n20 netbios "$run" nmap -sU -p 137 --script nbstat "$range"
            continue
            ;;
        *) echo "unknown case $case" >&2; exit 2 ;;
        esac
        for entry in $consoles; do
            label=${entry%%=*} console=${entry#*=}
            measure "$label" "$case" names "$run" "$console" "/r:$range" /p:none /n:none "/f:$raw/$label.$case.names.$run.txt"
            measure "$label" "$case" default "$run" "$console" "/r:$range" "/f:$raw/$label.$case.default.$run.txt"
            measure "$label" "$case" all "$run" "$console" "/r:$range" /p:all "/f:$raw/$label.$case.all.$run.txt"
        done
    done
    measure nmap lan names "$run" nmap -sn -n 198.18.0.0/24
    measure nmap lan default "$run" nmap -p 21,80,443,445,4899 198.18.0.0/24
    # Without a script time-out http-title reads the lab's endless trickling page forever.
    measure nmap lan all "$run" nmap -sS -sU -p T:21,80,443,4899,U:137 --script nbstat,http-title --script-timeout 5s 198.18.0.0/24
done
echo "measured in $(($(date +%s) - started)) s"

# Medians per tool, case and mode.
awk -F'\t' 'NR > 1 { k = $1 "\t" $2 "\t" $3; v[k] = v[k] " " $5; if ($6 + 0 > r[k]) r[k] = $6 + 0; if (!(k in o)) { o[k] = ++n; key[n] = k } }
    END {
        print "tool\tcase\tmode\truns\tmedian_wall_s\tpeak_rss_kb"
        for (i = 1; i <= n; i++) {
            m = split(substr(v[key[i]], 2), a, " ")
            for (x = 1; x <= m; x++) for (y = x + 1; y <= m; y++) if (a[y] + 0 < a[x] + 0) { t = a[x]; a[x] = a[y]; a[y] = t }
            med = m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
            printf "%s\t%d\t%.2f\t%d\n", key[i], m, med, r[key[i]]
        }
    }' "$runs_tsv" | tee "$results/firewalled-medians.tsv" | column -t -s $'\t'
