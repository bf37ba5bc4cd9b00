# Sourced by the benchmarks that time a whole command with /usr/bin/time -v.
# read_time_file FILE: sets wall and user, sys (seconds), rss (KiB) and status from FILE. timeout
# passes the command's status on (124: our time-out) and dies of the signal that killed it,
# which time reports apart; 128+N then stands for signal N.
read_time_file() {
    local file=$1
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,a,":"); s=0; for(i=1;i<=n;i++) s=s*60+a[i]; print s}' "$file")
    user=$(awk -F': ' '/User time/ {print $2}' "$file")
    sys=$(awk -F': ' '/System time/ {print $2}' "$file")
    rss=$(awk -F': ' '/Maximum resident/ {print $2}' "$file")
    status=$(awk -F': ' '/Exit status/ {print $2}' "$file")
    if grep -q 'Command terminated by signal' "$file"; then
        status=$((128 + $(sed -n 's/.*Command terminated by signal \([0-9]*\).*/\1/p' "$file")))
    fi
}

# require_lab: stops the benchmark (status 2) unless the shared test network is up; starting it
# is for whoever keeps it, never for a benchmark.
require_lab() {
    if [ ! -e /run/vistrel-netlab/hosts.tsv ] || [ ! -e /run/netns/vnl-scan ]; then
        echo "The test network is not up (/run/vistrel-netlab/hosts.tsv is missing). It is shared: ask" \
             "whoever keeps it to start it (tests/netlab/netlab.sh up); this benchmark does not." >&2
        exit 2
    fi
}

# time_in_lab TIME_FILE LOG CMD...: one run of CMD in the lab's scanner namespace under
# /usr/bin/time -v and timeout (scan_timeout seconds), with a HOME of its own, its output in
# LOG; then read_time_file. Fails when CMD did not run in the namespace.
time_in_lab() {
    local tfile=$1 log=$2 home
    shift 2
    home=$(mktemp -d)
    "$root/tests/netlab/netlab.sh" exec /usr/bin/time -v -o "$tfile" timeout -k 5 "$scan_timeout" \
        env HOME="$home" "$@" >"$log" 2>&1 || true
    rm -rf "$home"
    [ -s "$tfile" ] && grep -q 'Elapsed' "$tfile" || return 1
    read_time_file "$tfile"
}

# start_results NAME HEADER: an empty raw folder $results/raw-NAME (set as raw) and the runs
# table $results/NAME-runs.tsv (set as runs_tsv) holding only HEADER, tab-separated.
start_results() {
    mkdir -p "$results"
    raw=$results/raw-$1
    rm -rf "$raw"
    mkdir -p "$raw"
    runs_tsv=$results/$1-runs.tsv
    printf '%s\n' "$2" >"$runs_tsv"
}
