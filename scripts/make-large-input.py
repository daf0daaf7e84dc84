#!/usr/bin/python3
"""Writes a main line of JDS intersection points and a borehole file of N boreholes in groups of
G, for the throughput figures of the borehole table.
    make-large-input.py OUTDIR [N [G [JDS]]]"""
import math
import os
import sys

out = sys.argv[1]
n = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
group = int(sys.argv[3]) if len(sys.argv) > 3 else 100
jds = int(sys.argv[4]) if len(sys.argv) > 4 else 50
os.makedirs(out, exist_ok=True)

# A zigzag line: legs of 1200 m turning ±20°, curves R = 1000 with 150 m transitions.
x, y, az = 3500000.0, 500000.0, 0.3
lines = ["起点,0"]
length = 0.0
for i in range(jds):
    r, ls = (0, 0) if i in (0, jds - 1) else (1000, 150)
    lines.append(f"JD{i},{x:.3f} {y:.3f} {r} {ls} {ls}")
    x += 1200 * math.cos(az)
    y += 1200 * math.sin(az)
    length += 1200
    az += math.radians(20 if i % 2 == 0 else -20)
with open(os.path.join(out, "jd.txt"), "w", encoding="utf-8", newline="\r\n") as f:
    f.write("\n".join(lines) + "\n")
with open(os.path.join(out, "dl.txt"), "w", newline="\r\n") as f:
    f.write("-1 -1\n")
usable = (jds - 1) * 1200 * 0.95
with open(os.path.join(out, "boreholes.txt"), "w", encoding="utf-8", newline="\r\n") as f:
    f.write("大表测试\n")
    done = 0
    g = 0
    while done < n:
        k = min(group, n - done)
        f.write(f"组{g} {k}\n")
        for _ in range(k):
            station = usable * done / n
            f.write(f"{station:.3f} {(-1) ** done * 5.5} ZK{done}\n")
            done += 1
        g += 1
