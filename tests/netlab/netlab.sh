#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The test network: a LAN of Linux network namespaces with real servers on it.
#
#   netlab.sh up       build the lab (tearing down any previous one first)
#   netlab.sh down     remove every namespace, process and file the lab made
#   netlab.sh exec CMD run CMD in the scanner's namespace
#   netlab.sh status   print the table of what each address should report
#   netlab.sh hostile-up, hostile-down
#                      add to the lab, or take out of it, the hostile /24 (198.18.2.0/24)
#
# Needs root. Every address is in 198.18.0.0/15, nothing is added to the root
# namespace and no namespace has a default route, so no probe can leave the lab.
# See README.md for the address plan and the table's columns.

set -u
export LC_ALL=C

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PEER="$HERE/peer.py"
PY=/usr/bin/python3

# Fixed on purpose: `down` deletes these, so they must never come from the environment.
STATE=/run/vistrel-netlab
PREFIX=vnl-
SW=vnl-sw
SCAN=vnl-scan
RTR=vnl-rtr
FAR=vnl-far
DOMAIN=netlab.test
DNS_IP=198.18.0.1
SCAN_IP=198.18.0.2
LAN_PREFIX=20
FAR_NET=198.19.1.0/24
FAR_GW=198.19.1.1
SCAN_BUS="$STATE/vnl-scan/dbus/system_bus_socket"
# Where services are recorded; the hostile /24 keeps its own.
SVC_TSV=$STATE/services.tsv
READY_TSV=$STATE/ready.tsv
FAIL_TSV=$STATE/failures.tsv

READY_WAIT_S=${NETLAB_READY_WAIT_S:-20}

COLUMNS_TSV="ip mac expect_status name netbios_name netbios_group netbios_mac shares http_title has_http has_https has_ftp ortavo_ports snmp_sysname zeroconf_name mdns_name web_ports services failed netns notes"

say() { printf 'netlab: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# 77 tells CTest the lab tests were skipped rather than failed.
need_root() { [ "$(id -u)" -eq 0 ] || { say "skipped: the lab needs root"; exit 77; }; }

lab_namespaces() { ip netns list 2>/dev/null | awk '{print $1}' | grep "^$PREFIX" || true; }

# /proc/PID/stat field 22 (start time) tells a recorded PID from a reused one.
proc_start() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '{print $20}'; }
proc_alive() {
    local st
    st=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '{print $1}') || return 1
    [ -n "$st" ] && [ "$st" != Z ]
}

# ---------------------------------------------------------------- teardown

