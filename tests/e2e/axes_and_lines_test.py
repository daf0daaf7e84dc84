#!/usr/bin/python3
"""End-to-end runs of borehole lists whose group lines carry 交角θ (holes on a skewed pier axis)
and @名称 (the group's line of a multi-line file): one list over the interchange's two lines gives
the rows of two single-line runs, a square angle gives today's files byte for byte, a skewed
group says so in every output, and what cannot be meant is refused naming the list's line."""

import csv
import math
import os
import re
import subprocess
import unittest

import ezdxf

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
READBACK = os.path.join(SRC, "tests", "xlsx_readback.py")


def example(name):
    with open(os.path.join(EX, name), encoding="gbk", newline="") as f:
        return f.read().replace("\r\n", "\n")


def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f))


def with_fields(text, fields):
    """The list `text` with `fields` added to every group line (a line whose second field is the
    count of the lines after it)."""
    lines = text.rstrip("\n").split("\n")
    out, i = [lines[0]], 1
    while i < len(lines):
        title, count = lines[i].split()[:2]
        out.append(lines[i] + " " + fields)
        out += lines[i + 1:i + 1 + int(count)]
        i += 1 + int(count)
    return "\n".join(out) + "\n"


def plain(dxf_text):
    """A DXF string with its \\U+XXXX escapes read."""
    return re.sub(r"\\U\+([0-9A-F]{4})", lambda m: chr(int(m.group(1), 16)), dxf_text)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def table(w, tag, alignment, boreholes, *extra):
    r = qelt_cli.run("table", "--alignment", alignment, "--boreholes", boreholes,
                     "--output", w.out(tag + ".xlsx"), "--csv", w.out(tag + ".csv"), *extra)
    return r, w.out(tag + ".csv")


class TwoLinesInOneList(unittest.TestCase):
    """Main-line groups naming 主线 and the ramp's groups (named or not) in one list: the rows of
    the two single-line runs, each line with its own stationing (主线's station equations)."""

    def test_same_rows_as_two_single_line_runs(self):
        for model in ("interchange.xml", "interchange.ifc"):
            with self.subTest(model), Workdir() as w:
                path = os.path.join(EX, model)
                singles = []
                for name, holes in (("主线", "mainline-boreholes.txt"),
                                    ("A匝道", "ramp-boreholes.txt")):
                    r, out = table(w, name, path, os.path.join(EX, holes),
                                   "--alignment-name", name)
                    self.assertEqual(r.returncode, 0, r.stderr.decode())
                    singles += [row + [name] for row in read_csv(out)[1:]]
                main = with_fields(example("mainline-boreholes.txt"), "@主线")
                ramp = example("ramp-boreholes.txt")
                named_ramp = with_fields(ramp, "交角90 @A匝道")
                groups = lambda text: text.split("\n", 1)[1]  # the list without its project line
                lists = {  # list, options: the ramp's groups on the chosen line, or named
                    "chosen": (main + groups(ramp), ["--alignment-name", "A匝道"]),
                    "all named": (main + groups(named_ramp), []),
                }
                for tag, (text, options) in lists.items():
                    r, out = table(w, tag, path, w.write(tag + ".txt", text), *options,
                                   "--stakeout", w.out(tag + ".dat"))
                    self.assertEqual(r.returncode, 0, tag + ": " + r.stderr.decode())
                    rows = read_csv(out)
                    self.assertEqual(rows[0], ["group", "serial", "station", "offset", "x", "y",
                                               "remark", "line"])
                    self.assertEqual(rows[1:], singles, tag)
                    # One stakeout file for both lines: every point's name its own.
                    with open(w.out(tag + ".dat"), encoding="gbk") as f:
                        names = [line.split(",")[0] for line in f.read().splitlines()]
                    self.assertEqual(len(names), len(singles))
                    self.assertEqual(len(set(names)), len(names))

    def test_each_line_its_own_profile(self):
        with Workdir() as w:
            path = os.path.join(EX, "interchange.xml")
            holes = w.write("p.txt", "p\n桥 1 @主线\n11150 0\n匝 1 @A匝道\n100 0\n")
            r, out = table(w, "p", path, holes, "--profile", path)
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            self.assertIn("线路“A匝道”在文件“interchange.xml”中没有纵断面：它的钻孔没有设计高程",
                          r.stderr.decode())
            main = w.write("m.txt", "p\n桥 1\n11150 0\n")
            r, single = table(w, "m", path, main, "--profile", path, "--alignment-name", "主线")
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            rows = read_csv(out)
            self.assertEqual(rows[0][7], "design_elevation")
            self.assertEqual([row[7] for row in rows[1:]], [read_csv(single)[1][7], ""])

    def test_the_drawing_shows_every_line_used(self):
        with Workdir() as w:
            r, _ = table(w, "t", os.path.join(EX, "interchange.xml"),
                         os.path.join(EX, "interchange-boreholes.txt"), "--dxf", w.out("t.dxf"))
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            doc = ezdxf.readfile(w.out("t.dxf"))
            texts = [plain(e.dxf.text) for e in doc.modelspace().query("TEXT")]
            self.assertIn("主线", texts)
            self.assertIn("A匝道", texts)

    def test_refused_names(self):
        with Workdir() as w:
            unknown = w.write("u.txt", "p\n桥 1 @主线\n11150 0\n匝 1 @B匝道\n100 0\n")
            r, out = table(w, "u", os.path.join(EX, "interchange.xml"), unknown)
            self.assertEqual(r.returncode, 2)
            self.assertIn("钻孔资料文件“u.txt”第 4 行：分组“匝”的线路“@B匝道”：文件中没有名为“B匝道”"
                          "的线路；文件中的线路：“主线”", r.stderr.decode())
            self.assertEqual(len(read_csv(out)), 2)  # the group before is kept
            r, _ = table(w, "t", os.path.join(EX, "mainline-jd.txt"), unknown, "--method", "jd",
                         "--chain-breaks", os.path.join(EX, "mainline-dl.txt"))
            self.assertEqual(r.returncode, 2)
            self.assertIn("第 2 行：分组“桥”的线路“@主线”：平面资料文件“mainline-jd.txt”是文本文件",
                          r.stderr.decode())


