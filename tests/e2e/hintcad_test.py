#!/usr/bin/python3
"""The bundled main line as the route group's 纬地 files (examples/mainline.pm or .jd, .zdm, .dmx,
.hdm) gives the table its JD file, 纵断面资料 and surveyed ground give, to 1e-6 m; and the one
ground a run takes is a rule of the command line."""

import csv
import math
import os
import unittest

import openpyxl

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
BOREHOLES = ["--boreholes", os.path.join(EX, "mainline-boreholes.txt")]
OWN = ["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
       "--chain-breaks", os.path.join(EX, "mainline-dl.txt"),
       "--profile", os.path.join(EX, "mainline-profile.txt"),
       "--terrain", os.path.join(EX, "mainline-ground.dat")]
HINTCAD = ["--alignment", os.path.join(EX, "mainline.pm"),
           "--chain-breaks", os.path.join(EX, "mainline-dl.txt"),
           "--profile", os.path.join(EX, "mainline.zdm"),
           "--ground-line", os.path.join(EX, "mainline.dmx"),
           "--sections", os.path.join(EX, "mainline.hdm")]


def table(w, name, line):
    out = w.out(name + ".csv")
    r = qelt_cli.run("table", *line, *BOREHOLES, "--output", w.out(name + ".xlsx"), "--csv", out)
    assert r.returncode == 0, r.stderr.decode()
    with open(out, encoding="utf-8-sig", newline="") as f:
        return list(csv.DictReader(f)), r.stderr.decode()


class HintcadFiles(unittest.TestCase):
    def test_the_example_set_gives_the_table_of_qelts_own_files(self):
        with Workdir() as w:
            own, _ = table(w, "own", OWN)
            theirs, notices = table(w, "pm", HINTCAD)
            by_jds, _ = table(w, "jd", [os.path.join(EX, "mainline.jd") if a.endswith(".pm") else a
                                        for a in HINTCAD])
            # The note says how the ground was found: on triangles, or between cross sections.
            for name, says in (("own", "三角网的高程"), ("pm", "前后两个实测横断面")):
                sheet = openpyxl.load_workbook(w.out(name + ".xlsx")).active
                notes = [c.value for r in sheet.iter_rows() for c in r
                         if isinstance(c.value, str) and c.value.startswith("地面高程取自")]
                self.assertEqual(len(notes), 1, name)
                self.assertIn(says, notes[0])
        self.assertEqual(len(own), len(theirs))
        self.assertEqual(len(own), len(by_jds))
        grounds = 0
        for a, b in [*zip(own, theirs), *zip(own, by_jds)]:
            for field in ("group", "serial", "station", "offset", "remark"):
                self.assertEqual(a[field], b[field])
            for field in ("x", "y", "design_elevation", "ground_elevation"):
                self.assertEqual(a[field] == "", b[field] == "", (field, a, b))
                if a[field]:
                    self.assertAlmostEqual(float(a[field]), float(b[field]), delta=1e-6,
                                           msg=(field, a["station"], a["offset"]))
            grounds += a["ground_elevation"] != ""
        self.assertGreater(grounds, 10)
        self.assertNotIn("错误", notices)

    def test_the_stake_table_of_the_route_groups_stakes(self):
        # examples/mainline.sta: every 20 m and key point of the main line, its overlap's
        # stations lettered: exactly those stakes, where --every 20 puts them, key points named.
        line = OWN[:6]
        with Workdir() as w:
            rows = {}
            for name, extra in (("sta", ["--stations", os.path.join(EX, "mainline.sta")]),
                                ("every", ["--every", "20"])):
                out = w.out(name + ".csv")
                r = qelt_cli.run("stakes", *line, *extra, "--output", w.out(name + ".xlsx"),
                                 "--csv", out)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                with open(out, encoding="utf-8-sig", newline="") as f:
                    rows[name] = list(csv.DictReader(f))
        with open(os.path.join(EX, "mainline.sta"), encoding="ascii") as f:
            self.assertEqual(len(rows["sta"]), len(f.readlines()) - 1)
        every = {r["station"]: r for r in rows["every"] if r["point"] != "断链"}
        self.assertEqual(len(rows["sta"]), len(every))
        for a in rows["sta"]:
            b = every[a["station"]]
            self.assertEqual(a["point"], b["point"])
            # The key points to the list's millimetre.
            self.assertLess(math.hypot(float(a["x"]) - float(b["x"]), float(a["y"]) - float(b["y"])),
                            1e-3)

    def test_one_ground_a_run(self):
        for extra, says in (
                (["--sections", os.path.join(EX, "mainline.hdm")], "--sections 要与 --ground-line"),
                (HINTCAD[-4:] + ["--terrain", os.path.join(EX, "mainline-ground.dat")],
                 "一次只用一种地面")):
            r = qelt_cli.run("table", *HINTCAD[:4], *BOREHOLES, *extra)
            self.assertEqual(r.returncode, 64, r.stderr.decode())
            self.assertIn(says, r.stderr.decode())


if __name__ == "__main__":
    unittest.main()
