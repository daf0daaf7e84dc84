#!/usr/bin/python3
"""A borehole list that plans its holes' depths and types (examples/mainline-depth-boreholes.txt:
bridge piers by 孔深 and 孔底, a cut by 设计下, types), run once with the profile and the ground:
the workload sheet and the closing line sum to what the table's rows say, each hole's column in
the section drawing runs from its ground to its bottom, and the maps carry the same depths. The
same list without the ground is refused at the first hole that needs it."""

import csv
import json
import os
import unittest
from collections import OrderedDict

import openpyxl
from ezdxf import recover

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
JD = ["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
      "--chain-breaks", os.path.join(EX, "mainline-dl.txt")]
LIST = os.path.join(EX, "mainline-depth-boreholes.txt")
EXAGGERATION = 2000 / 200


def metres(value):
    """Metres as the closing line writes them: to the centimetre, no trailing zeros."""
    return ("%.2f" % value).rstrip("0").rstrip(".")


class HoleDepth(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.w = w = Workdir()
        cls.done = qelt_cli.run(
            "table", *JD, "--profile", os.path.join(EX, "mainline-profile.txt"),
            "--terrain", os.path.join(EX, "mainline-ground.dat"), "--boreholes", LIST,
            "--output", w.out("t.xlsx"), "--csv", w.out("t.csv"), "--section-dxf", w.out("s.dxf"),
            "--geojson", w.out("m.json"), "--central-meridian", "114")
        assert cls.done.returncode == 0, cls.done.stderr.decode()
        with open(w.out("t.csv"), encoding="utf-8-sig", newline="") as f:
            cls.rows = list(csv.DictReader(f))

    def test_depth_and_bottom_from_the_heights(self):
        self.assertEqual(list(self.rows[0])[-3:], ["depth", "bottom_elevation", "hole_type"])
        for r in self.rows:
            self.assertAlmostEqual(float(r["ground_elevation"]) - float(r["depth"]),
                                   float(r["bottom_elevation"]), delta=1e-9)
        # 孔底300 on the abutment's line over its group's 孔深30; 设计下8 over the cut's 设计下5.
        self.assertEqual(self.rows[0]["bottom_elevation"], "300")
        self.assertEqual(float(self.rows[1]["depth"]), 30)
        self.assertAlmostEqual(float(self.rows[11]["bottom_elevation"]),
                               float(self.rows[11]["design_elevation"]) - 8, delta=1e-9)
        self.assertAlmostEqual(float(self.rows[12]["bottom_elevation"]),
                               float(self.rows[12]["design_elevation"]) - 5, delta=1e-9)

    def test_workload_sums_the_rows(self):
        book = openpyxl.load_workbook(self.w.out("t.xlsx"))
        self.assertEqual(book.sheetnames, ["钻孔数量及位置表", "勘探工作量"])
        # The table's rows summed by group, read from the first sheet.
        table = book.worksheets[0]
        by_group, group, depth_col = OrderedDict(), None, None
        for row in table.iter_rows(values_only=True):
            if row[0] is not None and row[1] is None and isinstance(row[0], str) \
                    and not row[0].startswith("注"):
                group = row[0]
            elif row[0] == "序号":
                depth_col = row.index("孔深（米）")
            elif isinstance(row[0], int) and group:
                holes, total = by_group.get(group, (0, 0.0))
                by_group[group] = (holes + 1, total + row[depth_col])
        by_type = OrderedDict()
        for r in self.rows:
            holes, total = by_type.get(r["hole_type"], (0, 0.0))
            by_type[r["hole_type"]] = (holes + 1, total + float(r["depth"]))
        sheet = [r for r in book.worksheets[1].iter_rows(values_only=True) if r[0] is not None]
        blocks = [i for i, r in enumerate(sheet) if r[0] == "序号"]
        self.assertEqual(len(blocks), 2)
        for start, expected in zip(blocks, (by_group, by_type)):
            got = sheet[start + 1:start + 2 + len(expected)]
            self.assertEqual([r[1] for r in got[:-1]], list(expected))
            for r, (holes, total) in zip(got, list(expected.values())):
                self.assertEqual(r[2], holes, r)
                self.assertAlmostEqual(r[3], total, delta=1e-9)
            self.assertEqual(got[-1][0], "合计")
            self.assertEqual(got[-1][2], len(self.rows))
        total = sum(float(r["depth"]) for r in self.rows)
        self.assertAlmostEqual(sheet[blocks[0] + 1 + len(by_group)][3], total, delta=1e-9)
        self.assertIn("钻孔 %d 个，进尺 %s 米" % (len(self.rows), metres(total)),
                      self.done.stdout.decode())

    def test_section_columns_and_maps(self):
        doc, auditor = recover.readfile(self.w.out("s.dxf"))
        self.assertFalse(auditor.has_errors)
        columns = [e for e in doc.modelspace()
                   if e.dxf.layer == "钻孔" and e.dxftype() == "LWPOLYLINE"]
        spans = sorted((round(max(v[1] for v in c.vertices()) / EXAGGERATION, 6),
                        round(min(v[1] for v in c.vertices()) / EXAGGERATION, 6))
                       for c in columns)
        self.assertEqual(spans, sorted((round(float(r["ground_elevation"]), 6),
                                        round(float(r["bottom_elevation"]), 6))
                                       for r in self.rows))
        labels = [e.dxf.text for e in doc.modelspace()
                  if e.dxf.layer == "钻孔标注" and e.dxftype() == "TEXT"]
        self.assertTrue(any(t.endswith("孔深35m") for t in labels), labels)
        with open(self.w.out("m.json"), encoding="utf-8") as f:
            holes = [p["properties"] for p in json.load(f)["features"]
                     if p["properties"]["kind"] == "borehole"]
        self.assertEqual([(h["depth"], h["hole_type"]) for h in holes],
                         [(float(r["depth"]), r["hole_type"]) for r in self.rows])

    def test_without_the_ground_or_a_depth(self):
        r = qelt_cli.run("table", *JD, "--boreholes", LIST, "--output", self.w.out("n.xlsx"))
        self.assertEqual(r.returncode, 2)
        self.assertIn("第 3 行：分组“青龙河大桥”第 1 个钻孔（K11+150）的“孔底300”要由钻孔处的"
                      "地面高程算出孔深，但没有给出地面模型", r.stderr.decode())
        # 孔深 needs no heights; a hole without a depth among others is told once, its cells empty.
        short = self.w.write("short.txt", "项目\n桥 3\n11150 0 孔深30\n11180 0\n11210 0\n")
        r = qelt_cli.run("table", *JD, "--boreholes", short, "--output", self.w.out("s.xlsx"),
                         "--csv", self.w.out("s.csv"))
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        self.assertIn("提示：2 个钻孔没有给出孔深", r.stderr.decode())
        self.assertIn("钻孔 3 个，进尺 30 米", r.stdout.decode())
        with open(self.w.out("s.csv"), encoding="utf-8-sig", newline="") as f:
            self.assertEqual([(r["depth"], r["bottom_elevation"]) for r in csv.DictReader(f)],
                             [("30", ""), ("", ""), ("", "")])


if __name__ == "__main__":
    unittest.main()