class SkewedGroups(unittest.TestCase):
    def test_square_angle_is_todays_files(self):
        with Workdir() as w:
            path = os.path.join(EX, "interchange.xml")
            files = []
            for tag, text in (("plain", example("mainline-boreholes.txt")),
                              ("square", with_fields(example("mainline-boreholes.txt"), "交角90°"))):
                r, out = table(w, tag, path, w.write(tag + ".txt", text), "--alignment-name", "主线",
                               "--dxf", w.out(tag + ".dxf"))
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                files.append([read_bytes(p) for p in (out, w.out(tag + ".dxf"))])
            self.assertEqual(files[0], files[1])

    def test_a_skewed_group_in_every_output(self):
        with Workdir() as w:
            holes = w.write("s.txt", "p\n直 1\n11150 0\n斜 3 交角60\n11180 -6.5\n11180 0\n11180 6.5\n")
            r, out = table(w, "s", os.path.join(EX, "interchange.xml"), holes, "--alignment-name",
                           "主线", "--dxf", w.out("s.dxf"))
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            rows = read_csv(out)
            self.assertEqual(rows[0][-1], "crossing_angle")
            self.assertEqual([row[-1] for row in rows[1:]], ["", "60", "60", "60"])
            # The holes lie on one line through the centre-line point, 6.5 m either side of it,
            # the axis turned 60° from the line's direction (from the plain run's neighbours).
            p = [(float(row[4]), float(row[5])) for row in rows[2:]]
            for a in (p[0], p[2]):
                self.assertAlmostEqual(math.dist(a, p[1]), 6.5, delta=1e-9)
            self.assertAlmostEqual(math.dist(p[0], p[2]), 13, delta=1e-9)
            # The title row and the note row of the printed table.
            sheet = subprocess.run(["/usr/bin/python3", READBACK, w.out("s.xlsx")],
                                   capture_output=True, text=True, check=True).stdout
            self.assertIn("A5.v\ts:斜（交角 60°）", sheet)
            self.assertIn("s:交角为墩台轴线左侧一半与桩号增加方向的夹角", sheet)
            # The drawing's axis through the three holes, on the boreholes' layer.
            doc = ezdxf.readfile(w.out("s.dxf"))
            axes = [e for e in doc.modelspace().query("LINE") if plain(e.dxf.layer) == "钻孔"]
            self.assertEqual(len(axes), 1)
            a, b = axes[0].dxf.start, axes[0].dxf.end
            for x, y in p:  # drawing x is Y, drawing y is X
                cross = (b.x - a.x) * (x - a.y) - (b.y - a.y) * (y - a.x)
                self.assertAlmostEqual(cross / math.dist((a.x, a.y), (b.x, b.y)), 0, delta=1e-6)

    def test_refused_angles(self):
        with Workdir() as w:
            for angle in ("0", "180", "200", "七十五"):
                holes = w.write("a.txt", "p\n直 1\n11150 0\n斜 1 交角" + angle + "\n11180 0\n")
                r, _ = table(w, "a", os.path.join(EX, "interchange.xml"), holes,
                             "--alignment-name", "主线")
                self.assertEqual(r.returncode, 2, angle)
                self.assertIn("钻孔资料文件“a.txt”第 4 行：分组“斜”的交角“交角" + angle + "”",
                              r.stderr.decode())


if __name__ == "__main__":
    unittest.main()
