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
