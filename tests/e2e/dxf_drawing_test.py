#!/usr/bin/python3
"""The plan drawing qelt-cli writes with --dxf, read back with an independent reader (ezdxf):
its header, layers and entities, every borehole where the CSV puts it with its label in Chinese,
and the centre line within a millimetre of the points qelt-cli locates on it."""

import csv
import math
import os
import random
import re
import shutil
import unittest

import ezdxf
from ezdxf import recover

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples", "utf8")

LINE, JD, STATIONS, KEYS, HOLES, LABELS = "线路中线", "交点导线", "里程桩号", "曲线主点", "钻孔", "钻孔标注"


def run(*args):
    return qelt_cli.run(*args)



def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.DictReader(f))


def table(method, alignment, boreholes, w, chain_breaks=None, name="t"):
    """Runs the table with --csv and --dxf; returns (status, stderr, csv rows, recovered doc)."""
    args = ["table", "--method", method, "--alignment", alignment, "--boreholes", boreholes,
            "--output", w.out(name + ".xlsx"), "--csv", w.out(name + ".csv"),
            "--dxf", w.out(name + ".dxf")]
    if chain_breaks:
        args += ["--chain-breaks", chain_breaks]
    r = run(*args)
    err = r.stderr.decode()
    if r.returncode not in (0, 2):
        raise AssertionError(err)
    doc, auditor = recover.readfile(w.out(name + ".dxf"))
    assert not auditor.has_errors, [e.message for e in auditor.errors]
    return r.returncode, err, read_csv(w.out(name + ".csv")), doc


def on(doc, layer, kind=None):
    return [e for e in doc.modelspace()
            if e.dxf.layer == layer and (kind is None or e.dxftype() == kind)]


# --- The centre line as drawn -----------------------------------------------------------------

def line_pieces(doc):
    """The centre line's entities as ("seg", x1, y1, x2, y2) and ("arc", cx, cy, r, a1, a2)."""
    pieces = []
    for e in on(doc, LINE):
        t = e.dxftype()
        if t == "LINE":
            pieces.append(("seg", e.dxf.start.x, e.dxf.start.y, e.dxf.end.x, e.dxf.end.y))
        elif t == "ARC":
            pieces.append(("arc", e.dxf.center.x, e.dxf.center.y, e.dxf.radius,
                           e.dxf.start_angle, e.dxf.end_angle))
        elif t == "LWPOLYLINE":
            pts = [(p[0], p[1]) for p in e.get_points("xy")]
            for (x1, y1), (x2, y2) in zip(pts, pts[1:]):
                pieces.append(("seg", x1, y1, x2, y2))
        else:
            raise AssertionError("unexpected %s on the centre line" % t)
    return pieces


def sweep(a1, a2):
    return (a2 - a1) % 360.0


def distance(pieces, x, y):
    best = math.inf
    for p in pieces:
        if p[0] == "seg":
            _, x1, y1, x2, y2 = p
            dx, dy = x2 - x1, y2 - y1
            n = dx * dx + dy * dy
            t = 0.0 if n == 0 else max(0.0, min(1.0, ((x - x1) * dx + (y - y1) * dy) / n))
            best = min(best, math.hypot(x - x1 - t * dx, y - y1 - t * dy))
        else:
            _, cx, cy, r, a1, a2 = p
            a = math.degrees(math.atan2(y - cy, x - cx))
            if (a - a1) % 360.0 <= sweep(a1, a2):
                best = min(best, abs(math.hypot(x - cx, y - cy) - r))
            else:
                for end in (a1, a2):
                    best = min(best, math.hypot(x - cx - r * math.cos(math.radians(end)),
                                                y - cy - r * math.sin(math.radians(end))))
    return best


def length(pieces):
    total = 0.0
    for p in pieces:
        if p[0] == "seg":
            total += math.hypot(p[3] - p[1], p[4] - p[2])
        else:
            total += p[3] * math.radians(sweep(p[4], p[5]))
    return total


def ends(pieces):
    out = []
    for p in pieces:
        if p[0] == "seg":
            out += [(p[1], p[2]), (p[3], p[4])]
        else:
            _, cx, cy, r, a1, a2 = p
            out += [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))
                    for a in (a1, a2)]
    return out


def loose_ends(pieces):
    """End points met by no other end within a millimetre: the line's two ends if it is whole."""
    points = ends(pieces)
    loose = []
    for i, (x, y) in enumerate(points):
        if not any(j != i and math.hypot(x - u, y - v) < 1e-3 for j, (u, v) in enumerate(points)):
            loose.append((x, y))
    return loose


# --- The alignments of the examples -----------------------------------------------------------

def read_lines(name):
    with open(os.path.join(EX, name), encoding="utf-8-sig") as f:
        return [line.strip() for line in f if line.strip()]


