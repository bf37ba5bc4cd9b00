#!/usr/bin/env python3
# Reads the runs written by bench/hostile.sh; checks every output file against the addresses
# scanned and prints, per case, medians of wall time and peak memory, the exit statuses and
# the worst run's output faults. Writes the summary as CSV.
import csv
import ipaddress
import re
import statistics
import sys

runs_tsv, out_csv = sys.argv[1:3]
STATUS_WORDS = (b"alive", b"dead", b"unknown")
# C0 and DEL; CR and LF are counted apart (a CR LF pair ends a line, anything else is forged).
CONTROL = re.compile(rb"[\x00-\x09\x0b\x0c\x0e-\x1f\x7f]")


def scanned(text):
    if "/" in text:
        net = ipaddress.ip_network(text, strict=False)
        return {str(a) for a in net.hosts()}
    first, last = (ipaddress.ip_address(x) for x in text.split("-"))
    return {str(ipaddress.ip_address(n)) for n in range(int(first), int(last) + 1)}


def check(path, want):
    """What the output file says about the scan of the addresses in want."""
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    bodies = [line[:-1] if line.endswith(b"\r") else line for line in lines]
    header = bool(bodies) and bodies[0].startswith(b"Status | Name | IP")
    seen = {}
    forged = 0
    for line in bodies[1:]:
        # Names may hold " | ": a line is known by the one field that is a scanned address (a
        # host without a name shows it twice); a line with none, or two, was forged.
        fields = line.split(b" | ")
        ips = {x.decode("ascii", "replace") for x in fields} & want
        if fields[0] not in STATUS_WORDS or len(ips) != 1:
            forged += 1
            continue
        ip = ips.pop()
        seen[ip] = seen.get(ip, 0) + 1
    text = data.decode("utf-8", "replace")
    c1 = sum(1 for ch in text if 0x80 <= ord(ch) <= 0x9F)
    return {
        "bytes": len(data),
        "lines": len(lines),
        "extra_lines": max(0, len(lines) - 1 - len(want)),
        "forged": forged,
        "injected": sum(1 for line in bodies if line.startswith(b"alive | injected-host")),
        "missing": sum(1 for ip in want if ip not in seen),
        "doubled": sum(1 for ip in want if seen.get(ip, 0) > 1),
        # Bare CR or LF (not a CR LF line end), other C0 and DEL, C1, undecodable bytes. A
        # U+FFFD is what the cleaning step writes for bytes that are not UTF-8: not counted.
        "control": (len(CONTROL.findall(data)) + data.count(b"\r") - data.count(b"\r\n")
                    + c1 + sum(1 for ch in data.decode("utf-8", "surrogateescape")
                               if 0xDC80 <= ord(ch) <= 0xDCFF)),
        "header": header,
    }


rows = []
with open(runs_tsv) as f:
    rows = list(csv.DictReader(f, delimiter="\t"))
groups = {}
for r in rows:
    groups.setdefault(r["case"], []).append(r)

summary = []
for case, rs in groups.items():
    want = scanned(rs[0]["range"])
    checks = [check(r["output"], want) for r in rs]
    statuses = [r["status"] for r in rs]
    med = lambda key: statistics.median(float(r[key] or 0) for r in rs)
    worst = lambda key: max(c[key] for c in checks)
    complete = all(r["status"] == "0" and c["header"] and c["missing"] == 0 and c["extra_lines"] == 0
                   for r, c in zip(rs, checks))
    summary.append({
        "case": case, "range": rs[0]["range"], "addresses": len(want), "runs": len(rs),
        "median_s": med("wall_s"), "max_s": max(float(r["wall_s"]) for r in rs),
        "cpu_s": med("user_s") + med("sys_s"),
        "rss_mib": med("rss_kb") / 1024.0, "max_rss_mib": max(float(r["rss_kb"]) for r in rs) / 1024.0,
        "statuses": " ".join(statuses),
        "extra_lines": worst("extra_lines"), "forged": worst("forged"), "injected": worst("injected"),
        "missing": worst("missing"), "control": worst("control"), "complete": "yes" if complete else "no",
    })

fields = ["case", "range", "addresses", "runs", "median_s", "max_s", "cpu_s", "rss_mib",
          "max_rss_mib", "statuses", "extra_lines", "forged", "injected", "missing", "control",
          "complete"]
with open(out_csv, "w", newline="") as f:
    w = csv.DictWriter(f, fieldnames=fields)
    w.writeheader()
    for s in summary:
        w.writerow({k: (round(v, 3) if isinstance(v, float) else v) for k, v in s.items()})

print()
print("%-28s %4s %8s %8s %8s %9s %-12s %6s %6s %6s %6s %6s %s" % (
    "case", "runs", "median", "cpu", "rss", "max rss", "statuses", "extra", "forged", "inject",
    "miss", "ctrl", "complete"))
for s in summary:
    print("%-28s %4d %7.2fs %7.2fs %6.1fMi %7.1fMi %-12s %6d %6d %6d %6d %6d %s" % (
        s["case"], s["runs"], s["median_s"], s["cpu_s"], s["rss_mib"], s["max_rss_mib"],
        s["statuses"], s["extra_lines"], s["forged"], s["injected"], s["missing"], s["control"],
        s["complete"]))
print("(worst run for the output columns; statuses: 124 timed out, 128+N killed by signal N)")
print("wrote", out_csv)
