#!/usr/bin/env python3
# Reads the runs written by bench/run.sh and the lab's host table; prints medians, the ratio of
# ours to the best peer, correctness counts, and writes bench.csv and bench.png.
import csv
import ipaddress
import os
import re
import statistics
import subprocess
import sys

runs_tsv, table_tsv, out_dir = sys.argv[1:4]
NETS = {"d24": "198.18.0.0/24", "d20": "198.18.0.0/20", "full": "198.18.0.0/24",
        "e16": "198.19.0.0/16"}
OURS = ("vistrel", "vistrel-rate16k", "vistrel-nosweep")


def norm_mac(text):
    parts = re.split(r"[:.]", text.strip())
    if len(parts) != 6:
        return ""
    try:
        return ":".join("%02X" % int(p, 16) for p in parts)
    except ValueError:
        return ""


def parse(tool, path):
    """Alive addresses of one run, each with the MAC the tool reported ('' when none)."""
    found = {}
    with open(path, errors="replace") as f:
        text = f.read()
    if tool.startswith("vistrel"):
        for line in text.splitlines()[1:]:
            fields = [x.strip() for x in line.split(" | ")]
            if len(fields) >= 6 and fields[0] == "alive":
                mac = norm_mac(fields[5])
                found[fields[2]] = "" if mac == "00:00:00:00:00:00" else mac
    elif tool.startswith("nmap"):
        current = None
        for line in text.splitlines():
            m = re.match(r"Nmap scan report for (?:\S+ \()?([\d.]+)\)?", line)
            if m:
                current = m.group(1)
                found[current] = ""
            m = re.match(r"MAC Address: ([0-9A-Fa-f:]{17})", line)
            if m and current:
                found[current] = norm_mac(m.group(1))
    elif tool == "arp-scan":
        for line in text.splitlines():
            m = re.match(r"([\d.]+)\s+([0-9a-fA-F:]{17})", line)
            if m:
                found[m.group(1)] = norm_mac(m.group(2))
    elif tool == "fping":
        for line in text.splitlines():
            if re.fullmatch(r"[\d.]+", line.strip()):
                found[line.strip()] = ""
    return found


expected = {}
with open(table_tsv) as f:
    for row in csv.DictReader(f, delimiter="\t"):
        if row.get("expect_status") == "alive":
            expected[row["ip"]] = (row.get("mac") or "").upper()

rows = []
with open(runs_tsv) as f:
    for r in csv.DictReader(f, delimiter="\t"):
        rows.append(r)

groups = {}
for r in rows:
    groups.setdefault((r["case"], r["tool"]), []).append(r)

summary = []
for (case, tool), rs in groups.items():
    net = ipaddress.ip_network(NETS[case])
    # The empty /16 lies on namespaces of the benchmark's own, not on the lab: nothing to find.
    want = {} if case == "e16" else {
        ip: mac for ip, mac in expected.items() if ipaddress.ip_address(ip) in net}
    want_mac = {ip: mac for ip, mac in want.items() if mac}
    founds = [parse(tool, r["output"]) for r in rs]
    # Correctness of the worst run: a tool must find the hosts every time.
    alive_ok = min(sum(1 for ip in want if ip in fd) for fd in founds)
    mac_ok = min(sum(1 for ip, mac in want_mac.items() if fd.get(ip) == mac) for fd in founds)
    extra = max(sum(1 for ip in fd if ip not in want) for fd in founds)
    med = lambda key: statistics.median(float(r[key] or 0) for r in rs)
    summary.append({
        "case": case, "tool": tool, "runs": len(rs),
        "median_s": med("wall_s"),
        "min_s": min(float(r["wall_s"]) for r in rs),
        "max_s": max(float(r["wall_s"]) for r in rs),
        "cpu_s": med("user_s") + med("sys_s"),
        "rss_mib": med("rss_kb") / 1024.0,
        "threads": int(max(int(r["threads"] or 0) for r in rs)),
        "alive_found": alive_ok, "alive_expected": len(want),
        "mac_ok": mac_ok, "mac_expected": len(want_mac) if not tool == "fping" else 0,
        "extra": extra,
    })