def main_line_jds():
    """(name, X, Y, Ls1, Ls2) of every JD of the main-line example, and its start station."""
    lines = read_lines("mainline-jd.txt")
    start = float(lines[0].split(",")[1])
    jds = []
    for line in lines[1:]:
        name, rest = line.split(",", 1)
        v = [float(t) for t in rest.split()]
        jds.append((name, v[0], v[1], v[3], v[4]))
    return start, jds


def chain_breaks():
    return [tuple(float(t) for t in line.split()) for line in read_lines("mainline-dl.txt")]


def station_text(mileage, breaks, letter):
    """The station of a continuous mileage as the borehole file takes it: its number in the
    interval it lies in (after the k-th break interval k, a break's own point in the one
    before), lettered when asked and always in the overlap of a long chain, where the number
    occurs twice."""
    shift, k = 0.0, 0
    for before, after in breaks:
        if not before + shift < mileage:
            break
        shift += before - after
        k += 1
    number = mileage - shift
    overlap = any(after <= number <= before for before, after in breaks if before > after)
    return ("%s%.6f" % (chr(ord("A") + k), number)) if overlap or letter else "%.6f" % number


class Drawing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.w = Workdir()
        cls.status, _, cls.rows, cls.doc = table(
            "jd", os.path.join(EX, "mainline-jd.txt"), os.path.join(EX, "mainline-boreholes.txt"),
            cls.w, os.path.join(EX, "mainline-dl.txt"), "main")
        with open(cls.w.out("main.dxf"), "rb") as f:
            cls.raw = f.read()

    def test_header_and_layers(self):
        self.assertEqual(self.status, 0)
        # Plain ASCII: every Chinese character is a \U+XXXX escape.
        self.assertTrue(all(b < 0x80 for b in self.raw))
        strict = ezdxf.readfile(self.w.out("main.dxf"))
        self.assertEqual(strict.dxfversion, "AC1015")
        self.assertEqual(strict.header["$DWGCODEPAGE"], "ANSI_936")
        self.assertEqual(strict.header["$INSUNITS"], 6)
        # The handle seed lies above every handle in the file, or CAD would hand out taken ones.
        tags = self.raw.decode("ascii").split("\r\n")
        body = list(zip(tags[0::2], tags[1::2]))
        body = body[body.index(("  0", "ENDSEC")):]  # after the header, whose $HANDSEED is a 5
        handles = [int(v, 16) for code, v in body if code.strip() in ("5", "105")]
        self.assertGreater(int(strict.header["$HANDSEED"], 16), max(handles))
        self.assertEqual(len(handles), len(set(handles)))
        names = {layer.dxf.name for layer in self.doc.layers}
        self.assertTrue({LINE, JD, STATIONS, KEYS, HOLES, LABELS} <= names, names)
        style = self.doc.styles.get(self.doc.modelspace().query("TEXT")[0].dxf.style)
        self.assertEqual(style.dxf.font, "simsun.ttc")
        # The extents hold every borehole, so CAD opens the drawing on the road.
        lo, hi = self.doc.header["$EXTMIN"], self.doc.header["$EXTMAX"]
        for row in self.rows:
            self.assertTrue(lo[0] < float(row["y"]) < hi[0] and lo[1] < float(row["x"]) < hi[1])

    def test_boreholes_where_the_table_puts_them(self):
        circles = on(self.doc, HOLES, "CIRCLE")
        labels = [t.dxf.text for t in on(self.doc, LABELS, "TEXT")]
        self.assertEqual(len(circles), len(self.rows))
        self.assertEqual(len(labels), 2 * len(self.rows))
        for row, circle, first, second in zip(self.rows, circles, labels[0::2], labels[1::2]):
            # Drawing x is Y (east), drawing y is X (north).
            self.assertAlmostEqual(circle.dxf.center.x, float(row["y"]), delta=1e-6)
            self.assertAlmostEqual(circle.dxf.center.y, float(row["x"]), delta=1e-6)
            self.assertEqual(first, "%s %s" % (row["group"], row["serial"]))
            self.assertEqual(second, " ".join(
                v for v in (row["station"], row["offset"], row["remark"]) if v))
        self.assertIn("青龙河大桥 1", labels)
        self.assertIn("BK13+470 0 长链重叠段", labels)

    def test_jd_polygon_and_key_points(self):
        _, jds = main_line_jds()
        polygon = on(self.doc, JD, "LWPOLYLINE")
        self.assertEqual(len(polygon), 1)
        points = list(polygon[0].get_points("xy"))
        self.assertEqual(len(points), len(jds))
        for (x, y), (_, north, east, _, _) in zip(points, jds):
            self.assertAlmostEqual(x, east, delta=1e-6)
            self.assertAlmostEqual(y, north, delta=1e-6)
        self.assertEqual([t.dxf.text for t in on(self.doc, JD, "TEXT")], [j[0] for j in jds])

        # Per curve ZH HY QZ YH HZ; a side without a transition begins or ends with the arc.
        expected = ["起点"]
        for _, _, _, ls1, ls2 in jds[1:-1]:
            expected += (["ZH", "HY"] if ls1 > 0 else ["ZY"]) + ["QZ"]
            expected += ["YH", "HZ"] if ls2 > 0 else ["YZ"]
        expected.append("终点")
        keys = [t.dxf.text.split(" ") for t in on(self.doc, KEYS, "TEXT")]
        self.assertEqual([k[0] for k in keys], expected)
        self.assertEqual(keys[0][1], "K10+000")
        self.assertTrue(all(re.fullmatch(r"[A-Z]?K\d+\+\d{3}(\.\d{3})?", k[1]) for k in keys))
        self.assertEqual(len(on(self.doc, KEYS, "LINE")), len(expected))

    def test_stations_every_100_m_in_the_chain_break_numbering(self):
        texts = [t.dxf.text for t in on(self.doc, STATIONS, "TEXT")]
        ticks = on(self.doc, STATIONS, "LINE")
        self.assertEqual(len(ticks), len(texts))
        self.assertIn("K13+500=K13+450 长链50米", texts)
        self.assertIn("K16+200=K16+260 短链60米", texts)
        hundreds = [t for t in texts if "=" not in t]
        self.assertTrue(all(re.fullmatch(r"[A-Z]?K\d+\+\d00", t) for t in hundreds), hundreds)
        # K13+500 stands twice in the long chain's overlap, lettered both times; the short
        # chain leaves K16+200 to K16+260 out, so no K16+300 is missing and none is doubled.
        self.assertIn("AK13+500", hundreds)
        self.assertIn("BK13+500", hundreds)
        self.assertEqual(hundreds.count("K16+300"), 1)
        self.assertEqual(hundreds[0], "K10+000")
        self.assertEqual(len(hundreds), len(set(hundreds)))

    def test_centre_line_entities(self):
        _, jds = main_line_jds()
        curves = jds[1:-1]
        pieces = on(self.doc, LINE)
        kinds = [e.dxftype() for e in pieces]
        # A straight before every curve and after the last, an arc per curve, a polyline per
        # transition.
        self.assertEqual(kinds.count("LINE"), len(curves) + 1)
        self.assertEqual(kinds.count("ARC"), len(curves))
        self.assertEqual(kinds.count("LWPOLYLINE"), sum((c[3] > 0) + (c[4] > 0) for c in curves))
        self.assertEqual(len(loose_ends(line_pieces(self.doc))), 2)


