#!/usr/bin/python3
"""End-to-end runs with a design profile (--profile): random grade lines over the bundled main
line with its two chain breaks, their design elevations in the stake table checked against an
evaluation written here from the textbook formula of the 竖曲线 (z = z_BVC + i1·x + (i2 − i1)·x²/(2L)
from the curve's start), the extra stakes at grade points and curve ends, the boreholes off the
profile noticed, the 纵坡、竖曲线表 CSV of a worked example, and a LandXML file given as both the
alignment and the profile."""

import csv
import os
import random
import unittest

import openpyxl

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
JD = ["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
      "--chain-breaks", os.path.join(EX, "mainline-dl.txt")]
RAMP = ["--method", "ht", "--alignment", os.path.join(EX, "ramp-elements.txt")]

# The main line's chain breaks (mainline-dl.txt): a long chain 13500 = 13450, a short one
# 16200 = 16260. Interval k (letter A, B, C) reads its stations shifted by SHIFT[k] from the
# continuous mileage, which starts at the line's start station.
BREAKS = [(13500.0, 13450.0), (16200.0, 16260.0)]
SHIFT = [0.0, 50.0, -10.0]


def mileage(letter, number):
    """Continuous mileage of a station number read in the interval of `letter` (A, B, C), or,
    unlettered, in the one interval that holds it."""
    if letter:
        return number + SHIFT[ord(letter) - ord("A")]
    if number <= BREAKS[0][0] and not BREAKS[0][1] <= number:
        return number
    if BREAKS[0][0] < number <= BREAKS[1][0]:
        return number + SHIFT[1]
    if number >= BREAKS[1][1]:
        return number + SHIFT[2]
    raise ValueError("an unlettered station in the overlap: %s" % number)


def station_of(m):
    """The lettered station text ("B13470.125") of continuous mileage m, never in the gap."""
    if m <= BREAKS[0][0]:
        return "A%.3f" % m
    if m <= BREAKS[1][0] + SHIFT[1]:
        return "B%.3f" % (m - SHIFT[1])
    return "C%.3f" % (m - SHIFT[2])


def stake_mileage(row, col):
    """The mileage of a stake: its station number in full (station_value) in the interval its
    printed station names by letter ("BK13+470.125"), or, unlettered, the one that holds it."""
    text = row[col["station"]]
    letter = text[0] if text[0] in "ABC" else ""
    return mileage(letter, float(row[col["station_value"]]))


class GradeLine:
    """Grade points (mileage, elevation, R) evaluated with the textbook parabola."""

    def __init__(self, points):
        self.points = points
        self.grades = [(b[1] - a[1]) / (b[0] - a[0]) for a, b in zip(points, points[1:])]

    def curves(self):
        """(start, end) mileage of each curve, by grade point index."""
        out = {}
        for k in range(1, len(self.points) - 1):
            r = self.points[k][2]
            if r:
                length = r * abs(self.grades[k] - self.grades[k - 1])
                out[k] = (self.points[k][0] - length / 2, self.points[k][0] + length / 2)
        return out

    def elevation(self, m):
        p = self.points
        if m < p[0][0] - 1e-9 or m > p[-1][0] + 1e-9:
            return None
        for k, (start, end) in self.curves().items():
            if start <= m <= end:
                i1, i2 = self.grades[k - 1], self.grades[k]
                length = end - start
                z_start = p[k][1] - i1 * (p[k][0] - start)
                x = m - start
                return z_start + i1 * x + (i2 - i1) * x * x / (2 * length)
        k = 0
        for j in range(len(p) - 1):
            if p[j][0] <= m:
                k = j
        return p[k][1] + self.grades[k] * (m - p[k][0])


