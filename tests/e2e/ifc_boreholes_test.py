#!/usr/bin/python3
"""End-to-end runs of the holes' IFC model (--ifc): the interchange example's holes appended to
the model their lines came from, and a typed line's holes in a model of their own; each opened
by an independent reader (web-ifc from the npm registry, installed under the build folder) that
finds every hole with its placement and properties and checks each CartesianPosition against
the table and against the point its distance along and offsets give on the alignment; and each
model read back by Qelt as a line, giving the same table."""

import csv
import json
import os
import shutil
import subprocess
import unittest

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
CHECK = os.path.join(SRC, "tests", "e2e", "ifc_boreholes_check.js")
WEB_IFC = os.path.join(os.environ.get("QELT_BINARY_DIR", "build"), "web-ifc")
WEB_IFC_VERSION = "0.0.78"


def web_ifc():
    """The folder web-ifc is installed in; the test is skipped only when npm cannot reach the
    registry."""
    if os.path.isdir(os.path.join(WEB_IFC, "node_modules", "web-ifc")):
        return WEB_IFC
    if not shutil.which("node") or not shutil.which("npm"):
        raise unittest.SkipTest("node/npm not installed (scripts/install-deps.sh installs them)")
    r = subprocess.run(["npm", "install", "--prefix", WEB_IFC, "--no-audit", "--no-fund",
                        "web-ifc@" + WEB_IFC_VERSION], capture_output=True, timeout=600)
    if r.returncode != 0:
        if subprocess.run(["npm", "ping"], capture_output=True, timeout=120).returncode != 0:
            raise unittest.SkipTest("the npm registry cannot be reached")
        raise AssertionError(r.stderr.decode())
    return WEB_IFC


def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f))


class Boreholes(unittest.TestCase):
    def table(self, w, tag, *args):
        csv_path = w.out(tag + ".csv")
        r = qelt_cli.run("table", *args, "--output", w.out(tag + ".xlsx"), "--csv", csv_path)
        self.assertEqual(r.returncode, 0, r.stderr.decode())
        return read_csv(csv_path), csv_path

    def check(self, model, table_csv):
        folder = web_ifc()
        r = subprocess.run(["node", CHECK, model, table_csv], capture_output=True, timeout=300,
                           env={**os.environ, "NODE_PATH": os.path.join(folder, "node_modules")})
        self.assertEqual(r.returncode, 0, r.stdout.decode() + r.stderr.decode())
        found = json.loads(r.stdout)
        print(os.path.basename(model), found)
        return found

    def same_table(self, rows, expected):
        self.assertEqual(len(rows), len(expected))
        for a, b in zip(rows[1:], expected[1:]):
            self.assertEqual(a[:4] + a[6:], b[:4] + b[6:])
            self.assertLess(abs(float(a[4]) - float(b[4])), 1e-6)
            self.assertLess(abs(float(a[5]) - float(b[5])), 1e-6)

    def run_and_read_back(self, w, line, holes, *more, name=()):
        """The table and the model of `line`'s holes; the model opened by web-ifc; the table
        again from the model (its alignment `name`)."""
        model = w.out("holes.ifc")
        rows, table_csv = self.table(w, "t", *line, "--boreholes", holes, "--ifc", model, *more)
        found = self.check(model, table_csv)
        self.assertEqual(found["holes"], len(rows) - 1)
        # The design elevations, where the table has them, from the model's vertical.
        heights = ["--profile", model] if "--profile" in line else []
        back, _ = self.table(w, "back", "--alignment", model, *name, *heights, "--boreholes",
                             holes)
        self.same_table(back, rows)
        return model

    def test_the_interchange_model_with_its_holes(self):
        # Two lines, a skewed group, a station in the long chain's overlap (B13470).
        source = os.path.join(EX, "interchange.ifc")
        with Workdir() as w:
            model = self.run_and_read_back(
                w, ["--alignment", source, "--alignment-name", "主线"],
                os.path.join(EX, "interchange-boreholes.txt"), name=["--alignment-name", "主线"])
            with open(source, "rb") as f:
                original = f.read()
            with open(model, "rb") as f:
                written = f.read()
            kept = original[:original.rindex(b"ENDSEC;")]
            self.assertEqual(written[:len(kept)], kept)

    def test_a_typed_line_in_a_model_of_its_own(self):
        with Workdir() as w:
            model = self.run_and_read_back(
                w, ["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
                    "--chain-breaks", os.path.join(EX, "mainline-dl.txt"),
                    "--profile", os.path.join(EX, "mainline-profile.txt")],
                os.path.join(EX, "mainline-boreholes.txt"), "--central-meridian", "114")
            with open(model, "rb") as f:
                self.assertIn(b"IFCPROJECTEDCRS('EPSG:4547'", f.read())


if __name__ == "__main__":
    unittest.main()
