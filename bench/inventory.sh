#!/bin/bash
# Inventory recording figures: a /16 scan (5% alive) and its events into SQLite and PostgreSQL,
# and the size of a week of hourly /24 scans in SQLite. Needs the build tree and, for
# PostgreSQL, Debian's postgresql package; the server is a cluster of its own in a temporary
# folder, listening only on a Unix socket there, stopped by its process id at the end.
#   bench/inventory.sh [build-dir]
set -euo pipefail
build=${1:-build}
bench=$build/bench/bench_Inventory
[ -x "$bench" ] || { echo "build the bench_Inventory target first" >&2; exit 2; }
work=$(mktemp -d)
pg_pid=
cleanup() {
    if [ -n "$pg_pid" ]; then
        kill -INT "$pg_pid" 2>/dev/null || true
        while kill -0 "$pg_pid" 2>/dev/null; do sleep 0.1; done
    fi
    rm -rf "$work"
}
trap cleanup EXIT

echo "== SQLite"
"$bench" "sqlite:$work/s16.sqlite"
"$bench" "sqlite:$work/week.sqlite" week

pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$pg_bin" ]; then
    echo "== PostgreSQL: not installed, skipped"
    exit 0
fi
as=()
if [ "$(id -u)" = 0 ]; then
    chown postgres: "$work"
    as=(setpriv --reuid=postgres --regid=postgres --clear-groups --)
fi
"${as[@]}" "$pg_bin/initdb" -D "$work/pg" -U vistrel --auth=trust -E UTF8 >"$work/initdb.log"
# Durable as a production server would be: fsync stays on.
"${as[@]}" "$pg_bin/postgres" -D "$work/pg" -k "$work" -c listen_addresses= >"$work/pg.log" 2>&1 &
pg_pid=$!
for _ in $(seq 100); do [ -S "$work/.s.PGSQL.5432" ] && break; sleep 0.1; done
echo "== PostgreSQL $(basename "$(dirname "$pg_bin")") (Unix socket)"
"$bench" "postgresql://vistrel@localhost/postgres?host=$work"
