#!/usr/bin/python3
"""End-to-end runs with LandXML alignments: the bundled lines written by `qelt-cli landxml` and
read back by `table` and `inverse` give the same boreholes as the text files they came from;
files with several alignments, station equations against a chain-break file, and the usage
rules, each with its exit status, its message and what it leaves on disk."""

import csv
import os
import unittest
import xml.etree.ElementTree as ET

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
NS = "{http://www.landxml.org/schema/LandXML-1.2}"
ET.register_namespace("", NS[1:-1])

LINES = {  # method: alignment, chain breaks, boreholes, points
    "jd": ("mainline-jd.txt", "mainline-dl.txt", "mainline-boreholes.txt", "mainline-points.txt"),
    "ht": ("ramp-elements.txt", None, "ramp-boreholes.txt", "ramp-points.txt"),
}


def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f))


def export(w, method, name=None):
    alignment, breaks, _, _ = LINES[method]
    out = w.out(method + ".xml")
    args = ["landxml", "--method", method, "--alignment", os.path.join(EX, alignment),
            "--output", out]
    if breaks:
        args += ["--chain-breaks", os.path.join(EX, breaks)]
    if name:
        args += ["--name", name]
    r = qelt_cli.run(*args)
    assert r.returncode == 0, r.stderr.decode()
    return out


def table(w, tag, alignment, boreholes, *extra):
    csv_path = w.out(tag + ".csv")
    r = qelt_cli.run("table", "--alignment", alignment, "--boreholes", boreholes,
                     "--output", w.out(tag + ".xlsx"), "--csv", csv_path, *extra)
    return r, csv_path


