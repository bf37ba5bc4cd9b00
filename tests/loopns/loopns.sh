#!/bin/bash
# A network namespace holding only loopback, with its own resolv.conf that points at a local
# port where nothing listens: reverse lookups fail at once instead of leaving the machine.
set -u
NS=${VISTREL_LOOPNS:-vtest-lo}

down() {
    if ip netns list | grep -qw "$NS"; then
        for pid in $(ip netns pids "$NS" 2>/dev/null); do kill "$pid" 2>/dev/null; done
        ip netns del "$NS"
    fi
    rm -rf "/etc/netns/$NS"
}

case "${1:-}" in
up)
    down
    ip netns add "$NS" || exit 1
    ip -n "$NS" link set lo up || exit 1
    mkdir -p "/etc/netns/$NS"
    printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"/etc/netns/$NS/resolv.conf"
    printf '127.0.0.1 localhost\n' >"/etc/netns/$NS/hosts"
    ip netns exec "$NS" sysctl -qw net.ipv4.ping_group_range="0 2147483647"
    echo "namespace $NS is up"
    ;;
down)
    down
    echo "namespace $NS is down"
    ;;
exec)
    shift
    exec ip netns exec "$NS" "$@"
    ;;
*)
    echo "usage: $0 up|down|exec CMD..." >&2
    exit 2
    ;;
esac