# Ratio of each tool to the fastest peer of its case.
for case in NETS:
    peers = [s["median_s"] for s in summary if s["case"] == case and s["tool"] not in OURS]
    best = min(peers) if peers else None
    for s in summary:
        if s["case"] == case:
            s["ratio_to_best_peer"] = (s["median_s"] / best) if best else float("nan")

order = {"d24": 0, "d20": 1, "full": 2, "e16": 3}
tools = ["vistrel", "vistrel-rate16k", "vistrel-nosweep", "nmap-sn", "arp-scan", "fping", "nmap"]
summary.sort(key=lambda s: (order[s["case"]], tools.index(s["tool"]) if s["tool"] in tools else 99))

# Same results with and without the sweep: compare the runs' alive sets and MACs.
same = {}
for case in ("d24", "d20"):
    a = [parse("vistrel", r["output"]) for r in groups.get((case, "vistrel"), [])]
    b = [parse("vistrel", r["output"]) for r in groups.get((case, "vistrel-nosweep"), [])]
    if a and b:
        same[case] = all(x == b[0] for x in a + b)

fields = ["case", "tool", "runs", "median_s", "min_s", "max_s", "ratio_to_best_peer", "cpu_s",
          "rss_mib", "threads", "alive_found", "alive_expected", "mac_ok", "mac_expected", "extra"]
with open(os.path.join(out_dir, "bench.csv"), "w", newline="") as f:
    w = csv.DictWriter(f, fieldnames=fields)
    w.writeheader()
    for s in summary:
        w.writerow({k: (round(v, 3) if isinstance(v, float) else v) for k, v in s.items() if k in fields})

print()
print("%-5s %-16s %4s %8s %8s %6s %7s %8s %7s %9s %7s %5s" % (
    "case", "tool", "runs", "median", "ratio", "cpu", "rss", "threads", "alive", "macs", "extra", ""))
for s in summary:
    print("%-5s %-16s %4d %7.2fs %7.2fx %5.2fs %5.1fMi %8d %3d/%-3d %4d/%-4d %5d" % (
        s["case"], s["tool"], s["runs"], s["median_s"], s["ratio_to_best_peer"], s["cpu_s"],
        s["rss_mib"], s["threads"], s["alive_found"], s["alive_expected"], s["mac_ok"],
        s["mac_expected"], s["extra"]))
for case, ok in same.items():
    print("%s: results with and without the sweep %s" % (case, "identical" if ok else "DIFFER"))

# Bar chart of the medians, one cluster per case.
dat = os.path.join(out_dir, "bench.dat")
with open(dat, "w") as f:
    for s in summary:
        colour = 0xDD7711 if s["tool"] in OURS else 0x4477AA
        label = {"vistrel": "ours", "vistrel-rate16k": "ours 16k/s",
                 "vistrel-nosweep": "ours, no sweep"}.get(s["tool"], s["tool"])
        f.write('"%s\\n%s" %f %d\n' % (s["case"], label, s["median_s"], colour))
png = os.path.join(out_dir, "bench.png")
script = """
set terminal pngcairo size 1500,520 font ",9"
set output '%s'
set title 'Median wall time (s), lower is better; log scale. Orange: ours, blue: peer tools'
set bmargin 5
set style fill solid 0.8 border -1
set boxwidth 0.7
set logscale y
set yrange [0.1:*]
set grid ytics
set xtics rotate by 0 font ",8"
plot '%s' using 0:2:3:xtic(1) with boxes notitle lc rgb variable, \
     '' using 0:2:(sprintf('%%.2f', $2)) with labels offset 0,0.7 notitle
""" % (png, dat)
try:
    subprocess.run(["gnuplot"], input=script, text=True, check=True)
    print("wrote", os.path.join(out_dir, "bench.csv"), "and", png)
except (OSError, subprocess.CalledProcessError) as e:
    print("chart not written:", e)