def random_grade_line(rng, first, last):
    """Six to nine grade points between mileages first and last, grades within ±4 %, each curve
    well inside half the grades beside it."""
    n = rng.randint(6, 9)
    while True:  # grade points at least 100 m apart
        ms = [first] + sorted(rng.uniform(first, last) for _ in range(n - 2)) + [last]
        ms = [mileage_of_station(m) for m in ms]
        if min(b - a for a, b in zip(ms, ms[1:])) >= 100:
            break
    z = [round(rng.uniform(300, 400), 3)]
    for a, b in zip(ms, ms[1:]):
        z.append(round(z[-1] + rng.uniform(-0.04, 0.04) * (b - a), 3))
    points = [(ms[0], z[0], 0)]
    for k in range(1, n - 1):
        i1 = (z[k] - z[k - 1]) / (ms[k] - ms[k - 1])
        i2 = (z[k + 1] - z[k]) / (ms[k + 1] - ms[k])
        room = 0.45 * min(ms[k] - ms[k - 1], ms[k + 1] - ms[k])  # T at most
        flat = abs(i2 - i1) < 1e-3  # next to nothing to round
        r = 0 if flat or rng.random() < 0.2 else round(rng.uniform(0.3, 1.0) * 2 * room / abs(i2 - i1))
        points.append((ms[k], z[k], r))
    points.append((ms[-1], z[-1], 0))
    return GradeLine(points)


def mileage_of_station(m):
    """m moved onto a station written to the millimetre (so that the file says exactly m)."""
    text = station_of(m)
    return mileage(text[0], float(text[1:]))


def profile_text(line):
    rows = ["随机纵断面"]
    for m, z, r in line.points:
        rows.append("%s %.3f %s" % (station_of(m), z, r if r else ""))
    return "\r\n".join(rows) + "\r\n"


def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f))
    return rows[0], rows[1:]


class StakeElevations(unittest.TestCase):
    def test_random_grade_lines_over_the_main_line(self):
        rng = random.Random(26)
        with Workdir() as w:
            for case in range(4):
                line = random_grade_line(rng, 10100.0, 18900.0)
                profile = w.write("p%d.txt" % case, profile_text(line), "gb18030")
                out = w.out("s%d.csv" % case)
                r = qelt_cli.run("stakes", *JD, "--profile", profile, "--every", "37.7",
                                 "--output", w.out("s%d.xlsx" % case), "--csv", out)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                header, rows = read_csv(out)
                self.assertEqual(header[-1], "design_elevation")
                col = dict((h, i) for i, h in enumerate(header))
                for row in rows:
                    station = row[col["station"]]
                    m = stake_mileage(row, col)
                    expected = line.elevation(m)
                    got = row[col["design_elevation"]]
                    if expected is None:
                        self.assertEqual(got, "", station)
                    else:
                        self.assertAlmostEqual(float(got), expected, delta=1e-6,
                                               msg="case %d at %s" % (case, station))
                # A stake at every grade point and at both ends of every curve.
                named = {}
                for row in rows:
                    for name in row[col["point"]].split("、"):
                        named.setdefault(name, []).append(stake_mileage(row, col))
                self.assertEqual(len(named["变坡点"]), len(line.points))
                for (m, _, _), got in zip(line.points, named["变坡点"]):
                    self.assertAlmostEqual(got, m, delta=1e-6)
                curves = line.curves()
                self.assertEqual(len(named.get("竖曲线起点", [])), len(curves))
                for (start, end), s, e in zip(curves.values(), named.get("竖曲线起点", []),
                                              named.get("竖曲线终点", [])):
                    self.assertAlmostEqual(s, start, delta=1e-6)
                    self.assertAlmostEqual(e, end, delta=1e-6)

    def test_without_profile_no_column(self):
        with Workdir() as w:
            r = qelt_cli.run("stakes", *RAMP, "--output", w.out("s.xlsx"), "--csv", w.out("s.csv"))
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            header, _ = read_csv(w.out("s.csv"))
            self.assertEqual(",".join(header), "station,station_value,x,y,azimuth,point")