class RoundTrip(unittest.TestCase):
    """The line exported and read back is the line: every borehole within 1e-9 m."""

    def assert_same_rows(self, a, b):
        rows_a, rows_b = read_csv(a), read_csv(b)
        self.assertEqual(len(rows_a), len(rows_b))
        worst = 0.0
        for ra, rb in zip(rows_a[1:], rows_b[1:]):
            self.assertEqual(ra[:4] + ra[6:], rb[:4] + rb[6:])  # group, serial, station, offset
            worst = max(worst, abs(float(ra[4]) - float(rb[4])), abs(float(ra[5]) - float(rb[5])))
        self.assertLess(worst, 1e-9)
        return len(rows_a) - 1

    def test_tables_from_the_export_match_the_text_files(self):
        with Workdir() as w:
            for method, (alignment, breaks, boreholes, _) in LINES.items():
                xml = export(w, method)
                extra = ["--chain-breaks", os.path.join(EX, breaks)] if breaks else []
                r, typed = table(w, method + "-typed", os.path.join(EX, alignment),
                                 os.path.join(EX, boreholes), "--method", method, *extra)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                # No --method and no --chain-breaks: the file says what it is and numbers itself.
                r, read = table(w, method + "-xml", xml, os.path.join(EX, boreholes))
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                self.assertEqual(r.stderr, b"")
                n = self.assert_same_rows(typed, read)
                self.assertGreater(n, 7, method)

    def test_lettered_stations_read_through_the_station_equations(self):
        with Workdir() as w:
            xml = export(w, "jd")
            equations = ET.parse(xml).getroot().findall(".//" + NS + "StaEquation")
            self.assertEqual([(e.get("staBack"), e.get("staAhead")) for e in equations],
                             [("13500", "13450"), ("16200", "16260")])
            holes = w.write("zk.txt", "p\n重叠段 4\nA13480 0\nB13480 0\nC16300 5\n16230 0\n")
            r, path = table(w, "lettered", xml, holes)
            self.assertEqual(r.returncode, 2, r.stderr.decode())  # 16230 lies in the short chain's gap
            self.assertIn("桩号16230不应存在16200和16260之间", r.stderr.decode())
            rows = read_csv(path)[1:]
            # In the overlap the letter tells the two passes apart; past it none is needed.
            self.assertEqual([row[2] for row in rows], ["AK13+480", "BK13+480", "K16+300"])
            # A13480 and B13480 are 50 m apart along the line: the long chain's overlap occurs twice.
            a, b = (float(rows[0][4]), float(rows[0][5])), (float(rows[1][4]), float(rows[1][5]))
            self.assertAlmostEqual(((a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2) ** 0.5, 50, delta=0.01)

    def test_inverse_from_the_export(self):
        with Workdir() as w:
            for method, (alignment, breaks, _, points) in LINES.items():
                xml = export(w, method)
                extra = ["--chain-breaks", os.path.join(EX, breaks)] if breaks else []
                runs = []
                for tag, args in (("typed", ["--method", method, "--alignment",
                                             os.path.join(EX, alignment), *extra]),
                                  ("xml", ["--alignment", xml])):
                    out = w.out(method + tag + ".csv")
                    r = qelt_cli.run("inverse", *args, "--points", os.path.join(EX, points),
                                     "--output", w.out(method + tag + ".xlsx"), "--csv", out)
                    self.assertEqual(r.returncode, 0, r.stderr.decode())
                    runs.append(read_csv(out))
                for a, b in zip(*runs):
                    self.assertEqual(a[:6], b[:6])
                    self.assertEqual(a[8:], b[8:])
                    if a[0] != "group":
                        self.assertLess(abs(float(a[6]) - float(b[6])), 1e-9)
                        self.assertLess(abs(float(a[7]) - float(b[7])), 1e-9)


def two_alignments(w):
    """One file holding the main line and the ramp, as an interchange's export would."""
    main, ramp = ET.parse(export(w, "jd", "主线")), ET.parse(export(w, "ht", "A匝道"))
    main.getroot().find(NS + "Alignments").append(
        ramp.getroot().find(NS + "Alignments").find(NS + "Alignment"))
    path = w.out("互通.xml")
    main.write(path, encoding="UTF-8", xml_declaration=True)
    return path


class SeveralAlignments(unittest.TestCase):
    def test_chosen_by_name_or_refused_with_the_list(self):
        with Workdir() as w:
            xml = two_alignments(w)
            boreholes = os.path.join(EX, "ramp-boreholes.txt")
            r, _ = table(w, "none", xml, boreholes)
            self.assertEqual(r.returncode, 1)
            message = r.stderr.decode()
            self.assertIn("文件中有 2 条线路：“主线”（长 ", message)
            self.assertIn("“A匝道”（长 ", message)
            self.assertIn("--alignment-name", message)
            self.assertFalse(os.path.exists(w.out("none.xlsx")))
            r, _ = table(w, "other", xml, boreholes, "--alignment-name", "B匝道")
            self.assertEqual(r.returncode, 1)
            self.assertIn("没有名为“B匝道”的线路", r.stderr.decode())
            r, chosen = table(w, "ramp", xml, boreholes, "--alignment-name", "A匝道")
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            r, typed = table(w, "typed", os.path.join(EX, "ramp-elements.txt"), boreholes,
                             "--method", "ht")
            self.assertEqual(len(read_csv(chosen)), len(read_csv(typed)))
            for a, b in zip(read_csv(chosen)[1:], read_csv(typed)[1:]):
                self.assertEqual(a[:4], b[:4])
                self.assertLess(abs(float(a[4]) - float(b[4])), 1e-9)
                self.assertLess(abs(float(a[5]) - float(b[5])), 1e-9)


class Stationing(unittest.TestCase):
    def test_station_equations_and_a_chain_break_file_are_two_sources(self):
        with Workdir() as w:
            xml = export(w, "jd")
            r, _ = table(w, "t", xml, os.path.join(EX, "mainline-boreholes.txt"),
                         "--chain-breaks", os.path.join(EX, "mainline-dl.txt"))
            self.assertEqual(r.returncode, 1)
            self.assertIn("不能再用断链资料文件", r.stderr.decode())
            self.assertEqual(w.listing(), ["jd.xml"])

    def test_a_line_without_equations_takes_the_chain_break_file(self):
        with Workdir() as w:
            xml = export(w, "ht")  # a ramp: no chain breaks of its own
            holes = w.write("zk.txt", "p\ng 1\nB150 0\n")
            breaks = w.write("dl.txt", "100 50\n")
            r, path = table(w, "t", xml, holes, "--chain-breaks", breaks)
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            r, without = table(w, "u", xml, w.write("zk2.txt", "p\ng 1\n200 0\n"))
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            self.assertEqual(read_csv(path)[1][4:6], read_csv(without)[1][4:6])


class Usage(unittest.TestCase):
    def test_rules_of_the_command_line(self):
        with Workdir() as w:
            xml = export(w, "ht")
            jd = os.path.join(EX, "mainline-jd.txt")
            holes = os.path.join(EX, "ramp-boreholes.txt")
            cases = [
                (["table", "--method", "jd", "--alignment", jd, "--alignment-name", "x",
                  "--chain-breaks", os.path.join(EX, "mainline-dl.txt"), "--boreholes", holes],
                 "--alignment-name applies to a LandXML"),
                (["landxml", "--method", "ht", "--alignment", xml], "--output is required"),
                (["landxml", "--method", "ht", "--alignment", xml, "--output", xml],
                 "an output never replaces an input"),
                (["table", "--alignment", xml, "--boreholes", holes, "--name", "x"],
                 "--name belongs to landxml"),
                (["table", "--method", "zz", "--alignment", xml, "--boreholes", holes],
                 "--method must be jd or ht"),
            ]
            for args, message in cases:
                r = qelt_cli.run(*args)
                self.assertEqual(r.returncode, 64, args)
                self.assertIn(message, r.stderr.decode(), args)

    def test_the_bundled_example(self):
        with Workdir() as w:
            xml = os.path.join(EX, "interchange.xml")
            r, path = table(w, "ex", xml, os.path.join(EX, "mainline-boreholes.txt"),
                            "--alignment-name", "主线")
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            r, typed = table(w, "typed", os.path.join(EX, "mainline-jd.txt"),
                             os.path.join(EX, "mainline-boreholes.txt"), "--method", "jd",
                             "--chain-breaks", os.path.join(EX, "mainline-dl.txt"))
            for a, b in zip(read_csv(path)[1:], read_csv(typed)[1:]):
                self.assertEqual(a[2], b[2])
                self.assertLess(abs(float(a[4]) - float(b[4])), 1e-6)


if __name__ == "__main__":
    unittest.main()
