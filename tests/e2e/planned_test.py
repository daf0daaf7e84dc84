#!/usr/bin/python3
"""End-to-end runs of `qelt-cli inverse --planned`: a table's own stakeout file read back against
the borehole file it was made from gives every hole Δ = 0 within the file's 4 decimals (main line
with its long chain, the ramp, and the interchange's list over two lines of one LandXML file with
its skewed groups and the long chain's overlap); the bundled drilled file gives its moved, missing
and added holes their verdicts and the summary line its counts."""

import csv
import math
import os
import subprocess
import unittest

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
GROUND = os.path.join(EX, "mainline-ground.dat")
READBACK = os.path.join(SRC, "tests", "xlsx_readback.py")
LINES = {  # the alignment options of each example line, and its borehole file
    "jd": (["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
            "--chain-breaks", os.path.join(EX, "mainline-dl.txt")], "mainline-boreholes.txt"),
    "ht": (["--method", "ht", "--alignment", os.path.join(EX, "ramp-elements.txt")],
           "ramp-boreholes.txt"),
    "xml": (["--alignment", os.path.join(EX, "interchange.xml"), "--alignment-name", "主线"],
            "interchange-boreholes.txt"),
}
COLUMNS = ("planned_station,planned_offset,d_along,d_across,distance,status").split(",")


def rows(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.DictReader(f))


def compare(method, points, work, *more):
    line, boreholes = LINES[method]
    return qelt_cli.run("inverse", *line, "--points", points,
                        "--planned", os.path.join(EX, boreholes),
                        "--output", work.out("d.xlsx"), "--csv", work.out("d.csv"), *more)


class RoundTrip(unittest.TestCase):
    def test_the_stakeout_file_read_back_lies_on_its_plan(self):
        for method, (line, boreholes) in LINES.items():
            with self.subTest(method=method), Workdir() as work:
                r = qelt_cli.run("table", *line, "--boreholes", os.path.join(EX, boreholes),
                                 "--output", work.out("t.xlsx"), "--csv", work.out("t.csv"),
                                 "--stakeout", work.out("s.dat"))
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                r = compare(method, work.out("s.dat"), work)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                planned, drilled = rows(work.out("t.csv")), rows(work.out("d.csv"))
                self.assertEqual(list(drilled[0])[-6:], COLUMNS)
                # The planned groups and order, every hole drilled where planned: each
                # coordinate is off by its rounding to 0.1 mm at most.
                self.assertEqual([(d["group"], d["serial"]) for d in drilled],
                                 [(p["group"], p["serial"]) for p in planned])
                for d, p in zip(drilled, planned):
                    self.assertEqual(d["status"], "", d)
                    self.assertLessEqual(float(d["distance"]), 0.5e-4 * math.sqrt(2), d)
                    self.assertLessEqual(abs(float(d["d_along"])), 0.5e-4 * math.sqrt(2), d)
                    self.assertLessEqual(abs(float(d["d_across"])), 0.5e-4 * math.sqrt(2), d)
                    # On a skewed axis the drilled offset is square to the line, the planned one
                    # along the axis.
                    if not p.get("crossing_angle"):
                        self.assertAlmostEqual(float(d["planned_offset"]), float(d["offset"]),
                                               delta=1e-4)
                n = len(planned)
                self.assertIn(f"计划 {n} 孔，实测 {n} 孔：超限 0 孔（限差 1.000 米），未钻 0 孔，"
                              f"计划外 0 孔", r.stdout.decode())
                if method == "xml":
                    # A point planned nowhere goes to the run's line, which the notice names,
                    # since the planned holes lie on two.
                    with open(work.out("s.dat"), "rb") as f:
                        first = f.readline()
                    with open(work.out("s.dat"), "ab") as f:
                        f.write(b"ZK9" + first[first.index(b","):])
                    r = compare(method, work.out("s.dat"), work)
                    self.assertIn("孔号ZK9不是计划孔，按本次选定的线路“主线”反算",
                                  r.stderr.decode())


class DrilledExample(unittest.TestCase):
    def test_moved_missing_and_added_holes(self):
        drilled = os.path.join(EX, "mainline-drilled.dat")
        for tolerance, beyond in ((None, {"C1"}), ("0.3", {"A2", "C1"})):
            with self.subTest(tolerance=tolerance), Workdir() as work:
                r = compare("jd", drilled, work, "--terrain", GROUND,
                            *(["--tolerance", tolerance] if tolerance else []))
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                got = {d["name"]: d for d in rows(work.out("d.csv"))}
                status = {name: d["status"] for name, d in got.items()}
                self.assertEqual({n for n, s in status.items() if s == "超限"}, beyond)
                self.assertEqual(status["B2"], "未钻")
                self.assertEqual(status["ZK补1"], "计划外")
                # A2 moved 0.20 m north and 0.25 m east; B2 not drilled has no drilled values.
                self.assertAlmostEqual(float(got["A2"]["distance"]), math.hypot(0.2, 0.25),
                                       delta=1e-4)
                self.assertEqual([got["B2"][k] for k in ("x", "y", "station", "offset")],
                                 ["", "", "", ""])
                self.assertEqual(got["B2"]["planned_station"], "AK13+480")
                self.assertEqual(got["ZK补1"]["planned_station"], "")
                # The crew's collars lie on the bundled ground: no word of another height datum;
                # the model's ground and the difference beside the collar, the ground named.
                self.assertNotIn("高程系", r.stderr.decode())
                sheet = subprocess.run(["/usr/bin/python3", READBACK, work.out("d.xlsx")],
                                       capture_output=True, text=True, check=True).stdout
                for cell in ("K2.v\ts:模型地面", "L2.v\ts:实测−模型", "M2.v\ts:状态",
                             "地面高程取自地面模型“mainline-ground.dat”"):
                    self.assertTrue(cell in sheet, cell)
                tol = "1.000" if tolerance is None else "0.300"
                self.assertIn(f"超限 {len(beyond)} 孔（限差 {tol} 米），未钻 1 孔，计划外 1 孔",
                              r.stdout.decode())

    def test_tolerance_without_planned_is_bad_usage(self):
        with Workdir() as work:
            line, _ = LINES["jd"]
            r = qelt_cli.run("inverse", *line, "--points", os.path.join(EX, "mainline-points.txt"),
                             "--tolerance", "1", "--output", work.out("d.xlsx"))
            self.assertEqual(r.returncode, 64)
            self.assertIn(b"--tolerance applies to --planned only", r.stderr)


if __name__ == "__main__":
    unittest.main()
