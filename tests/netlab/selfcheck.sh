#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Checks the running lab from the scanner's namespace with ordinary peer tools,
# against the table that `netlab.sh up` wrote. When this passes, a failing probe
# test points at the probe, not at the lab. Every command runs under `timeout`.

set -u
export LC_ALL=C.UTF-8

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
NETLAB="$HERE/netlab.sh"
STATE=/run/vistrel-netlab
TABLE="$STATE/hosts.tsv"
FAILS=0
PASSES=0

[ "$(id -u)" -eq 0 ] || { echo "SKIP: the lab needs root"; exit 77; }
[ -s "$TABLE" ] || { echo "FAIL: the lab is not up ($TABLE is missing)"; exit 1; }

# Client tools keep caches and sockets in compiled-in /run/samba and /var/lib/snmp
# unless told otherwise; keep them in a scratch directory instead.
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -p "$SCRATCH"/samba/{lock,state,cache,private,ncalrpc,pid,nmbd} "$SCRATCH/snmp"
cat >"$SCRATCH/smb.conf" <<EOF
[global]
lock directory = $SCRATCH/samba/lock
state directory = $SCRATCH/samba/state
cache directory = $SCRATCH/samba/cache
private dir = $SCRATCH/samba/private
ncalrpc dir = $SCRATCH/samba/ncalrpc
pid directory = $SCRATCH/samba/pid
nmbd:socket dir = $SCRATCH/samba/nmbd
EOF

pass() { echo "PASS: $*"; PASSES=$((PASSES + 1)); }
fail() { echo "FAIL: $*"; FAILS=$((FAILS + 1)); }

# same LABEL ACTUAL EXPECTED
same() {
    if [ "$2" = "$3" ]; then
        pass "$1: '$2'"
    else
        fail "$1: '$2', expected '$3'"
    fi
}

# scan SECONDS CMD...: CMD in the scanner's namespace, killed after SECONDS.
scan() { local s=$1; shift; timeout -k 1 "$s" "$NETLAB" exec "$@"; }

cell() {
    awk -F'\t' -v ip="$1" -v col="$2" '
        NR == 1 { for (i = 1; i <= NF; i++) c[$i] = i; next }
        $1 == ip { print $(c[col]) }' "$TABLE"
}

# rows_where COLUMN [VALUE]: addresses whose COLUMN equals VALUE, or is not empty.
rows_where() {
    awk -F'\t' -v col="$1" -v val="${2-}" -v any="${2+x}" '
        NR == 1 { for (i = 1; i <= NF; i++) c[$i] = i; next }
        (any == "" && $(c[col]) != "") || (any != "" && $(c[col]) == val) { print $1 }' "$TABLE"
}

# needs IP SERVICE WHAT: false (and a FAIL naming the reason) unless SERVICE runs on IP.
needs() {
    local ip=$1 svc=$2 what=$3 why
    [[ ",$(cell "$ip" services)," == *",$svc,"* ]] && return 0
    why=$(awk -F'\t' -v ip="$ip" -v s="$svc" '$1 == ip && $3 == s {print $4}' "$STATE/failures.tsv")
    fail "$what: $svc is not running on $ip: ${why:-not started}"
    return 1
}

tool() {
    command -v "$1" >/dev/null 2>&1 && return 0
    fail "peer tool $1 is missing (Debian package $2)"
    return 1
}