class Boreholes(unittest.TestCase):
    def test_random_boreholes_against_random_grade_lines(self):
        """Boreholes all along the main line, lettered in the long chain's overlap, each with the
        design elevation of the grade line at its station in the CSV (empty off the profile)."""
        rng = random.Random(2026)
        with Workdir() as w:
            for case in range(3):
                line = random_grade_line(rng, 10300.0, 18700.0)
                profile = w.write("p%d.txt" % case, profile_text(line), "gb18030")
                places = [mileage_of_station(rng.uniform(10000, 19100)) for _ in range(60)]
                holes = ["工程", "孔 %d" % len(places)]
                holes += ["%s %.2f" % (station_of(m), rng.uniform(-20, 20)) for m in places]
                listing = w.write("b%d.txt" % case, "\n".join(holes) + "\n")
                out = w.out("t%d.csv" % case)
                r = qelt_cli.run("table", *JD, "--profile", profile, "--boreholes", listing,
                                 "--output", w.out("t%d.xlsx" % case), "--csv", out)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                header, rows = read_csv(out)
                self.assertEqual(header[-1], "design_elevation")
                self.assertEqual(len(rows), len(places))
                for m, row in zip(places, rows):
                    expected = line.elevation(m)
                    if expected is None:
                        self.assertEqual(row[-1], "", row)
                    else:
                        self.assertAlmostEqual(float(row[-1]), expected, delta=1e-6, msg=row)

    def test_holes_off_the_profile_noticed(self):
        with Workdir() as w:
            profile = w.write("p.txt", "短纵断面\nK11+000 350\nK12+500 360 10000\nK14+000 352\n")
            holes = w.write("b.txt", "工程\n桥 3\n10500 0\nK11+500 2\n15000 -3\n")
            r = qelt_cli.run("table", *JD, "--profile", profile, "--boreholes", holes,
                             "--output", w.out("t.xlsx"))
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            notices = [l for l in r.stderr.decode().splitlines() if l.startswith("提示：")]
            self.assertEqual(notices, [
                "提示：钻孔资料文件“b.txt”第 3 行：桩号K10+500在纵断面（K11+000～K14+000）之外，"
                "没有设计高程",
                "提示：钻孔资料文件“b.txt”第 5 行：桩号K15+000在纵断面（K11+000～K14+000）之外，"
                "没有设计高程",
            ])
            # The printed table: 设计高程 between Y and 备注, to the millimetre, empty off the
            # profile, and a note row of its own saying what it is.
            sheet = openpyxl.load_workbook(w.out("t.xlsx")).active
            self.assertEqual([c.value for c in sheet[2]],
                             ["序号", "桩号", "距中线距离（米）", "X", "Y", "设计高程", "备注"])
            self.assertIsNone(sheet["F3"].value)
            self.assertAlmostEqual(sheet["F4"].value, 350 + 500 * 10 / 1500, delta=1e-9)
            self.assertEqual(sheet["F4"].number_format, "0.000")
            self.assertEqual(sheet["B7"].value, "注：距中线距离左为正，右为负。")
            self.assertTrue(sheet["B8"].value.startswith("设计高程为纵断面设计线"))
            self.assertTrue(sheet.sheet_properties.pageSetUpPr.fitToPage)


class GradeTable(unittest.TestCase):
    # The worked example (the textbook's K4+900 … K5+200 moved onto the main line, 10 km on):
    # grade point K15+030 at 427.68 m between +5 % and −4 %, R = 2000: L = 180, T = 90,
    # E = 2.025, the curve from K14+940 to K15+120.
    def test_worked_example(self):
        with Workdir() as w:
            profile = w.write("p.txt", "例题\nK14+900 421.18\nK15+030 427.68 2000\nK15+200 420.88\n")
            out = w.out("g.csv")
            r = qelt_cli.run("grades", *JD, "--profile", profile, "--output", w.out("g.xlsx"),
                             "--csv", out)
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            header, rows = read_csv(out)
            self.assertEqual(",".join(header), "point,station,elevation,type,R,T,E,L,"
                             "start_station,end_station,grade,grade_length")
            expected = [
                ["1", "K14+900", 421.18, "", "", "", "", "", "", "", 5, 130],
                ["2", "K15+030", 427.68, "凸", 2000, 90, 2.025, 180, "K14+940", "K15+120", -4,
                 170],
                ["3", "K15+200", 420.88, "", "", "", "", "", "", "", "", ""],
            ]
            self.assertEqual(len(rows), len(expected))
            for row, want in zip(rows, expected):
                for got, value in zip(row, want):
                    if isinstance(value, str):
                        self.assertEqual(got, value, row)
                    else:
                        self.assertAlmostEqual(float(got), value, delta=1e-9, msg=row)

    def test_needs_a_profile(self):
        r = qelt_cli.run("grades", *RAMP)
        self.assertEqual(r.returncode, 64)
        self.assertIn(b"--profile is required", r.stderr)
        for command in ("curves", "elements", "landxml"):
            r = qelt_cli.run(command, *JD, "--profile", "p.txt", "--output", "x.xml")
            self.assertEqual(r.returncode, 64, command)
            self.assertIn(b"--profile does not belong to " + command.encode(), r.stderr)
        text_profile = os.path.join(EX, "mainline-profile.txt")
        for extra, message in (([], b"--profile-name applies to --profile only"),
                               (["--profile", text_profile],
                                b"--profile-name applies to a LandXML profile file only")):
            r = qelt_cli.run("grades", *JD, *extra, "--profile-name", "设计线")
            self.assertEqual(r.returncode, 64, message)
            self.assertIn(message, r.stderr)


