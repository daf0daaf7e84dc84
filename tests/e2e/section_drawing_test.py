#!/usr/bin/python3
"""The section drawing qelt-cli writes with --section-dxf, read back with ezdxf: its layers, the
grade line's grade points at the elevations of the 纵坡、竖曲线表, one mark per borehole at its
own ground elevation and at its station's column of the bands, and the ground line inside the
heights of the ground shots it is made of; its scales from the command line; a list over two
lines gives a section per line, each with its own holes only."""

import csv
import os
import re
import unittest

from ezdxf import recover

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
JD = ["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
      "--chain-breaks", os.path.join(EX, "mainline-dl.txt")]
PROFILE = ["--profile", os.path.join(EX, "mainline-profile.txt")]
GROUND = os.path.join(EX, "mainline-ground.dat")
LAYERS = {"地面线", "设计线", "变坡点", "里程桩号", "断链", "钻孔", "钻孔标注", "图表栏"}
EXAGGERATION = 2000 / 200
MM = 2000 / 1000  # drawing units per millimetre of the plot at 1:2000


def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.DictReader(f))


def on(doc, layer, kind):
    return [e for e in doc.modelspace() if e.dxf.layer == layer and e.dxftype() == kind]


def plain(dxf_text):
    """A DXF string with its \\U+XXXX escapes read."""
    return re.sub(r"\\U\+([0-9A-F]{4})", lambda m: chr(int(m.group(1), 16)), dxf_text)


