#!/usr/bin/python3
"""Writes the bundled main line as the route group's 纬地 (HintCAD) files, made up from Qelt's own
model of it, never copied from a project:

  examples/mainline.pm   the plane: the element table of the JD line (qelt-cli elements)
  examples/mainline.jd   the plane by its JDs: examples/mainline-jd.txt with the curve table's
                         tangents (qelt-cli curves); the suite's element lines between the JDs
                         are left out
  examples/mainline.zdm  the profile: examples/mainline-profile.txt's grade points
  examples/mainline.dmx  the centre line's ground, every 50 m and at every hole's station
  examples/mainline.hdm  cross sections at every hole's station, to 30 m each side
  examples/mainline.sta  the stake list: every 20 m and every key point (qelt-cli stakes), the
                         chain breaks' own rows left out, numbered 1, 2, …

The ground is the surveyed ground of examples/mainline-ground.dat (as Qelt triangulates it) taken
at the sections' points, every offset of a hole among them, so that the table read from these
files equals the table read from Qelt's own to 1e-6 m. Heights and distances are written with
ten decimals for that reason (the suite itself writes three).

Usage: scripts/make-hintcad-example.py [build/qelt-cli]"""

import csv
import io
import math
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EX = os.path.join(ROOT, "examples")
CLI = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "qelt-cli")
LINE = ["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
        "--chain-breaks", os.path.join(EX, "mainline-dl.txt")]
STRAIGHT = 9999.0
# The chain breaks of mainline-dl.txt: interval k reads its numbers shifted by SHIFT[k] from the
# continuous mileage.
BREAKS = [(13500.0, 13450.0), (16200.0, 16260.0)]
SHIFT = [0.0, 50.0, -10.0]
OFFSETS = [2.5, 5.0, 6.5, 8.5, 10.0, 12.0, 15.0, 20.0, 25.0, 30.0]


def cli_csv(*args):
    with tempfile.TemporaryDirectory() as d:
        out = os.path.join(d, "t.csv")
        subprocess.run([CLI, *args, "--output", os.path.join(d, "t.xlsx"), "--csv", out],
                       check=True, capture_output=True)
        with open(out, encoding="utf-8-sig") as f:
            return list(csv.DictReader(f))


def plain(station):
    """A printed station (BK13+470.5) as the suite writes it: metres, with its letter."""
    letter = station[0] if station[0] in "ABC" else ""
    s = station[len(letter):].lstrip("K")
    km, m = s.split("+")
    return f"{letter}{int(km) * 1000 + float(m):.3f}"


def mileage(text):
    letter = text[0] if text[0] in "ABC" else ""
    number = float(text[len(letter):])
    if letter:
        return number + SHIFT[ord(letter) - ord("A")]
    if number <= BREAKS[0][0] and not BREAKS[0][1] <= number:
        return number
    if BREAKS[0][0] < number <= BREAKS[1][0]:
        return number + SHIFT[1]
    return number + SHIFT[2]