class LandXml(unittest.TestCase):
    def test_bundled_profile_from_either_source(self):
        """The main line's profile as a 纵断面资料文件 over the JD line and as the ProfAlign of
        interchange.xml (ParaCurve lengths for the radii, internal stations for the lettered
        ones) give one 纵坡、竖曲线表."""
        with Workdir() as w:
            xml = os.path.join(EX, "interchange.xml")
            tables = []
            for name, line in (("text", JD + ["--profile", os.path.join(EX, "mainline-profile.txt")]),
                               ("xml", ["--alignment", xml, "--alignment-name", "主线",
                                        "--profile", xml])):
                out = w.out(name + ".csv")
                r = qelt_cli.run("grades", *line, "--output", w.out(name + ".xlsx"), "--csv", out)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                tables.append(read_csv(out)[1])
            self.assertEqual(len(tables[0]), 7)
            for a, b in zip(*tables):
                for x, y in zip(a, b):
                    try:
                        self.assertAlmostEqual(float(x), float(y), delta=1e-9, msg=(a, b))
                    except ValueError:
                        self.assertEqual(x, y)

    def test_alignment_and_profile_from_one_file(self):
        with Workdir() as w:
            xml = w.write("road.xml", """<?xml version="1.0"?>
<LandXML xmlns="http://www.landxml.org/schema/LandXML-1.2">
<Units><Metric linearUnit="meter"/></Units>
<Alignments><Alignment name="L" staStart="0" length="1000">
<CoordGeom><Line><Start>0 0</Start><End>1000 0</End></Line></CoordGeom>
<Profile><ProfAlign name="设计线"><PVI>-100 98</PVI><PVI>0 100</PVI>
<ParaCurve length="200">500 110</ParaCurve><PVI>1000 105</PVI><PVI>1100 104</PVI></ProfAlign>
</Profile>
</Alignment></Alignments></LandXML>
""")
            out = w.out("s.csv")
            r = qelt_cli.run("stakes", "--alignment", xml, "--profile", xml, "--every", "100",
                             "--output", w.out("s.xlsx"), "--csv", out)
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            header, rows = read_csv(out)
            line = GradeLine([(-100, 98, 0), (0, 100, 0), (500, 110, 200 / 0.03),
                              (1000, 105, 0), (1100, 104, 0)])
            # The grade line runs on past both ends of the line: no stakes out there.
            self.assertEqual([float(r[1]) for r in rows],
                             [0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000])
            self.assertEqual([r[5] for r in rows[3:8]],
                             ["", "竖曲线起点", "变坡点", "竖曲线终点", ""])
            for row in rows:
                m = float(row[1])
                self.assertAlmostEqual(float(row[-1]), line.elevation(m), delta=1e-9)
            # The printed table: 设计高程 before 点名, to the millimetre.
            sheet = openpyxl.load_workbook(w.out("s.xlsx")).active
            self.assertEqual(sheet["E1"].value, "设计高程\n（米）")
            self.assertEqual(sheet["F1"].value, "点名")
            self.assertAlmostEqual(sheet["E8"].value, line.elevation(500), delta=1e-9)
            self.assertEqual(sheet["E8"].number_format, "0.000")


if __name__ == "__main__":
    unittest.main()