class SectionDrawing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.w = Workdir()
        w = cls.w
        r = qelt_cli.run("table", *JD, *PROFILE, "--terrain", GROUND, "--boreholes",
                         os.path.join(EX, "mainline-boreholes.txt"), "--output", w.out("t.xlsx"),
                         "--csv", w.out("t.csv"), "--section-dxf", w.out("s.dxf"))
        assert r.returncode == 0, r.stderr.decode()
        r = qelt_cli.run("grades", *JD, *PROFILE, "--output", w.out("g.xlsx"),
                         "--csv", w.out("g.csv"))
        assert r.returncode == 0, r.stderr.decode()
        cls.holes = read_csv(w.out("t.csv"))
        cls.grades = read_csv(w.out("g.csv"))
        cls.doc, auditor = recover.readfile(w.out("s.dxf"))
        assert not auditor.has_errors

    def test_layers(self):
        names = {layer.dxf.name for layer in self.doc.layers}
        self.assertTrue(LAYERS <= names, names)
        for layer in LAYERS - {"断链"}:
            self.assertTrue([e for e in self.doc.modelspace() if e.dxf.layer == layer], layer)
        # The main line's two chain breaks.
        self.assertEqual(len(on(self.doc, "断链", "LINE")), 2)

    def test_grade_points_at_their_elevations(self):
        feet = sorted((e.dxf.start.x, e.dxf.start.y) for e in on(self.doc, "变坡点", "LINE"))
        self.assertEqual(len(feet), len(self.grades))
        for (x, y), g in zip(feet, self.grades):
            self.assertAlmostEqual(y / EXAGGERATION, float(g["elevation"]), delta=1e-9)
        # The grade line passes through the first and the last grade point.
        line = on(self.doc, "设计线", "LWPOLYLINE")
        self.assertEqual(len(line), 1)
        vertices = list(line[0].vertices())
        self.assertAlmostEqual(vertices[0][1] / EXAGGERATION, float(self.grades[0]["elevation"]),
                               delta=1e-9)
        self.assertAlmostEqual(vertices[-1][1] / EXAGGERATION, float(self.grades[-1]["elevation"]),
                               delta=1e-9)

    def test_a_mark_per_borehole_at_its_ground_and_station(self):
        marks = on(self.doc, "钻孔", "LINE")
        self.assertEqual(len(marks), len(self.holes))
        tops = sorted(round(m.dxf.start.y / EXAGGERATION, 6) for m in marks)
        self.assertEqual(tops, sorted(round(float(h["ground_elevation"]), 6) for h in self.holes))
        # Each station printed in the 桩号 band, in the column of a mark (moved aside by a text or
        # two where columns crowd).
        xs = [m.dxf.start.x for m in marks]
        band = {}
        for t in on(self.doc, "图表栏", "TEXT"):
            band.setdefault(t.dxf.text, []).append(t.dxf.insert.x - 0.8 * MM)
        for h in self.holes:
            self.assertIn(h["station"], band)
            self.assertTrue(any(abs(x - b) < 8 * MM for x in xs for b in band[h["station"]]),
                            h["station"])

    def test_no_two_upright_texts_overlap(self):
        # The example has two holes at K11+180, 6.5 m left and right: their labels and their
        # columns of the bands side by side. An upright text covers its height to the left of its
        # insertion point, and upwards a CJK character a height, any other three quarters of one.
        for layer in ("钻孔标注", "图表栏"):
            boxes = []
            for t in on(self.doc, layer, "TEXT"):
                if abs(t.dxf.rotation - 90) > 1e-9:
                    continue
                h, p = t.dxf.height, t.dxf.insert
                length = sum(h if ord(c) > 127 else 0.75 * h for c in t.dxf.text)
                boxes.append((p.x - h, p.x, p.y, p.y + length, t.dxf.text))
            self.assertGreaterEqual(len(boxes), len(self.holes))
            boxes.sort()
            for i, a in enumerate(boxes):
                for b in boxes[i + 1:]:
                    if b[0] >= a[1] - 1e-9:
                        break
                    self.assertFalse(a[2] < b[3] - 1e-9 and b[2] < a[3] - 1e-9,
                                     f"{layer}: {a[4]} over {b[4]}")

    def test_ground_line_within_the_shots(self):
        with open(GROUND, encoding="gbk") as f:
            heights = [float(line.split(",")[4]) for line in f if line.strip()]
        ys = [v[1] / EXAGGERATION
              for p in on(self.doc, "地面线", "LWPOLYLINE") for v in p.vertices()]
        self.assertGreater(len(ys), 100)
        self.assertGreaterEqual(min(ys), min(heights) - 1e-9)
        self.assertLessEqual(max(ys), max(heights) + 1e-9)

    def test_refused_without_heights(self):
        r = qelt_cli.run("table", *JD, "--boreholes", os.path.join(EX, "mainline-boreholes.txt"),
                         "--output", self.w.out("u.xlsx"), "--section-dxf", self.w.out("u.dxf"))
        self.assertEqual(r.returncode, 64)
        self.assertIn("--section-dxf needs --profile or --terrain", r.stderr.decode())


    def test_scales_from_the_command_line(self):
        # 1:2000 along the line and 1:500 in height: heights four times, not ten.
        r = qelt_cli.run("table", *JD, *PROFILE, "--boreholes",
                         os.path.join(EX, "mainline-boreholes.txt"), "--output",
                         self.w.out("v.xlsx"), "--section-dxf", self.w.out("v.dxf"),
                         "--section-scales", "2000,500")
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        doc, _ = recover.readfile(self.w.out("v.dxf"))
        feet = sorted((e.dxf.start.x, e.dxf.start.y) for e in on(doc, "变坡点", "LINE"))
        self.assertEqual(len(feet), len(self.grades))
        for (x, y), g in zip(feet, self.grades):
            self.assertAlmostEqual(y / 4, float(g["elevation"]), delta=1e-9)
        # Scales that are none: usage errors, two lines and the pointer.
        for scales in ("0,200", "2000,-200", "2000", "2000,二百", "big,small", "2000,200,5"):
            r = qelt_cli.run("table", *JD, *PROFILE, "--boreholes",
                             os.path.join(EX, "mainline-boreholes.txt"), "--output",
                             self.w.out("x.xlsx"), "--section-dxf", self.w.out("x.dxf"),
                             "--section-scales", scales)
            self.assertEqual(r.returncode, 64, scales)
            lines = r.stderr.decode().splitlines()
            self.assertEqual(len(lines), 3, lines)
            self.assertIn("--section-scales must be two positive scale denominators", lines[1])

    def test_a_section_per_line(self):
        # The interchange's list over 主线 and A匝道: a section per line, titled with its name,
        # one below the other, every hole's mark within the stations of its own line's section.
        xml = os.path.join(EX, "interchange.xml")
        r = qelt_cli.run("table", "--alignment", xml, "--alignment-name", "主线", "--profile", xml,
                         "--terrain", GROUND, "--boreholes",
                         os.path.join(EX, "interchange-boreholes.txt"), "--output",
                         self.w.out("i.xlsx"), "--csv", self.w.out("i.csv"), "--section-dxf",
                         self.w.out("i.dxf"))
        self.assertIn("钻孔纵断面图（每条线路一段，自上而下排列）已写入", r.stdout.decode())
        doc, _ = recover.readfile(self.w.out("i.dxf"))
        titles = sorted(((t.dxf.insert.y, plain(t.dxf.text)) for t in on(doc, "图表栏", "TEXT")
                         if plain(t.dxf.text).endswith("钻孔纵断面图")), reverse=True)
        self.assertEqual([t for _, t in titles], ["主线 钻孔纵断面图", "A匝道 钻孔纵断面图"])
        # A section: from its title down to the next; its stations from the end of the bands'
        # titles (30 mm) to the right end of its bands.
        tops = [y for y, _ in titles] + [-float("inf")]
        for k, (top, title) in enumerate(titles):
            inside = lambda y: tops[k + 1] < y <= top
            rows = [b for b in on(doc, "图表栏", "LINE")
                    if b.dxf.start.y == b.dxf.end.y and inside(b.dxf.start.y)]
            start, end = min(b.dxf.start.x for b in rows) + 30 * MM, max(b.dxf.end.x for b in rows)
            marks = [m.dxf.start.x for m in on(doc, "钻孔", "LINE") if inside(m.dxf.start.y)]
            drawn = [h for h in read_csv(self.w.out("i.csv")) if h["line"] == title.split()[0]
                     and (h["ground_elevation"] or h["design_elevation"])]
            self.assertEqual(len(marks), len(drawn), title)
            self.assertTrue(drawn and all(start - 1e-6 <= x <= end + 1e-6 for x in marks), title)

if __name__ == "__main__":
    unittest.main()