class LineAtRandomStations(unittest.TestCase):
    """Boreholes at offset 0 at 200 random stations: qelt-cli locates each on the centre line,
    and the drawn line passes within a millimetre of every one."""

    def check(self, doc, rows, start, end):
        pieces = line_pieces(doc)
        self.assertAlmostEqual(length(pieces), end - start, delta=0.01)
        self.assertEqual(len(loose_ends(pieces)), 2)
        worst = max(distance(pieces, float(r["y"]), float(r["x"])) for r in rows)
        self.assertLess(worst, 1e-3)
        circles = on(doc, HOLES, "CIRCLE")
        self.assertEqual(len(circles), len(rows))
        for row, circle in zip(rows, circles):
            self.assertAlmostEqual(circle.dxf.center.x, float(row["y"]), delta=1e-6)
            self.assertAlmostEqual(circle.dxf.center.y, float(row["x"]), delta=1e-6)

    def boreholes(self, w, stations):
        return w.write("zk.txt", "沿线检查\n沿线 %d\n" % len(stations) +
                       "".join("%s 0\n" % s for s in stations))

    def test_main_line(self):
        w = Workdir()
        start, _ = main_line_jds()
        breaks = chain_breaks()
        jd, dl = os.path.join(EX, "mainline-jd.txt"), os.path.join(EX, "mainline-dl.txt")
        # The end of the line from the notice for a borehole beyond it, in the last interval.
        _, err, _, _ = table("jd", jd, self.boreholes(w, ["99999"]), w, dl, "far")
        m = re.search(r"位于线路终点之后 ([0-9.]+) 米", err)
        self.assertTrue(m, err)
        end = 99999 + sum(before - after for before, after in breaks) - float(m.group(1))
        rng = random.Random(20240611)
        mileages = [start, end - 0.001] + [rng.uniform(start, end) for _ in range(198)]
        status, err, rows, doc = table(
            "jd", jd, self.boreholes(
                w, [station_text(m, breaks, i % 2 == 1) for i, m in enumerate(mileages)]), w, dl)
        self.assertEqual(status, 0, err)
        self.assertEqual(len(rows), 200)
        self.check(doc, rows, start, end)

    def test_ramp(self):
        w = Workdir()
        lines = read_lines("ramp-elements.txt")
        start = float(lines[0].split(",")[0])
        end = start + sum(float(line.split(",")[2]) for line in lines[1:])
        rng = random.Random(7)
        stations = [start, end - 0.001] + [rng.uniform(start, end) for _ in range(198)]
        status, err, rows, doc = table(
            "ht", os.path.join(EX, "ramp-elements.txt"),
            self.boreholes(w, ["%.6f" % s for s in stations]), w)
        self.assertEqual(status, 0, err)
        self.check(doc, rows, start, end)
        # No JDs on a ramp; its points are the element boundaries named by the kinds they join.
        self.assertEqual(on(doc, JD), [])
        self.assertEqual([t.dxf.text.split(" ")[0] for t in on(doc, KEYS, "TEXT")],
                         ["起点", "ZH", "HY", "YH", "HY", "YH", "GQ", "HY", "YH", "HZ", "终点"])


