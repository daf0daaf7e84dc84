#!/usr/bin/python3
"""End-to-end runs with the IFC 4.3 example (examples/interchange.ifc, the bundled main line and
ramp written as IFC): recognised by its content without --method, chosen by name, its referents
as the chain breaks, and the boreholes placed as from the typed files."""

import csv
import os
import unittest

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
IFC = os.path.join(EX, "interchange.ifc")


def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f))


def table(w, tag, *args):
    csv_path = w.out(tag + ".csv")
    r = qelt_cli.run("table", *args, "--output", w.out(tag + ".xlsx"), "--csv", csv_path)
    return r, csv_path


class Example(unittest.TestCase):
    def test_the_boreholes_of_the_typed_lines(self):
        cases = [  # name, boreholes, the typed line's options
            ("主线", "mainline-boreholes.txt",
             ["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
              "--chain-breaks", os.path.join(EX, "mainline-dl.txt")]),
            ("A匝道", "ramp-boreholes.txt",
             ["--method", "ht", "--alignment", os.path.join(EX, "ramp-elements.txt")]),
        ]
        with Workdir() as w:
            for name, holes, typed_line in cases:
                holes = os.path.join(EX, holes)
                r, ifc = table(w, "ifc", "--alignment", IFC, "--alignment-name", name,
                               "--boreholes", holes)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                self.assertIn("的坐标系为“EPSG:4547”（IfcProjectedCRS）", r.stderr.decode())
                r, typed = table(w, "typed", *typed_line, "--boreholes", holes)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                rows, expected = read_csv(ifc), read_csv(typed)
                self.assertEqual(len(rows), len(expected))
                for a, b in zip(rows[1:], expected[1:]):
                    self.assertEqual(a[:4] + a[6:], b[:4] + b[6:])  # the station as printed
                    self.assertLess(abs(float(a[4]) - float(b[4])), 1e-9)
                    self.assertLess(abs(float(a[5]) - float(b[5])), 1e-9)

    def test_refusals(self):
        holes = os.path.join(EX, "mainline-boreholes.txt")
        cases = [  # arguments, status, message
            (["--alignment-name", "主线", "--chain-breaks", os.path.join(EX, "mainline-dl.txt")],
             1, "不能再用断链资料文件"),
            ([], 1, "文件中有 2 条线路：“主线”（长 9165.380 米，K10+000～K19+175.380）"),
            (["--method", "zz", "--alignment-name", "主线"], 64, "a LandXML or IFC file needs none"),
            # The ramp has no vertical: the model named again as its profile is refused for that,
            # not read as a profile text file.
            (["--alignment-name", "A匝道", "--profile", IFC], 1,
             "IFC 模型“interchange.ifc”中的线路“A匝道”没有可用的纵断面（IfcAlignmentVertical）"),
        ]
        with Workdir() as w:
            for extra, status, message in cases:
                r, _ = table(w, "t", "--alignment", IFC, "--boreholes", holes, *extra)
                self.assertEqual(r.returncode, status, extra)
                self.assertIn(message, r.stderr.decode(), extra)
            self.assertEqual(w.listing(), [])

    def test_the_models_coordinate_system_serves_the_map(self):
        # The example names EPSG:4547 (CGCS2000, 3° zone 114°E) and its Y has no zone prefix:
        # the map is made without --crs, and its holes agree with --crs EPSG:4547 given by hand.
        holes = os.path.join(EX, "mainline-boreholes.txt")
        with Workdir() as w:
            args = ["--alignment", IFC, "--alignment-name", "主线", "--boreholes", holes]
            r, _ = table(w, "own", *args, "--geojson", w.out("own.json"))
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            r, _ = table(w, "given", *args, "--geojson", w.out("given.json"), "--crs", "EPSG:4547")
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            with open(w.out("own.json"), encoding="utf-8") as own, \
                    open(w.out("given.json"), encoding="utf-8") as given:
                self.assertEqual(own.read(), given.read())


if __name__ == "__main__":
    unittest.main()