check_liveness() {
    local ip mac status out
    for ip in $(rows_where expect_status); do
        status=$(cell "$ip" expect_status)
        [ "$ip" = 198.18.0.2 ] && continue
        if scan 5 ping -c 1 -W 1 "$ip" >/dev/null 2>&1; then out=alive; else out=unknown; fi
        # The ICMP-silent hosts are alive for a scanner (by ARP), never for ping.
        [ "$ip" = 198.18.0.12 ] || [ "$ip" = 198.18.0.30 ] && status=unknown
        same "$ip ping" "$out" "$status"
    done
    # Resolve the ICMP-silent host through the kernel's ARP, as a scanner would.
    scan 5 "$PY" -c 'import socket; socket.socket(socket.AF_INET, socket.SOCK_DGRAM).sendto(b"", ("198.18.0.12", 9))' \
        >/dev/null 2>&1
    sleep 0.3
    for ip in $(rows_where expect_status alive); do
        [ "$ip" = 198.18.0.2 ] && continue
        mac=$(cell "$ip" mac)
        out=$(scan 5 ip neigh show "$ip" | awk '{for (i = 1; i < NF; i++) if ($i == "lladdr") print toupper($(i + 1))}')
        same "$ip MAC" "$out" "$mac"
    done
    if tool arp-scan arp-scan; then
        out=$(scan 10 arp-scan -I eth0 -q -x -t 300 -r 2 198.18.0.12 198.18.0.99 2>/dev/null | awk '{print $1, toupper($2)}')
        same "arp-scan of 198.18.0.12 and 198.18.0.99" "$out" "198.18.0.12 02:5E:00:00:00:0C"
    fi
}

check_dns() {
    local ip name out
    for ip in $(rows_where expect_status alive); do
        name=$(cell "$ip" name)
        out=$(scan 8 getent hosts "$ip" | awk '{print $2}')
        same "$ip PTR" "$out" "$name"
    done
    out=$(scan 8 getent hosts "alpha.netlab.test" | awk '{print $1}')
    same "alpha.netlab.test A" "$out" 198.18.0.10
}

check_netbios() {
    local ip out
    tool nmblookup samba-common-bin || return
    for ip in $(rows_where netbios_name); do
        [ "$(cell "$ip" netbios_mac)" = 00:00:00:00:00:00 ] || continue # only real nmbd hosts
        needs "$ip" nmbd:137 "NetBIOS node status" || continue
        out=$(scan 10 nmblookup -s "$SCRATCH/smb.conf" -A "$ip" 2>&1)
        if grep -Eq "^\s+$(cell "$ip" netbios_name)\s+<00> -  " <<<"$out" &&
            grep -Eq "^\s+$(cell "$ip" netbios_group)\s+<1e> - <GROUP>" <<<"$out"; then
            pass "$ip nmblookup: $(cell "$ip" netbios_name)/$(cell "$ip" netbios_group)"
        else
            fail "$ip nmblookup printed: $(tr '\n\t' '  ' <<<"$out")"
        fi
    done
    out=$(scan 5 "$PY" - <<'EOF'
import socket
query = b"\0\0\0\x10\0\x01\0\0\0\0\0\0\x20CK" + b"A" * 30 + b"\0\0\x21\0\x01"
for ip in ("198.18.0.22", "198.18.0.23", "198.18.0.24", "198.18.0.25"):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(1.0)
    s.sendto(query, (ip, 137))
    try:
        data = s.recv(65536)
        print(ip, len(data), data[:2].hex())
    except OSError:
        print(ip, "none", "-")
EOF
)
    local want="198.18.0.22 65507 0000
198.18.0.23 102 0000
198.18.0.24 56 0000
198.18.0.25 139 1111"
    same "hostile NetBIOS answers (address, length, id)" "$(paste -sd';' <<<"$out")" "$(paste -sd';' <<<"$want")"
}

check_shares() {
    local ip out
    tool smbclient smbclient || return
    for ip in $(rows_where shares); do
        needs "$ip" smbd:445 "share listing" || continue
        out=$(scan 20 smbclient -s "$SCRATCH/smb.conf" -L "//$ip" -N -g 2>/dev/null | awk -F'|' 'NF >= 3 {print $2}' | paste -sd,)
        same "$ip shares" "$out" "$(cell "$ip" shares)"
    done
}

check_snmp() {
    local ip out
    tool snmpget snmp || return
    local svc wait
    for ip in $(rows_where snmp_sysname); do
        # The slow agent answers after 1.5 s.
        svc=snmpd:161 wait=1
        [ "$ip" = 198.18.0.32 ] && svc=snmp-slow:161 wait=3
        needs "$ip" "$svc" "SNMP sysName" || continue
        out=$(SNMP_PERSISTENT_DIR=$SCRATCH/snmp MIBS='' scan 8 snmpget -v1 -c public -t "$wait" -r 1 -Oqv "$ip" 1.3.6.1.2.1.1.5.0 2>/dev/null)
        same "$ip sysName" "$out" "\"$(cell "$ip" snmp_sysname)\""
    done
}