lab_pids() {
    local ns pidfile pid start netns own p
    declare -A lost=()
    for ns in $(lab_namespaces); do
        ip netns pids "$ns" 2>/dev/null
    done
    # A namespace deleted behind our back lives on while its processes do; they
    # are found through the PID files (trusted only while the start time still
    # matches) and then through the namespace those processes are in.
    own=$(readlink /proc/self/ns/net)
    for pidfile in "$STATE"/pids/*.pid; do
        [ -f "$pidfile" ] || continue
        read -r pid start <"$pidfile" || continue
        if [ -z "$pid" ] || [ "$(proc_start "$pid")" != "$start" ]; then continue; fi
        netns=$(readlink "/proc/$pid/ns/net") || continue
        [ "$netns" = "$own" ] || lost[$netns]=1
    done
    [ ${#lost[@]} -gt 0 ] || return 0
    for p in /proc/[0-9]*; do
        netns=$(readlink "$p/ns/net" 2>/dev/null) || continue
        [ -n "${lost[$netns]:-}" ] && echo "${p#/proc/}"
    done
}

# stop_pids PID...: TERM, then KILL what is left after 3 s.
stop_pids() {
    local pids=$* pid i left=""
    if [ -n "$pids" ]; then
        for pid in $pids; do kill -TERM "$pid" 2>/dev/null; done
        for ((i = 0; i < 30; i++)); do
            left=""
            for pid in $pids; do proc_alive "$pid" && left="$left $pid"; done
            [ -z "$left" ] && break
            sleep 0.1
        done
        for pid in $left; do kill -KILL "$pid" 2>/dev/null; done
        for ((i = 0; i < 20 && ${#left} > 0; i++)); do
            local still=""
            for pid in $left; do proc_alive "$pid" && still="$still $pid"; done
            left=$still
            [ -n "$left" ] && sleep 0.1
        done
        [ -n "$left" ] && say "warning: processes did not exit:$left"
    fi
    return 0
}

do_down() {
    local ns
    # shellcheck disable=SC2046 # one argument per PID
    stop_pids $(lab_pids | sort -un | grep -vx "$$" || true)
    for ns in $(lab_namespaces); do
        ip netns del "$ns" 2>/dev/null || say "warning: cannot delete namespace $ns"
    done
    rm -rf /etc/netns/"$PREFIX"* "$STATE"
    ns=$(lab_namespaces)
    [ -z "$ns" ] || die "namespaces left behind: $ns"
}

# ---------------------------------------------------------------- network

nsx() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

new_ns() {
    local ns=$1
    ip netns add "$ns" || die "cannot create namespace $ns"
    ip -n "$ns" link set lo up
    # IPv6 would only add router solicitations and mDNS chatter the probes never use.
    nsx "$ns" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1 \
        >/dev/null
    mkdir -p "/etc/netns/$ns"
    printf 'nameserver %s\noptions timeout:1 attempts:2\n' "$DNS_IP" >"/etc/netns/$ns/resolv.conf"
}

# Creates NS with eth0 (fixed MAC) plugged into the bridge and the given address.
lan_host() {
    local ns=$1 ip=$2 mac=$3
    new_ns "$ns"
    ip link add eth0 netns "$ns" address "$mac" type veth peer name "p${ns#"$PREFIX"}" netns "$SW" ||
        die "cannot create the veth of $ns"
    ip -n "$SW" link set "p${ns#"$PREFIX"}" master br0 up
    ip -n "$ns" addr add "$ip/$LAN_PREFIX" dev eth0
    ip -n "$ns" link set eth0 up
}

build_network() {
    local h ns ip mac
    new_ns "$SW"
    ip -n "$SW" link add br0 type bridge stp_state 0 forward_delay 0
    ip -n "$SW" link set br0 up

    lan_host "$SCAN" "$SCAN_IP" 02:5e:00:00:00:02
    # Unprivileged ping sockets are off in every new namespace, even for root.
    nsx "$SCAN" sysctl -q -w net.ipv4.ping_group_range="0 2147483647" >/dev/null

    lan_host "$RTR" "$DNS_IP" 02:5e:00:00:00:01
    nsx "$RTR" sysctl -q -w net.ipv4.ip_forward=1 >/dev/null
    new_ns "$FAR"
    ip link add eth1 netns "$RTR" address 02:5e:00:00:01:01 type veth \
        peer name eth0 netns "$FAR" address 02:5e:00:00:01:0a || die "cannot link $RTR and $FAR"
    ip -n "$RTR" addr add "$FAR_GW/24" dev eth1
    ip -n "$RTR" link set eth1 up
    ip -n "$FAR" addr add 198.19.1.10/24 dev eth0
    ip -n "$FAR" link set eth0 up
    ip -n "$FAR" route add "198.18.0.0/$LAN_PREFIX" via "$FAR_GW"
    ip -n "$SCAN" route add "$FAR_NET" via "$DNS_IP"

    for h in "${LAN_HOSTS[@]}"; do
        read -r ns ip mac <<<"$h"
        lan_host "$ns" "$ip" "$mac"
    done
    nsx vnl-h0-12 sysctl -q -w net.ipv4.icmp_echo_ignore_all=1 >/dev/null
    firewall vnl-h0-30 198.18.0.30 "policy drop;"
    firewall vnl-h0-31 198.18.0.31 "ip protocol tcp drop;"
}

# firewall NS IP RULES: an input filter in NS, as a desktop firewall's default would be; ARP
# is no IP and still answered. A failure is reported like a service that did not start.
firewall() {
    local ns=$1 ip=$2 rules=$3 out
    have nft || { svc_missing "$ns" "$ip" nft "nft is missing (Debian package nftables)"; return; }
    out=$(printf 'table ip fw {\n chain in {\n  type filter hook input priority 0; %s\n }\n}\n' "$rules" |
        nsx "$ns" nft -f - 2>&1) ||
        svc_missing "$ns" "$ip" nft "$(tr '\n' ' ' <<<"$out" | cut -c1-300)"
}

build_hostile() {
    local h ns mac first last i
    for h in "${HOSTILE_NS[@]}"; do
        read -r ns mac first last <<<"$h"
        lan_host "$ns" "$HOSTILE_NET.$first" "$mac"
        for ((i = first + 1; i <= last; i++)); do
            echo "address add $HOSTILE_NET.$i/$LAN_PREFIX dev eth0"
        done | ip -n "$ns" -batch - || die "cannot address $ns"
        # Many hosts behind one namespace: each closed UDP port must still answer at once, as
        # it would from a host of its own, rather than share one ICMP error budget.
        nsx "$ns" sysctl -q -w net.ipv4.icmp_ratelimit=0 net.ipv4.icmp_msgs_per_sec=100000 >/dev/null
    done
}

# ---------------------------------------------------------------- services

# svc_launch NS IP TOKEN CHECKS -- CMD...
# Starts CMD in NS, detached from our terminal and our output pipes (CTest waits
# on those), and records it for the readiness wait and for `down`.
svc_launch() {
    local ns=$1 ip=$2 token=$3 checks=$4
    shift 5
    local dir="$STATE/$ns/${token%%:*}"
    mkdir -p "$dir"
    setsid ip netns exec "$ns" "$@" >"$dir/log" 2>&1 </dev/null &
    LAUNCHED_PID=$!
    svc_record "$ns" "$ip" "$token" "$checks" "$LAUNCHED_PID" "$dir/log"
}

# svc_record NS IP TOKEN CHECKS PID LOG [START]; START is the PID's start time, when known.
svc_record() {
    local ns=$1 ip=$2 token=$3 checks=$4 pid=$5 log=$6 start=${7:-}
    [ -n "$start" ] || start=$(proc_start "$pid")
    echo "$pid $start" >"$STATE/pids/$ns.${token//[:\/]/_}.pid"
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$ns" "$ip" "$token" "$pid" "$checks" "$log" \
        >>"$SVC_TSV"
}

svc_missing() {
    local ns=$1 ip=$2 token=$3 why=$4
    printf '%s\t%s\t%s\t%s\n' "$ip" "$ns" "$token" "$why" >>"$FAIL_TSV"
    say "FAILED $token on $ip ($ns): $why"
}

have() { command -v "$1" >/dev/null 2>&1; }

write_page() {
    local dir=$1 kind=$2 title=$3
    mkdir -p "$dir"
    case $kind in
    xhtml)
        cat >"$dir/index.html" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Strict//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd">
<html xmlns="http://www.w3.org/1999/xhtml" xml:lang="en">
<head><title>$title</title></head>
<body><p>Lab page.</p></body>
</html>
EOF
        ;;
    plain)
        # Unclosed <meta>, <br> and <p>: fine for a browser, not XML.
        cat >"$dir/index.html" <<EOF
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>$title</title></head>
<body><p>Lab page<br>not well-formed<p>on purpose</body></html>
EOF
        ;;
    esac
}

# start_nginx NS IP MODE TITLE [ssl]; MODE is xhtml, plain or 404.
# start_nginx NS IP MODE TITLE [ssl] [alt]  (alt: the same site on 8080, and over TLS on 8443)
start_nginx() {
    local ns=$1 ip=$2 mode=$3 title=$4 ssl=${5:-} alt=${6:-} alt_http="" alt_https=""
    if [ -n "$alt" ]; then
        alt_http="listen $ip:8080;"
        alt_https="listen $ip:8443 ssl;"
    fi
    have nginx || { svc_missing "$ns" "$ip" nginx:80 "nginx is not installed"; return; }
    local d="$STATE/$ns/nginx" checks="tcp:$ip:80" ssl_server=""
    mkdir -p "$d/tmp"
    write_page "$d/www" "$mode" "$title"
    if [ -n "$ssl" ]; then
        if openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 7 \
            -subj "/CN=$ip" -keyout "$d/key.pem" -out "$d/cert.pem" >"$d/openssl.log" 2>&1; then
            ssl_server="server { listen $ip:443 ssl; $alt_https ssl_certificate $d/cert.pem; ssl_certificate_key $d/key.pem; root $d/www; }"
            checks="$checks tcp:$ip:443"
        else
            svc_missing "$ns" "$ip" nginx:443 "openssl could not make a certificate: $(tail -n1 "$d/openssl.log")"
        fi
    fi
    local root_loc=""
    [ "$mode" = 404 ] && root_loc="location = / { return 404; }"
    cat >"$d/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $d/nginx.pid;
error_log $d/error.log;
events { worker_connections 128; }
http {
    access_log $d/access.log;
    client_body_temp_path $d/tmp/body;
    proxy_temp_path $d/tmp/proxy;
    fastcgi_temp_path $d/tmp/fastcgi;
    uwsgi_temp_path $d/tmp/uwsgi;
    scgi_temp_path $d/tmp/scgi;
    default_type text/html;
    server { listen $ip:80; $alt_http root $d/www; $root_loc }
    $ssl_server
}
EOF
    svc_launch "$ns" "$ip" nginx:80 "tcp:$ip:80" -- nginx -e "$d/error.log" -c "$d/nginx.conf"
    if [ -n "$ssl_server" ]; then
        svc_record "$ns" "$ip" nginx:443 "tcp:$ip:443" "$LAUNCHED_PID" "$d/log"
    fi
}

start_vsftpd() {
    local ns=$1 ip=$2
    have vsftpd || { svc_missing "$ns" "$ip" vsftpd:21 "vsftpd is not installed"; return; }
    local d="$STATE/$ns/vsftpd"
    mkdir -p "$d/anon" "$d/empty"
    echo "lab file" >"$d/anon/readme.txt"
    cat >"$d/vsftpd.conf" <<EOF
listen=YES
listen_ipv6=NO
listen_address=$ip
background=NO
anonymous_enable=YES
local_enable=NO
write_enable=NO
anon_root=$d/anon
secure_chroot_dir=$d/empty
seccomp_sandbox=NO
xferlog_enable=NO
vsftpd_log_file=$d/vsftpd.log
EOF
    svc_launch "$ns" "$ip" vsftpd:21 "tcp:$ip:21" -- vsftpd "$d/vsftpd.conf"
}

# start_samba NS IP NETBIOS_NAME WORKGROUP WITH_SHARES
start_samba() {
    local ns=$1 ip=$2 nbname=$3 group=$4 shares=$5
    local d="$STATE/$ns/samba" x
    mkdir -p "$d"/{lock,state,cache,private,pid,ncalrpc,binddns,usershares,log,nmbd-socket}
    cat >"$d/smb.conf" <<EOF
[global]
netbios name = $nbname
workgroup = $group
server string = $nbname lab host
server role = standalone server
map to guest = Bad User
interfaces = $ip/$LAN_PREFIX
bind interfaces only = yes
load printers = no
printing = bsd
printcap name = /dev/null
disable spoolss = yes
dns proxy = no
lock directory = $d/lock
state directory = $d/state
cache directory = $d/cache
private dir = $d/private
pid directory = $d/pid
ncalrpc dir = $d/ncalrpc
binddns dir = $d/binddns
usershare path = $d/usershares
log file = $d/log/log.%m
passdb backend = tdbsam:$d/private/passdb.tdb
nmbd:socket dir = $d/nmbd-socket
EOF
    if [ "$shares" = 1 ]; then
        for x in docs pub hidden; do mkdir -p "$d/share/$x" && echo "$x" >"$d/share/$x/readme.txt"; done
        cat >>"$d/smb.conf" <<EOF

[docs]
path = $d/share/docs
comment = Documents share
read only = yes
guest ok = yes

[pub]
path = $d/share/pub
comment = Public files
read only = yes
guest ok = yes

[share\$]
path = $d/share/hidden
comment = A hidden share
read only = yes
guest ok = yes
EOF
    fi
    # samba-dcerpcd and its rpcd_* helpers log to the compiled-in /var/log/samba
    # whatever smb.conf says, and nmbd puts a cores directory there; give every
    # daemon private copies of Samba's system directories in its mount namespace.
    # shellcheck disable=SC2016 # expanded by the inner shell
    local jail=(/bin/sh -c 'for p in /var/log/samba /var/lib/samba /var/cache/samba /run/samba; do
        [ -d "$p" ] || continue; mkdir -p "$1$p" && mount --bind "$1$p" "$p" || exit 1; done
        shift; exec "$@"' samba "$d/root")
    if have nmbd; then
        svc_launch "$ns" "$ip" nmbd:137 "udp:$ip:137" -- \
            "${jail[@]}" nmbd --foreground --no-process-group --debug-stdout -s "$d/smb.conf"
    else
        svc_missing "$ns" "$ip" nmbd:137 "nmbd is not installed (package samba)"
    fi
    [ "$shares" = 1 ] || return
    if have smbd; then
        svc_launch "$ns" "$ip" smbd:445 "tcp:$ip:445" -- \
            "${jail[@]}" smbd --foreground --no-process-group --debug-stdout -s "$d/smb.conf"
    else
        svc_missing "$ns" "$ip" smbd:445 "smbd is not installed (package samba)"
    fi
}

start_snmpd() {
    local ns=$1 ip=$2 sysname=$3
    have snmpd || { svc_missing "$ns" "$ip" snmpd:161 "snmpd is not installed"; return; }
    local d="$STATE/$ns/snmpd"
    mkdir -p "$d/persist"
    cat >"$d/snmpd.conf" <<EOF
agentAddress udp:$ip:161
rocommunity public default
sysName $sysname
sysLocation netlab
sysContact netlab
EOF
    # -I -smux: otherwise snmpd also opens the SMUX port, TCP 199.
    svc_launch "$ns" "$ip" snmpd:161 "udp:$ip:161" -- env SNMP_PERSISTENT_DIR="$d/persist" \
        snmpd -f -C -c "$d/snmpd.conf" -Lf "$d/snmpd.log" -p "$d/snmpd.pid" -I -smux
}

start_dnsmasq() {
    local ns=$1 ip=$2
    have dnsmasq || { svc_missing "$ns" "$ip" dnsmasq:53 "dnsmasq is not installed (package dnsmasq-base)"; return; }
    local d="$STATE/$ns/dnsmasq" r
    mkdir -p "$d"
    {
        echo "keep-in-foreground"
        echo "no-resolv"
        echo "no-hosts"
        echo "no-poll"
        echo "bind-interfaces"
        echo "listen-address=$ip"
        echo "user=root"
        echo "pid-file=$d/dnsmasq.pid"
        echo "log-facility=-"
        echo "log-queries"
        # Answer NXDOMAIN at once for everything not listed: a resolver that
        # never answers would turn every lookup into a multi-second wait.
        echo "local=/$DOMAIN/"
        echo "local=/18.198.in-addr.arpa/"
        echo "local=/19.198.in-addr.arpa/"
        for r in "${DNS_RECORDS[@]}"; do echo "host-record=$r"; done
    } >"$d/dnsmasq.conf"
    svc_launch "$ns" "$ip" dnsmasq:53 "udp:$ip:53 tcp:$ip:53" -- dnsmasq --conf-file="$d/dnsmasq.conf"
}

# start_peer NS IP ROLE:PORT... (see peer.py)
start_peer() {
    local ns=$1 ip=$2 spec specs="" first
    shift 2
    [ -x "$PY" ] || { svc_missing "$ns" "$ip" "$1" "$PY is missing"; return; }
    for spec in "$@"; do specs="$specs ${spec%%:*}:$ip:${spec##*:}"; done
    first=$1
    shift
    # shellcheck disable=SC2086 # one argument per listener
    svc_launch "$ns" "$ip" "$first" "$(peer_check "$ip" "$first")" -- "$PY" "$PEER" $specs
    local pid=$LAUNCHED_PID log="$STATE/$ns/${first%%:*}/log" start
    start=$(proc_start "$pid")
    for spec in "$@"; do svc_record "$ns" "$ip" "$spec" "$(peer_check "$ip" "$spec")" "$pid" "$log" "$start"; done
}

# A block (A.B.C.D-E) is ready when its first address listens.
peer_check() {
    case $2 in
    nbns-* | snmp-*) echo "udp:${1%-*}:${2##*:}" ;;
    *) echo "tcp:${1%-*}:${2##*:}" ;;
    esac
}

# start_hostile NS: one peer.py for every block of NS in HOSTILE_BLOCKS, recorded once per
# block as CLASS:PORTS on the block's addresses (A.B.C.D-E).
start_hostile() {
    local ns=$1 b bns first last class roles role specs=() blocks=() ip ports checks
    for b in "${HOSTILE_BLOCKS[@]}"; do
        read -r bns first last class roles <<<"$b"
        [ "$bns" = "$ns" ] || continue
        ip=$HOSTILE_NET.$first-$last ports="" checks=""
        for role in $roles; do
            specs+=("${role%%:*}:$ip:${role##*:}")
            ports="$ports,${role##*:}"
            checks="$checks $(peer_check "$ip" "$role")"
        done
        blocks+=("$ip	$class:${ports#,}	${checks# }")
    done
    [ ${#blocks[@]} -gt 0 ] || return 0
    if [ ! -x "$PY" ]; then
        for b in "${blocks[@]}"; do
            IFS=$'\t' read -r ip class checks <<<"$b"
            svc_missing "$ns" "$ip" "$class" "$PY is missing"
        done
        return
    fi
    IFS=$'\t' read -r ip class checks <<<"${blocks[0]}"
    svc_launch "$ns" "$ip" "$class" "$checks" -- "$PY" "$PEER" "${specs[@]}"
    local pid=$LAUNCHED_PID log="$STATE/$ns/${class%%:*}/log" start
    start=$(proc_start "$pid")
    for b in "${blocks[@]:1}"; do
        IFS=$'\t' read -r ip class checks <<<"$b"
        svc_record "$ns" "$ip" "$class" "$checks" "$pid" "$log" "$start"
    done
}

start_scan_bus() {
    have dbus-daemon || { svc_missing "$SCAN" "$SCAN_IP" dbus "dbus-daemon is not installed"; return; }
    local d="$STATE/$SCAN/dbus"
    mkdir -p "$d"
    # A system bus of the scanner's own: the DNS-SD library reaches avahi through it.
    cat >"$d/system.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$SCAN_BUS</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Properties"/>
  </policy>
  <includedir>/usr/share/dbus-1/system.d</includedir>
</busconfig>
EOF
    svc_launch "$SCAN" "$SCAN_IP" dbus "sock:$SCAN_BUS" -- \
        dbus-daemon --config-file="$d/system.conf" --nofork --nopidfile
}

# start_avahi NS IP HOSTNAME PUBLISH(yes|no|addresses) DBUS(yes|no)
# PUBLISH=addresses: the host answers for its own name and address but announces no service.
start_avahi() {
    local ns=$1 ip=$2 host=$3 publish=$4 dbus=$5 i
    have avahi-daemon || { svc_missing "$ns" "$ip" avahi:5353 "avahi-daemon is not installed"; return; }
    local d="$STATE/$ns/avahi"
    mkdir -p "$d"
    cat >"$d/avahi-daemon.conf" <<EOF
[server]
host-name=$host
domain-name=local
use-ipv4=yes
use-ipv6=no
allow-interfaces=eth0
enable-dbus=$dbus
ratelimit-interval-usec=1000000
ratelimit-burst=1000

[wide-area]
enable-wide-area=no

[publish]
disable-publishing=$([ "$publish" = no ] && echo yes || echo no)
publish-hinfo=no
publish-workstation=$([ "$publish" = yes ] && echo yes || echo no)
publish-domain=no
EOF
    if [ "$dbus" = yes ]; then
        for ((i = 0; i < 30; i++)); do
            [ -S "$SCAN_BUS" ] && break
            sleep 0.1
        done
    fi
    # avahi's pid file and socket paths are compiled in under /run/avahi-daemon,
    # so each instance gets a private /run in its own mount namespace; the lab's
    # state directory is carried over so the bus socket stays reachable.
    # shellcheck disable=SC2016 # expanded by the inner shell
    svc_launch "$ns" "$ip" avahi:5353 "log:Server startup complete" -- \
        env DBUS_SYSTEM_BUS_ADDRESS="unix:path=$SCAN_BUS" /bin/sh -c \
        'mount --bind "$1" /mnt && mount -t tmpfs -o mode=755 netlab /run &&
         mkdir -p "$1" /run/avahi-daemon && mount --move /mnt "$1" &&
         exec avahi-daemon -f "$2" --no-chroot --no-drop-root --no-rlimits' \
        avahi "$STATE" "$d/avahi-daemon.conf"
}

# ---------------------------------------------------------------- readiness

check_passes() {
    local check=$1 ns=$2 listen
    case $check in
    tcp:* | udp:*)
        local proto=${check%%:*} addr=${check#*:}
        listen=$(cat "$STATE/ss.$ns.$proto" 2>/dev/null)
        grep -qxF -e "$addr" -e "0.0.0.0:${addr##*:}" -e "*:${addr##*:}" <<<"$listen"
        ;;
    sock:*) [ -S "${check#sock:}" ] ;;
    *) return 1 ;;
    esac
}

wait_ready() {
    local deadline=$((SECONDS + READY_WAIT_S)) pending=1 ns ip token pid checks log c ok
    : >"$READY_TSV"
    declare -A done_=()
    while [ "$pending" -gt 0 ]; do
        pending=0
        while read -r ns; do
            ss -N "$ns" -Hlnt 2>/dev/null | awk '{print $4}' >"$STATE/ss.$ns.tcp"
            ss -N "$ns" -Hlnu 2>/dev/null | awk '{print $4}' >"$STATE/ss.$ns.udp"
        done < <(cut -f1 "$SVC_TSV" | sort -u)
        while IFS=$'\t' read -r ns ip token pid checks log; do
            [ -n "${done_[$ns/$token]:-}" ] && continue
            if ! proc_alive "$pid"; then
                done_[$ns/$token]=1
                svc_missing "$ns" "$ip" "$token" \
                    "exited during start: $(grep -v '^\s*$' "$log" 2>/dev/null | tail -n 2 | tr '\t\n' '  ' | cut -c1-300) (log $log)"
                continue
            fi
            ok=1
            if [[ $checks == log:* ]]; then
                grep -qF "${checks#log:}" "$log" 2>/dev/null || ok=0
            else
                for c in $checks; do check_passes "$c" "$ns" || ok=0; done
            fi
            if [ "$ok" = 1 ]; then
                done_[$ns/$token]=1
                printf '%s\t%s\t%s\n' "$ip" "$ns" "$token" >>"$READY_TSV"
            elif [ "$SECONDS" -ge "$deadline" ]; then
                done_[$ns/$token]=1
                svc_missing "$ns" "$ip" "$token" "not ready after ${READY_WAIT_S}s (log $log)"
            else
                pending=$((pending + 1))
            fi
        done <"$SVC_TSV"
        [ "$pending" -gt 0 ] && sleep 0.2
    done
    rm -f "$STATE"/ss.*
}

# ---------------------------------------------------------------- the lab

# netns, address, MAC of the hosts on the bridge (the scanner and router are built apart).
LAN_HOSTS=(
    "vnl-h0-10   198.18.0.10    02:5e:00:00:00:0a"
    "vnl-h0-11   198.18.0.11    02:5e:00:00:00:0b"
    "vnl-h0-12   198.18.0.12    02:5e:00:00:00:0c"
    "vnl-h0-13   198.18.0.13    02:5e:00:00:00:0d"
    "vnl-h0-14   198.18.0.14    02:5e:00:00:00:0e"
    "vnl-h0-20   198.18.0.20    02:5e:00:00:00:14"
    "vnl-h0-21   198.18.0.21    02:5e:00:00:00:15"
    "vnl-h0-22   198.18.0.22    02:5e:00:00:00:16"
    "vnl-h0-23   198.18.0.23    02:5e:00:00:00:17"
    "vnl-h0-24   198.18.0.24    02:5e:00:00:00:18"
    "vnl-h0-25   198.18.0.25    02:5e:00:00:00:19"
    "vnl-h0-30   198.18.0.30    02:5e:00:00:00:1e"
    "vnl-h0-31   198.18.0.31    02:5e:00:00:00:1f"
    "vnl-h0-32   198.18.0.32    02:5e:00:00:00:20"
    "vnl-h1-5    198.18.1.5     02:5e:00:00:01:05"
    "vnl-h15-250 198.18.15.250  02:5e:00:00:0f:fa"
)

# The hostile /24: a few namespaces, each holding a block of 198.18.2.0/24 on its one eth0
# (netns, MAC, first and last octet). No PTR records: the scanner asks SNMP for every name.
HOSTILE_NET=198.18.2
HOSTILE_NS=(
    "vnl-h2-web 02:5e:00:00:02:01   1 125"
    "vnl-h2-udp 02:5e:00:00:02:02 126 225"
    "vnl-h2-pit 02:5e:00:00:02:03 226 254"
)
# One class of misbehaviour per block of addresses, one peer.py per class (netns, first and
# last octet, class, ROLE:PORT...); see peer.py for what each role does.
HOSTILE_BLOCKS=(
    "vnl-h2-web   1  25 http-entity          http-entity:80"
    "vnl-h2-web  26  50 http-chunked         http-chunked:80"
    "vnl-h2-web  51  75 http-gzip            http-gzip:80"
    "vnl-h2-web  76 100 http-endless-line    http-endless-line:80"
    "vnl-h2-web 101 125 http-endless-headers http-endless-headers:80"
    "vnl-h2-udp 126 150 snmp-evil            snmp-evil:161"
    "vnl-h2-udp 151 175 nbns-ctrl            nbns-ctrl:137"
    "vnl-h2-udp 176 201 nbns-spoof           nbns-spoof:137"
    "vnl-h2-udp 202 225 nbns-unitid          nbns-unitid:137"
    "vnl-h2-pit 226 254 tarpit               tarpit:21 tarpit:80 tarpit:139 tarpit:443 tarpit:445 tarpit:4899"
)

DNS_RECORDS=(
    "gw.$DOMAIN,198.18.0.1"
    "alpha.$DOMAIN,198.18.0.10"
    "charlie.$DOMAIN,198.18.0.12"
    "tarpit.$DOMAIN,198.18.0.20"
    "trickle.$DOMAIN,198.18.0.21"
    "echo.$DOMAIN,198.18.1.5"
    "far.$DOMAIN,198.19.1.10"
)

start_services() {
    start_scan_bus
    start_dnsmasq "$RTR" "$DNS_IP"

    start_nginx vnl-h0-10 198.18.0.10 xhtml "Alpha XHTML Title" ssl alt
    start_vsftpd vnl-h0-10 198.18.0.10
    start_samba vnl-h0-10 198.18.0.10 ALPHA LABGROUP 1
    start_snmpd vnl-h0-10 198.18.0.10 alpha-snmp
    start_peer vnl-h0-10 198.18.0.10 accept:4899 accept:4900

    start_nginx vnl-h0-11 198.18.0.11 plain "Bravo plain page"
    start_samba vnl-h0-11 198.18.0.11 BRAVO OTHERGRP 0
    start_snmpd vnl-h0-11 198.18.0.11 bravo-snmp
    start_peer vnl-h0-11 198.18.0.11 accept:4900

    start_nginx vnl-h0-12 198.18.0.12 404 ""
    start_vsftpd vnl-h0-12 198.18.0.12

    start_avahi vnl-h0-13 198.18.0.13 delta yes no
    start_peer vnl-h0-13 198.18.0.13 accept:4899

    start_avahi vnl-h0-14 198.18.0.14 foxtrot addresses no

    start_peer vnl-h0-20 198.18.0.20 tarpit:80 tarpit:21 tarpit:445 tarpit:4899
    start_peer vnl-h0-21 198.18.0.21 trickle:80
    start_peer vnl-h0-22 198.18.0.22 nbns-oversized:137
    start_peer vnl-h0-23 198.18.0.23 nbns-truncated:137
    start_peer vnl-h0-24 198.18.0.24 nbns-short:137
    start_peer vnl-h0-25 198.18.0.25 nbns-badid:137
    start_peer vnl-h1-5 198.18.1.5 accept:4899
    start_peer vnl-h0-32 198.18.0.32 snmp-slow:161

    start_avahi "$SCAN" "$SCAN_IP" vnl-scan no yes
}

declare -A CELL=()
ROWS=()

# row IP NETNS column=value...  (unnamed columns stay empty; has_* default to 0)
row() {
    local ip=$1 ns=$2 kv
    shift 2
    ROWS+=("$ip")
    CELL[$ip/netns]=$ns
    for kv in has_http=0 has_https=0 has_ftp=0 "$@"; do CELL[$ip/${kv%%=*}]=${kv#*=}; done
}

expectations() {
    row 198.18.0.1 "$RTR" mac=02:5E:00:00:00:01 expect_status=alive name=gw.$DOMAIN \
        notes="router to 198.19.1.0/24 and the lab's DNS server"
    row 198.18.0.2 "$SCAN" mac=02:5E:00:00:00:02 expect_status=alive \
        notes="the scanner's own address: its MAC from the interface, as nothing answers ARP for it; no PTR"
    row 198.18.0.10 vnl-h0-10 mac=02:5E:00:00:00:0A expect_status=alive name=alpha.$DOMAIN \
        netbios_name=ALPHA netbios_group=LABGROUP netbios_mac=00:00:00:00:00:00 \
        'shares=docs,pub,share$,IPC$' http_title="Alpha XHTML Title" has_http=1 has_https=1 has_ftp=1 \
        ortavo_ports=4899,4900 snmp_sysname=alpha-snmp web_ports=8080,8443s \
        notes="answers everything: XHTML page, self-signed HTTPS, anonymous FTP, Samba, SNMP"
    row 198.18.0.11 vnl-h0-11 mac=02:5E:00:00:00:0B expect_status=alive \
        netbios_name=BRAVO netbios_group=OTHERGRP netbios_mac=00:00:00:00:00:00 has_http=1 \
        ortavo_ports=4900 snmp_sysname=bravo-snmp \
        notes="no PTR so the name comes from SNMP; page has <title>Bravo plain page</title> but is not XML, so no title"
    row 198.18.0.12 vnl-h0-12 mac=02:5E:00:00:00:0C expect_status=alive name=charlie.$DOMAIN \
        has_ftp=1 notes="drops ICMP echo, answers ARP; HTTP answers 404 at /"
    row 198.18.0.13 vnl-h0-13 mac=02:5E:00:00:00:0D expect_status=alive ortavo_ports=4899 \
        zeroconf_name=delta notes="no PTR, no SNMP: the name comes from the DNS-SD workstation service 'delta [02:5e:00:00:00:0d]'"
    row 198.18.0.14 vnl-h0-14 mac=02:5E:00:00:00:0E expect_status=alive mdns_name=foxtrot \
        notes="no PTR, no SNMP, no DNS-SD service: its avahi answers a unicast question for its address's PTR"
    row 198.18.0.20 vnl-h0-20 mac=02:5E:00:00:00:14 expect_status=alive name=tarpit.$DOMAIN \
        ortavo_ports=4899 notes="TCP 21, 80, 445 and 4899 accept and never send a byte"
    row 198.18.0.21 vnl-h0-21 mac=02:5E:00:00:00:15 expect_status=alive name=trickle.$DOMAIN \
        notes="HTTP 200 whose body trickles one byte every 0.5 s forever"
    row 198.18.0.22 vnl-h0-22 mac=02:5E:00:00:00:16 expect_status=alive \
        netbios_name=HUGE netbios_group=HUGEGROUP netbios_mac=02:5E:EE:00:00:16 \
        notes="UDP 137 answers with 65507 bytes: 255 names, a unit id, then padding"
    row 198.18.0.23 vnl-h0-23 mac=02:5E:00:00:00:17 expect_status=alive \
        netbios_name=СЕРВЕР netbios_group=TRUNCGRP \
        notes="UDP 137 answer declares 3 names but holds 2 whole ones (the first in IBM 866), no statistics"
    row 198.18.0.24 vnl-h0-24 mac=02:5E:00:00:00:18 expect_status=alive \
        notes="UDP 137 answer of 56 bytes, too short to parse"
    row 198.18.0.25 vnl-h0-25 mac=02:5E:00:00:00:19 expect_status=alive \
        notes="UDP 137 answer carries a wrong transaction id"
    row 198.18.0.30 vnl-h0-30 mac=02:5E:00:00:00:1E expect_status=alive \
        notes="firewalled: answers ARP, drops every IP packet (ICMP, TCP, UDP); no PTR"
    row 198.18.0.31 vnl-h0-31 mac=02:5E:00:00:00:1F expect_status=alive \
        notes="firewalled: answers ARP and ICMP echo, drops every TCP packet; UDP ports are closed; no PTR"
    row 198.18.0.32 vnl-h0-32 mac=02:5E:00:00:00:20 expect_status=alive snmp_sysname=slow-snmp \
        notes="SNMP agent that answers 1.5 s after the request: high accuracy names the host, the default mode (one 1 s wait on the link) does not; no PTR"
    row 198.18.0.99 "" mac= expect_status=unknown notes="absent"
    row 198.18.1.5 vnl-h1-5 mac=02:5E:00:00:01:05 expect_status=alive name=echo.$DOMAIN ortavo_ports=4899 \
        notes="beyond the first /24"
    row 198.18.1.99 "" mac= expect_status=unknown notes="absent, beyond the first /24"
    row 198.18.15.250 vnl-h15-250 mac=02:5E:00:00:0F:FA expect_status=alive \
        notes="last /24 of the /20; ICMP and ARP only, no PTR"
    row 198.19.1.10 "$FAR" mac= expect_status=alive name=far.$DOMAIN \
        notes="behind the router: alive by ICMP, no MAC by ARP"
    row 198.19.1.99 "" mac= expect_status=unknown notes="absent, behind the router"
}

write_table() {
    local out="$STATE/hosts.tsv" ip col line ns svc fail
    expectations
    tr ' ' '\t' <<<"$COLUMNS_TSV" >"$out"
    for ip in "${ROWS[@]}"; do
        ns=${CELL[$ip/netns]}
        svc=$(awk -F'\t' -v i="$ip" '$1 == i {printf "%s%s", s, $3; s = ","}' "$STATE/ready.tsv")
        fail=$(awk -F'\t' -v i="$ip" '$1 == i {printf "%s%s", s, $3; s = ","}' "$STATE/failures.tsv")
        CELL[$ip/ip]=$ip
        CELL[$ip/services]=$svc
        CELL[$ip/failed]=$fail
        line=""
        for col in $COLUMNS_TSV; do line+="${CELL[$ip/$col]:-}"$'\t'; done
        printf '%s\n' "${line%$'\t'}" >>"$out"
    done
}

# The hostile /24's own table, hostile.tsv: one row per address, what it does and what a scan
# must report for it. hosts.tsv stays the table of the first lab.
HOSTILE_COLUMNS="ip class mac netbios_foreign netbios_mac services failed netns"

write_hostile_table() {
    local out="$STATE/hostile.tsv" b h ns first last class roles mac i ip foreign unit svc fail
    declare -A nsmac=() ready=() failed=()
    for h in "${HOSTILE_NS[@]}"; do
        read -r ns mac first last <<<"$h"
        nsmac[$ns]=${mac^^}
    done
    while IFS=$'\t' read -r ip ns svc; do ready[$ip]=$svc; done <"$READY_TSV"
    while IFS=$'\t' read -r ip ns svc fail; do failed[$ip]=$svc; done <"$FAIL_TSV"
    tr ' ' '\t' <<<"$HOSTILE_COLUMNS" >"$out"
    for b in "${HOSTILE_BLOCKS[@]}"; do
        read -r ns first last class roles <<<"$b"
        svc=${ready[$HOSTILE_NET.$first-$last]:-} fail=${failed[$HOSTILE_NET.$first-$last]:-}
        for ((i = first; i <= last; i++)); do
            ip=$HOSTILE_NET.$i foreign="" unit=""
            # The second of each spoofing pair must never carry the first one's name.
            [ "$class" = nbns-spoof ] && [ $(((i - first) % 2)) = 1 ] && foreign=$(printf 'SPOOF%03d' $((i - 1)))
            [ "$class" = nbns-unitid ] && unit=$(printf '02:5E:BB:00:02:%02X' "$i")
            printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$ip" "$class" "${nsmac[$ns]}" "$foreign" "$unit" \
                "$svc" "$fail" "$ns" >>"$out"
        done
    done
}

do_up() {
    local start_ns
    start_ns=$(date +%s%N)
    have ip || die "iproute2 is missing"
    [ -x "$PY" ] || die "$PY is missing"
    do_down
    mkdir -p "$STATE/pids"
    chmod 755 "$STATE"
    : >"$STATE/services.tsv"
    printf 'ip\tnetns\tservice\treason\n' >"$STATE/failures.tsv"
    build_network
    start_services
    wait_ready
    write_table
    local ms=$((($(date +%s%N) - start_ns) / 1000000))
    local nfail
    nfail=$(($(wc -l <"$STATE/failures.tsv") - 1))
    say "up in ${ms} ms; $(wc -l <"$STATE/ready.tsv") services running, $nfail failed"
    echo "$STATE/hosts.tsv"
    [ "$nfail" -eq 0 ] || [ -z "${NETLAB_STRICT:-}" ] || exit 3
}

# The hostile /24 is not part of `up`: a scan of the whole /20 (the windowed program's lab test)
# must not meet it. Whoever needs it adds it to a running lab and takes it out again.
hostile_namespaces() {
    local h
    for h in "${HOSTILE_NS[@]}"; do
        ip netns list 2>/dev/null | awk '{print $1}' | grep -qx "${h%% *}" && echo "${h%% *}"
    done
    return 0
}

do_hostile_down() {
    local ns pids=""
    for ns in $(hostile_namespaces); do pids="$pids $(ip netns pids "$ns" 2>/dev/null)"; done
    # shellcheck disable=SC2086 # one argument per PID
    stop_pids $pids
    for ns in $(hostile_namespaces); do
        ip netns del "$ns" 2>/dev/null || say "warning: cannot delete namespace $ns"
        rm -rf "/etc/netns/$ns" "${STATE:?}/$ns" "$STATE"/pids/"$ns".*.pid
    done
    rm -f "$STATE"/hostile*.tsv
}

do_hostile_up() {
    local start_ns h ms nfail
    start_ns=$(date +%s%N)
    if [ ! -f "$STATE/hosts.tsv" ] || ! ip netns list | grep -q "^$SCAN\b"; then
        die "the lab is not up (netlab.sh up)"
    fi
    do_hostile_down
    SVC_TSV=$STATE/hostile-services.tsv
    READY_TSV=$STATE/hostile-ready.tsv
    FAIL_TSV=$STATE/hostile-failures.tsv
    : >"$SVC_TSV"
    printf 'ip\tnetns\tservice\treason\n' >"$FAIL_TSV"
    build_hostile
    for h in "${HOSTILE_NS[@]}"; do start_hostile "${h%% *}"; done
    wait_ready
    write_hostile_table
    ms=$((($(date +%s%N) - start_ns) / 1000000))
    nfail=$(($(wc -l <"$FAIL_TSV") - 1))
    say "hostile /24 up in ${ms} ms; $(wc -l <"$READY_TSV") peers running, $nfail failed"
    echo "$STATE/hostile.tsv"
    [ "$nfail" -eq 0 ] || [ -z "${NETLAB_STRICT:-}" ] || exit 3
}

do_status() {
    [ -f "$STATE/hosts.tsv" ] || die "the lab is not up"
    cat "$STATE/hosts.tsv"
    if [ "$(wc -l <"$STATE/failures.tsv")" -gt 1 ]; then
        say "services that failed to start:"
        cat "$STATE/failures.tsv" >&2
    fi
}

do_exec() {
    [ $# -gt 0 ] || die "usage: netlab.sh exec COMMAND [ARG...]"
    ip netns list | grep -q "^$SCAN\b" || die "the lab is not up"
    exec ip netns exec "$SCAN" env DBUS_SYSTEM_BUS_ADDRESS="unix:path=$SCAN_BUS" "$@"
}

# The CTest fixture reuses a lab that is already up and healthy (someone working on probes keeps
# one running) and takes down only a lab it built itself.
do_fixture_up() {
    if [ -f "$STATE/hosts.tsv" ] && ip netns list | grep -q "^$SCAN\b" &&
        [ "$(wc -l <"$STATE/failures.tsv" 2>/dev/null || echo 0)" -eq 1 ]; then
        say "reusing the lab that is already up"
        return 0
    fi
    do_up || return $?
    touch "$STATE/fixture-owned"
}

do_fixture_down() {
    if [ -f "$STATE/fixture-owned" ]; then
        do_down
    else
        say "the lab was up before the tests: left up"
    fi
}

cmd=${1:-}
shift || true
case $cmd in
up) need_root; do_up ;;
down) need_root; do_down ;;
fixture-up) need_root; do_fixture_up ;;
fixture-down) need_root; do_fixture_down ;;
exec) need_root; do_exec "$@" ;;
status) do_status ;;
hostile-up) need_root; do_hostile_up ;;
hostile-down) need_root; do_hostile_down ;;
*) echo "usage: $0 up|down|exec COMMAND...|status|fixture-up|fixture-down|hostile-up|hostile-down" >&2; exit 2 ;;
esac