def write(name, lines):
    with open(os.path.join(EX, name), "w", encoding="ascii", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def plane():
    rows = [r for r in cli_csv("elements", *LINE) if r["type"] != "断链"]
    lines = ["HINTCAD5.83_PM_SHUJU_PM"]
    start = 10000.0
    lines.append(f"{len(rows):10d}\tNULL\tNULL\t{start:.6f}")
    az = [math.radians(float(r["azimuth"])) for r in rows]
    first = rows[0]
    lines.append(f"{1:12d}\t{0:.4f}\t{az[0]:.12f}\t{0:.12f}\t{float(first['x']):.8f}\t"
                 f"{float(first['y']):.8f}")
    station = start
    for i, r in enumerate(rows):
        r1 = float(r["R_start"]) if r["R_start"] else 0.0
        r2 = float(r["R_end"]) if r["R_end"] else 0.0
        length = float(r["length"])
        side = 1 if (r1 or r2) > 0 else -1
        end_az = az[i + 1] if i + 1 < len(rows) else az[i]
        code = 1 if not r1 and not r2 else 3 if r1 == r2 else 21 if not r1 else 22 if not r2 else 23
        a = float(r["A"]) if r["A"] else 0.0
        x0, y0, x1, y1 = (float(r[k]) for k in ("x", "y", "end_x", "end_y"))
        cx = cy = 0.0
        if r2:  # the centre of the circle the element ends on, to the side it turns
            cx = x1 - abs(r2) * side * math.sin(end_az)
            cy = y1 + abs(r2) * side * math.cos(end_az)
        # The suite writes a curve turning right with a negative length.
        signed = -length if (r1 or r2) and side > 0 else length
        lines.append(f"{1:12d}\t{0:.6f}\t{signed:.8f}\t{a:.8f}\t{abs(r1) or STRAIGHT:.8f}\t"
                     f"{abs(r2) or STRAIGHT:.8f}\t{code:10d}")
        lines.append("\t".join(f"{v:.8f}" for v in
                               (x0, y0, (x0 + x1) / 2, (y0 + y1) / 2, x1, y1, cx, cy)))
        lines.append(f"{station:.8f}\t{station + length:.8f}\t{az[i]:.12f}\t{end_az:.12f}")
        station += length
    write("mainline.pm", lines)


def jds():
    with open(os.path.join(EX, "mainline-jd.txt"), encoding="gbk") as f:
        given = [l.split(",", 1)[1].split() for l in f.read().splitlines()[1:] if l.strip()]
    rows = [r for r in cli_csv("curves", *LINE) if r["jd"] != "断链"]
    lines = ["HINTCAD5.83_PM_SHUJU_JD", f"{len(rows):10d}\t{10000:10.4f}"]
    for i, (r, g) in enumerate(zip(rows, given)):
        tag = "QD" if i == 0 else "ZD" if i == len(rows) - 1 else str(i)
        v = [float(x) for x in g[2:]] + [0.0] * (5 - len(g[2:]))
        radius, ls1, ls2, r1, r2 = v
        num = lambda k: float(r[k]) if r[k] else 0.0
        lines.append(f"{i:10d}\t{tag}\t{1:10d}\t{float(r['x']):.8f}\t{float(r['y']):.8f}")
        lines.append("\t".join(f"{x:.8f}" for x in (
            num("A1"), ls1, r1 or STRAIGHT, num("T1"), radius, num("L") - ls1 - ls2, num("L"),
            num("A2"), ls2, r2 or STRAIGHT, num("T2"), num("E"))))
        lines.append("\t".join([plain(r["jd_station"])] + ["0.000"] * 9))
        lines.append("")
    write("mainline.jd", lines[:-1])


def profile():
    with open(os.path.join(EX, "mainline-profile.txt"), encoding="gbk") as f:
        points = [l.split() for l in f.read().splitlines()[1:] if l.strip()]
    lines = ["HINTCAD5.83_ZDM_SHUJU", f"{len(points):12d}"]
    for p in points:
        r = float(p[2]) if len(p) > 2 else 0.0
        lines.append(f"{plain(p[0]):>12}\t{float(p[1]):14.8f}\t{r:14.8f}\t{0:10.3f}\t{0:10.8f}")
    write("mainline.zdm", lines)


def ground():
    with open(os.path.join(EX, "mainline-boreholes.txt"), encoding="gbk") as f:
        holes = [l.split() for l in f.read().splitlines()[1:]]
    station = re.compile(r"^[ABC]?(K\d+\+\d+(\.\d+)?|\d+(\.\d+)?)$")
    at = sorted({plain(h[0]) if "+" in h[0] else f"{h[0]}.000" if "." not in h[0] else h[0]
                 for h in holes if h and station.match(h[0])}, key=mileage)
    stakes = [plain(r["station"]) for r in cli_csv("stakes", *LINE, "--every", "50")]
    # Every point of every section, as a borehole list, for the ground Qelt takes from the
    # survey at each.
    # One stake a mileage: a hole's lettered station (C17100) is the plain stake's too.
    by_mileage = {}
    for s in stakes + at:
        by_mileage.setdefault(round(mileage(s), 6), s)
    at = sorted({by_mileage[round(mileage(s), 6)] for s in at}, key=mileage)
    pairs = [(s, 0.0) for s in sorted(by_mileage.values(), key=mileage)]
    pairs += [(s, side * d) for s in at for side in (1, -1) for d in OFFSETS]
    with tempfile.TemporaryDirectory() as d:
        listing = os.path.join(d, "points.txt")
        with open(listing, "w", encoding="utf-8") as f:
            f.write("断面取样\n取样 %d\n" % len(pairs))
            f.writelines(f"{s} {o}\n" for s, o in pairs)
        rows = cli_csv("table", *LINE, "--boreholes", listing, "--terrain",
                       os.path.join(EX, "mainline-ground.dat"))
    z = {(s, o): (float(r["ground_elevation"]) if r["ground_elevation"] else None)
         for (s, o), r in zip(pairs, rows)}
    centre = [(s, z[(s, 0.0)]) for s, o in pairs if o == 0.0 and z[(s, 0.0)] is not None]
    write("mainline.dmx", ["HINTCAD5.83_DMX_SHUJU"] +
          [f"{s:>12}\t{h:.10f}" for s, h in centre])
    lines = ["HINTCAD5.83_HDM_SHUJU"]
    for s in at:
        if z[(s, 0.0)] is None:
            continue
        lines.append(s)
        for side in (1, -1):
            run, last_d, last_z = [], 0.0, z[(s, 0.0)]
            for d in OFFSETS:
                h = z[(s, side * d)]
                if h is None:
                    break
                run += [f"{d - last_d:.10f}", f"{h - last_z:.10f}"]
                last_d, last_z = d, h
            lines.append("\t".join([str(len(run) // 2)] + run))
        lines.append("")
    write("mainline.hdm", lines[:-1])


def stakes():
    rows = [r for r in cli_csv("stakes", *LINE, "--every", "20") if r["point"] != "断链"]
    write("mainline.sta", ["HINTCAD5.84_STA_SHUJU"] +
          [f"{plain(r['station']):>12}\t{i:10d}" for i, r in enumerate(rows, 1)])


if __name__ == "__main__":
    stakes()
    plane()
    jds()
    profile()
    ground()