check_web() {
    local out
    tool curl curl || return
    if needs 198.18.0.10 nginx:80 "HTTP title"; then
        out=$(scan 5 curl -s -m 3 http://198.18.0.10/ | sed -n 's:.*<title>\(.*\)</title>.*:\1:p')
        same "198.18.0.10 HTTP title" "$out" "$(cell 198.18.0.10 http_title)"
    fi
    if needs 198.18.0.10 nginx:443 "HTTPS"; then
        out=$(scan 5 curl -sk -m 3 -o /dev/null -w '%{http_code}' https://198.18.0.10/)
        same "198.18.0.10 HTTPS status" "$out" 200
    fi
    if needs 198.18.0.11 nginx:80 "plain HTML page"; then
        out=$(scan 5 curl -s -m 3 -o /dev/null -w '%{http_code}' http://198.18.0.11/)
        same "198.18.0.11 HTTP status" "$out" 200
    fi
    if needs 198.18.0.12 nginx:80 "HTTP 404"; then
        out=$(scan 5 curl -s -m 3 -o /dev/null -w '%{http_code}' http://198.18.0.12/)
        same "198.18.0.12 HTTP status" "$out" 404
    fi
    if needs 198.18.0.20 tarpit:80 "tarpit"; then
        out=$(scan 5 curl -s -m 1 -o /dev/null -w '%{size_download} %{http_code}' http://198.18.0.20/)
        same "198.18.0.20 tarpit (bytes, status)" "$out" "0 000"
    fi
    if needs 198.18.0.21 trickle:80 "trickling HTTP"; then
        out=$(scan 5 curl -s -m 2 -o /dev/null -w '%{http_code}' http://198.18.0.21/)
        same "198.18.0.21 trickle status (the body never ends)" "$out" 200
    fi
    local ip
    for ip in $(rows_where has_ftp 1); do
        needs "$ip" vsftpd:21 "FTP" || continue
        out=$(scan 5 curl -s -m 3 -l "ftp://$ip/")
        same "$ip anonymous FTP listing" "$out" readme.txt
    done
}

check_ports() {
    local ip port open
    for ip in $(rows_where expect_status alive); do
        [ "$ip" = 198.18.0.2 ] && continue
        # The TCP-dropping hosts are checked by check_firewalls, without a wait per port.
        [ "$ip" = 198.18.0.30 ] || [ "$ip" = 198.18.0.31 ] && continue
        open=""
        for port in 4899 4900; do
            scan 3 bash -c "exec 3<>/dev/tcp/$ip/$port" 2>/dev/null && open="$open,$port"
        done
        open=${open#,}
        same "$ip open among 4899,4900" "$open" "$(cell "$ip" ortavo_ports)"
    done
}

# A dropped SYN leaves the connect waiting (timeout's status 124); a closed port would refuse.
check_firewalls() {
    local ip out
    for ip in 198.18.0.30 198.18.0.31; do
        scan 1 bash -c "exec 3<>/dev/tcp/$ip/80" >/dev/null 2>&1
        out=$?
        same "$ip drops TCP (connect still waiting after 1 s)" "$out" 124
    done
}

check_zeroconf() {
    local ip out
    tool avahi-browse avahi-utils || return
    needs 198.18.0.2 avahi:5353 "DNS-SD browsing" || return
    for ip in $(rows_where zeroconf_name); do
        needs "$ip" avahi:5353 "DNS-SD publishing" || continue
        out=$(scan 10 avahi-browse -p -t -r _workstation._tcp 2>/dev/null | awk -F';' -v ip="$ip" '$1 == "=" && $8 == ip {print $7}')
        same "$ip DNS-SD workstation host" "$out" "$(cell "$ip" zeroconf_name).local"
    done
}

# One address of every class of the hostile /24, as peer tools see it.
check_hostile() {
    local htable="$STATE/hostile.tsv" out class failed
    [ -s "$htable" ] || { echo "SKIP: the hostile /24 is not up (netlab.sh hostile-up)"; return; }
    while IFS=$'\t' read -r class failed; do
        [ -z "$failed" ] || fail "hostile $class: $failed is not running (see $STATE/failures.tsv)"
    done < <(awk -F'\t' 'NR > 1 && !seen[$2]++ {print $2 "\t" $7}' "$htable")
    if tool curl curl; then
        out=$(scan 5 curl -s -m 3 http://198.18.2.1/ | grep -c '<!ENTITY e "WWW')
        same "198.18.2.1 entity page" "$out" 1
        # curl stops at the time limit; a fast stream has sent megabytes by then.
        out=$(scan 5 curl -s -m 1 -o /dev/null -w '%{size_download}' http://198.18.2.26/)
        same "198.18.2.26 endless chunk: over 10 MB in 1 s" "$([ "${out:-0}" -gt 10000000 ] && echo yes)" yes
        out=$(scan 8 curl -s -m 5 http://198.18.2.51/ | gzip -dc 2>/dev/null | wc -c)
        same "198.18.2.51 gzip body inflated" "$out" 164000000
        out=$(scan 5 curl -s -m 1 -o /dev/null -w '%{size_download} %{http_code}' http://198.18.2.226/)
        same "198.18.2.226 tarpit (bytes, status)" "$out" "0 000"
    fi
    out=$(scan 5 "$PY" - <<'EOF'
import socket, time
for ip in ("198.18.2.76", "198.18.2.101"):
    s = socket.create_connection((ip, 80), 2)
    s.sendall(b"GET / HTTP/1.1\r\nHost: x\r\n\r\n")
    got, end = b"", time.monotonic() + 1
    while len(got) < 1000000 and time.monotonic() < end:
        got += s.recv(65536)
    print(ip, got[:17] == b"HTTP/1.1 200 OK\r\n", len(got) >= 1000000, b"\r\n\r\n" not in got)
EOF
)
    same "endless header line, endless header lines (status line, 1 MB, no end)" \
        "$(paste -sd';' <<<"$out")" "198.18.2.76 True True True;198.18.2.101 True True True"
    if tool snmpget snmp; then
        out=$(SNMP_PERSISTENT_DIR=$SCRATCH/snmp MIBS='' scan 8 snmpget -v1 -c public -t 1 -r 1 -Oqvx \
            198.18.2.126 1.3.6.1.2.1.1.5.0 2>/dev/null | tr -d ' \n"')
        same "198.18.2.126 sysName (first bytes, length)" "${out:0:18} $((${#out} / 2))" "6576696C0D0A616C69 1052"
    fi
    out=$(scan 5 "$PY" - <<'EOF'
import socket
query = b"\x12\x34\0\x10\0\x01\0\0\0\0\0\0\x20CK" + b"A" * 30 + b"\0\0\x21\0\x01"
for ip in ("198.18.2.151", "198.18.2.177", "198.18.2.202"):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(0.5)
    s.sendto(query, (ip, 137))
    try:
        while True:
            data, src = s.recvfrom(65536)
            count = data[56]
            unit = data[57 + 18 * count:63 + 18 * count]
            print(ip, src[0], data[57:72].rstrip(b" ").hex(), unit.hex())
    except OSError:
        pass
EOF
)
    local want="198.18.2.151 198.18.2.151 1b5d303b70776e071b5b324a7f 000000000000
198.18.2.177 198.18.2.176 53504f4f46313736 000000000000
198.18.2.177 198.18.2.177 56494354494d313737 000000000000
198.18.2.202 198.18.2.202 554e4954323032 025ebb0002ca"
    same "hostile NetBIOS answers (asked, sender, first name, unit id)" "$(paste -sd';' <<<"$out")" "$(paste -sd';' <<<"$want")"
}

PY=/usr/bin/python3
START=$(date +%s%N)
check_liveness
check_dns
check_netbios
check_shares
check_snmp
check_web
check_ports
check_firewalls
check_zeroconf
check_hostile
echo "$PASSES passed, $FAILS failed in $((($(date +%s%N) - START) / 1000000)) ms"
[ "$FAILS" -eq 0 ]