class CommandLine(unittest.TestCase):
    def args(self, w, **outputs):
        jd = os.path.join(EX, "mainline-jd.txt")
        dl = os.path.join(EX, "mainline-dl.txt")
        zk = outputs.pop("boreholes", os.path.join(EX, "mainline-boreholes.txt"))
        a = ["table", "--method", "jd", "--alignment", jd, "--chain-breaks", dl,
             "--boreholes", zk, "--output", outputs.pop("output", w.out("t.xlsx"))]
        for option, path in outputs.items():
            a += ["--" + option, path]
        return a

    def test_refused_like_the_other_outputs(self):
        w = Workdir()
        copy = w.out("钻孔.txt")
        shutil.copy(os.path.join(EX, "mainline-boreholes.txt"), copy)
        os.mkdir(w.out("folder"))
        cases = [
            (dict(boreholes=copy, dxf=copy), "--dxf"),
            (dict(dxf=os.path.join(EX, "mainline-jd.txt")), "--alignment"),
            (dict(dxf=w.out("./t.xlsx")), "--output"),
            (dict(csv=w.out("t.csv"), dxf=w.out("t.csv")), "--csv"),
            (dict(dxf=w.out("folder")), "--dxf"),
            (dict(dxf=""), "--dxf is empty"),
        ]
        for outputs, named in cases:
            with self.subTest(outputs):
                r = run(*self.args(w, **outputs))
                self.assertEqual(r.returncode, 64, r.stderr.decode())
                self.assertIn(named, r.stderr.decode())
                self.assertEqual(w.listing(), ["folder", "钻孔.txt"])
        with open(copy, "rb") as f, open(os.path.join(EX, "mainline-boreholes.txt"), "rb") as g:
            self.assertEqual(f.read(), g.read())

    def test_inverse_draws_nothing(self):
        # The drawing shows the boreholes a table places; the as-drilled run places none.
        w = Workdir()
        r = run("inverse", "--method", "ht", "--alignment", os.path.join(EX, "ramp-elements.txt"),
                "--points", os.path.join(EX, "ramp-points.txt"), "--output", w.out("t.xlsx"),
                "--dxf", w.out("p.dxf"))
        self.assertEqual(r.returncode, 64)
        self.assertIn("--dxf belongs to table", r.stderr.decode())
        self.assertEqual(w.listing(), [])

    def test_missing_folder_leaves_nothing(self):
        w = Workdir()
        r = run(*self.args(w, dxf=w.out("no/such/folder/p.dxf")))
        self.assertEqual(r.returncode, 1)
        self.assertIn("p.dxf", r.stderr.decode())
        self.assertEqual(w.listing(), [])

    def test_data_error_writes_no_drawing(self):
        w = Workdir()
        bad = w.write("jd.txt", "起点,0\nQD,0 0 0 0 x\n")
        r = run("table", "--method", "ht", "--alignment", bad,
                "--boreholes", os.path.join(EX, "ramp-boreholes.txt"),
                "--output", w.out("t.xlsx"), "--dxf", w.out("p.dxf"))
        self.assertEqual(r.returncode, 1)
        self.assertEqual(w.listing(), ["jd.txt"])

    def test_stopped_run_draws_nothing(self):
        # The drawing of a stopped run would pass for the whole set of holes: only the table,
        # headed as incomplete, is kept.
        w = Workdir()
        zk = w.write("zk.txt", "p\n桥 3\n11150 0\n11160 2 左\nZ11170 0\n")
        r = run(*self.args(w, boreholes=zk, dxf=w.out("p.dxf")))
        self.assertEqual(r.returncode, 2, r.stderr.decode())
        self.assertIn("未写出 --dxf", r.stderr.decode())
        self.assertEqual(w.listing(), ["t.xlsx", "zk.txt"])


if __name__ == "__main__":
    unittest.main()
