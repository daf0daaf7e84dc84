#!/usr/bin/python3
"""End-to-end runs of qelt-cli with the stakeout files (--stakeout, --points-csv) on the bundled
examples, read back as CASS and a controller would read them and set against the table's own
CSV; and the option combinations and map refusals that stop a run before it writes anything."""

import csv
import io
import json
import os
import unittest

import qelt_cli
from qelt_cli import Workdir

SRC = os.path.abspath(os.environ.get("QELT_SOURCE_DIR", "."))
EX = os.path.join(SRC, "examples")

JOBS = {  # command: list option, list file, (method, alignment, chain breaks)
    "table": ("--boreholes", "mainline-boreholes.txt"),
    "inverse": ("--points", "mainline-points.txt"),
}


def base_args(command):
    option, listed = JOBS[command]
    return [command, "--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
            "--chain-breaks", os.path.join(EX, "mainline-dl.txt"), option, os.path.join(EX, listed)]


def gbk_lines(path):
    """The lines of a GBK file whose every line ends in CR LF."""
    with open(path, "rb") as f:
        data = f.read()
    assert data.endswith(b"\r\n") and b"\n" not in data.replace(b"\r\n", b""), "CR LF only"
    return data.decode("gbk").split("\r\n")[:-1]


class StakeoutFiles(unittest.TestCase):
    def test_cass_and_points_csv_against_the_table_csv(self):
        for command in JOBS:
            with Workdir() as w:
                r = qelt_cli.run(*base_args(command), "--output", w.out("t.xlsx"),
                                 "--csv", w.out("t.csv"), "--stakeout", w.out("s.dat"),
                                 "--points-csv", w.out("p.csv"))
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                with open(w.out("t.csv"), encoding="utf-8-sig", newline="") as f:
                    table = list(csv.DictReader(f))
                dat = [line.split(",") for line in gbk_lines(w.out("s.dat"))]
                points = list(csv.reader(io.StringIO("\n".join(gbk_lines(w.out("p.csv"))))))
                # One point per borehole row, in the table's order, each name once.
                self.assertEqual(len(dat), len(table), command)
                self.assertEqual(len(points), len(table), command)
                names = [d[0] for d in dat]
                self.assertEqual(len(set(names)), len(names), names)
                for row, d, p in zip(table, dat, points):
                    name, code, y, x, h = d
                    self.assertEqual((code, h), ("", ""))
                    # Easting first in CASS, northing first in PNEZD; the table's coordinates
                    # to a tenth of a millimetre.
                    self.assertEqual(y, "%.4f" % float(row["y"]))
                    self.assertEqual(x, "%.4f" % float(row["x"]))
                    self.assertEqual(p, [name, x, y, "", row["group"] + " " + row["station"]])
                    if command == "inverse":
                        self.assertEqual(name, row["name"])
                if command == "table":
                    # The groups lettered in the table's order: 青龙河大桥 A, the culvert B …
                    self.assertEqual(names[:7], ["A1", "A2", "A3", "A4", "A5", "A6", "B1"])
                    self.assertEqual(names[-1], "D4")
                self.assertIn("放样点文件已写入 " + w.out("s.dat"), r.stdout.decode())

    def refused(self, args, status, message):
        with Workdir() as w:
            r = qelt_cli.run(*args, "--output", w.out("t.xlsx"), cwd=w.path)
            self.assertEqual(r.returncode, status, (args, r.stderr.decode()))
            self.assertIn(message, r.stderr.decode(), args)
            self.assertEqual(sorted(os.listdir(w.path)), [], args)

    def test_usage_refusals(self):
        table = base_args("table")
        cases = [
            (["--kml", "k.kml", "--crs", "EPSG:4545", "--central-meridian", "114"],
             "exclude each other"),
            (["--crs", "EPSG:4545"], "--crs applies to --kml, --geojson and --ifc only"),
            (["--stakeout", "s.dat", "--central-meridian", "114"],
             "--central-meridian applies to --kml, --geojson and --ifc only"),
            (["--geojson", "g.json", "--central-meridian", "east"], "--central-meridian must be"),
            (["--stakeout", ""], "--stakeout is empty"),
            (["--stakeout", "s.dat", "--points-csv", "./s.dat"], "name the same file"),
            (["--kml", os.path.join(EX, "mainline-jd.txt")], "--kml"),
        ]
        for extra, message in cases:
            self.refused(table + extra, 64, message)
        self.refused(["landxml", "--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
                      "--chain-breaks", os.path.join(EX, "mainline-dl.txt"), "--stakeout", "s.dat"],
                     64, "--stakeout does not belong to landxml")

    def test_maps_with_their_coordinate_system_come_with_the_set(self):
        for command in JOBS:
            with Workdir() as w:
                r = qelt_cli.run(*base_args(command), "--output", w.out("t.xlsx"),
                                 "--stakeout", w.out("s.dat"), "--kml", w.out("k.kml"),
                                 "--geojson", w.out("g.json"), "--central-meridian", "114")
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                self.assertEqual(sorted(os.listdir(w.path)), ["g.json", "k.kml", "s.dat", "t.xlsx"])
                with open(w.out("g.json"), encoding="utf-8") as f:
                    features = json.load(f)["features"]
                boreholes = [f for f in features if f["properties"].get("kind") == "borehole"]
                self.assertEqual(len(boreholes), len(gbk_lines(w.out("s.dat"))), command)

    def test_a_map_that_cannot_be_made_refuses_the_whole_run(self):
        # The examples' Y carries no zone number and no coordinate system is given: the map
        # cannot be made, and neither the table nor the stakeout file is delivered without it.
        for command in JOBS:
            self.refused(base_args(command) + ["--csv", "t.csv", "--stakeout", "s.dat",
                                               "--kml", "k.kml"], 1, "错误：--kml k.kml：")


if __name__ == "__main__":
    unittest.main()
