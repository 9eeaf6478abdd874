#!/usr/bin/env python3
"""Markdown table of results/*.csv (min / median of each measure, ratio peer/ours of medians).
A is this program, B the peer."""
import csv, statistics, os
NAMES = {"A": "norvo-rava-rodozod", "B": "HomeBank"}
rows_out = ["| size | program | window mapped ms min / med | idle ms min / med | peak RSS MiB (med) | other CPU % (med) |",
            "|---|---|---:|---:|---:|---:|"]
ratios = []
for size in ("1k", "10k", "100k", "10kpast", "100kpast"):
    path = f"{os.environ['PEER']}/results/{size}.csv"
    if not os.path.exists(path):
        continue
    rows = list(csv.DictReader(open(path)))
    med = {}
    for prog in ("A", "B"):
        rs = [r for r in rows if r["program"] == prog]
        get = lambda k: [float(r[k]) for r in rs]
        m, i, h, o = get("mapped_ms"), get("idle_ms"), get("hwm_mib"), get("other_cpu_pct")
        med[prog] = (statistics.median(m), statistics.median(i), statistics.median(h))
        rows_out.append(f"| {size} | {NAMES[prog]} | {min(m):.0f} / {statistics.median(m):.0f} | "
                        f"{min(i):.0f} / {statistics.median(i):.0f} | {statistics.median(h):.1f} | "
                        f"{statistics.median(o):.1f} |")
        if prog == "B" and rs[0].get("reg_mapped_ms"):
            rm, ri, rh = get("reg_mapped_ms"), get("reg_idle_ms"), get("hwm_reg_mib")
            rows_out.append(f"| {size} | B register (from click) | {min(rm):.0f} / {statistics.median(rm):.0f} | "
                            f"{min(ri):.0f} / {statistics.median(ri):.0f} | {statistics.median(rh):.1f} | |")
    ratios.append(f"{size}: HomeBank/ours mapped {med['B'][0] / med['A'][0]:.2f}, idle {med['B'][1] / med['A'][1]:.2f}, "
                  f"peak RSS {med['B'][2] / med['A'][2]:.2f}")
print("\n".join(rows_out))
print()
print("\n".join(ratios))
