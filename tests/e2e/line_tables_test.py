#!/usr/bin/python3
"""End-to-end runs of the line tables (qelt-cli curves, elements, stakes) on the bundled lines:
the CSV files as documented, the printed workbooks read back with openpyxl (headings, frames,
page breaks, repeated headings, page set-up), the same stakes from the JD file and from its
LandXML export, and the usage rules with their exit status."""

import csv
import os
import unittest

import openpyxl

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")
JD = ["--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt"),
      "--chain-breaks", os.path.join(EX, "mainline-dl.txt")]
RAMP = ["--method", "ht", "--alignment", os.path.join(EX, "ramp-elements.txt")]
XML_MAIN = ["--alignment", os.path.join(EX, "interchange.xml"), "--alignment-name", "主线"]

HEADERS = {
    "curves": "jd,jd_station,x,y,deflection,R,Ls1,Ls2,A1,A2,T1,T2,L,E,J,ZH,HY,QZ,YH,HZ,leg,azimuth",
    "elements": "index,type,start_station,end_station,R_start,R_end,length,A,x,y,azimuth,end_x,end_y",
    "stakes": "station,station_value,x,y,azimuth,point",
}


def tables(w, command, line, *extra):
    xlsx, csv_path = w.out(command + ".xlsx"), w.out(command + ".csv")
    r = qelt_cli.run(command, *line, "--output", xlsx, "--csv", csv_path, *extra)
    assert r.returncode == 0, r.stderr.decode()
    with open(csv_path, "rb") as f:
        raw = f.read()
    assert raw.startswith(b"\xef\xbb\xbf"), raw[:10]
    with open(csv_path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f))
    return openpyxl.load_workbook(xlsx).active, rows


def style(cell):
    b = cell.border
    return tuple(s.style for s in (b.top, b.bottom, b.left, b.right))


class Csv(unittest.TestCase):
    def test_headers_and_rows(self):
        with Workdir() as w:
            for command, line in (("curves", JD), ("elements", RAMP), ("stakes", XML_MAIN)):
                _, rows = tables(w, command, line)
                self.assertEqual(",".join(rows[0]), HEADERS[command])
                self.assertTrue(all(len(r) == len(rows[0]) for r in rows), command)
            _, curves = tables(w, "curves", JD)
            names = [r[0] for r in curves[1:]]
            # Both chain breaks of the file, each before the first curve beyond it.
            self.assertEqual(names, ["QD", "JD1", "JD2", "断链", "JD3", "JD4", "断链", "JD5", "ZD"])
            self.assertEqual(curves[4][1], "AK13+500=BK13+450")
            jd1 = dict(zip(curves[0], curves[2]))
            self.assertLess(float(jd1["deflection"]), 0)  # a left turn
            t1, t2, length, j = (float(jd1[k]) for k in ("T1", "T2", "L", "J"))
            self.assertAlmostEqual(j, t1 + t2 - length, places=9)
            self.assertEqual([curves[1][k] for k in (4, 15, 20)], ["", "", curves[1][20]])
            self.assertEqual(curves[-1][20:], ["", ""])  # no leg after the end point

    def test_jd_file_and_its_landxml_give_the_same_stakes(self):
        with Workdir() as w:
            _, jd = tables(w, "stakes", JD, "--every", "50")
            _, xml = tables(w, "stakes", XML_MAIN, "--every", "50")
            a = {r[0]: (float(r[2]), float(r[3])) for r in jd[1:]}
            b = {r[0]: (float(r[2]), float(r[3])) for r in xml[1:]}
            common = set(a) & set(b)
            self.assertGreater(len(common), 150)
            worst = max(max(abs(a[s][0] - b[s][0]), abs(a[s][1] - b[s][1])) for s in common)
            self.assertLess(worst, 1e-6)
            self.assertIn("JD1 HY", [r[5] for r in jd])
            self.assertEqual([r[5] for r in jd].count("断链"), 2)


class Workbooks(unittest.TestCase):
    def check_frame(self, ws, columns):
        last_row = ws.max_row
        for row in range(3, last_row + 1):
            self.assertEqual(style(ws.cell(row, 1))[2], "thin", row)
            self.assertEqual(style(ws.cell(row, columns))[3], "thin", row)
            if columns > 2:
                self.assertEqual(style(ws.cell(row, 2))[3], "hair", row)
        self.assertEqual(style(ws.cell(last_row, 2))[1], "thin")
        self.assertEqual(style(ws.cell(2, 2))[1], "thin")  # under the headings

    def test_curve_table(self):
        with Workdir() as w:
            ws, rows = tables(w, "curves", JD)
            merged = {str(m) for m in ws.merged_cells.ranges}
            self.assertTrue({"A1:A2", "B1:B2", "C1:D1", "F1:O1", "P1:T1", "U1:W1", "X1:X2"} <= merged,
                            merged)
            self.assertEqual([ws.cell(1, c).value for c in (1, 3, 5, 6, 16)],
                             ["交点号", "交点坐标", "转角值", "曲线要素值（米）", "曲线主点桩号"])
            self.assertEqual(ws["C2"].value, "X")
            self.assertEqual(ws.max_column, 24)
            self.assertEqual(ws.max_row, 2 + len(rows) - 1)
            self.assertEqual(ws["A4"].value, "JD1")
            self.assertEqual(ws["E4"].value, "左 30°47′35.6″")
            self.assertEqual(ws["C4"].number_format, "0.000")
            self.assertIsNone(ws["G7"].value)  # JD3 has no transitions: blank Ls and A
            self.assertIn("长链 50 米", ws["B6"].value)
            self.assertEqual(ws.page_setup.orientation, "landscape")
            self.assertEqual(int(ws.page_setup.paperSize), 8)  # A3
            self.check_frame(ws, 24)

    def test_stake_table_pages(self):
        with Workdir() as w:
            ws, rows = tables(w, "stakes", JD, "--every", "5")
            self.assertEqual(ws.max_row, 2 + len(rows) - 1)
            self.assertIn(ws.print_title_rows, ("1:2", "$1:$2"))
            self.assertTrue(ws.sheet_properties.pageSetUpPr.fitToPage)
            # One page wide (1 is the default, which the file may leave out), as tall as it runs.
            self.assertIn(ws.page_setup.fitToWidth, (None, 1))
            self.assertEqual(ws.page_setup.fitToHeight, 0)
            self.assertIn("逐桩坐标表", ws.oddHeader.center.text)
            # Narrower than the page: centred under the header's title.
            self.assertTrue(ws.print_options.horizontalCentered)
            self.assertIn("第 &P 页 共 &N 页", ws.oddHeader.right.text)
            self.assertIn("mainline-jd.txt", ws.oddHeader.left.text)
            breaks = [b.id for b in ws.row_breaks.brk]
            self.assertGreater(len(breaks), 10)
            per_page = breaks[0] - 2
            self.assertEqual(breaks, [2 + per_page * p for p in range(1, len(breaks) + 1)])
            self.assertGreaterEqual(per_page, 50)
            for b in breaks:  # a page line under each page's last row, over the next one's first
                self.assertEqual(style(ws.cell(b, 3))[1], "thin", b)
                self.assertEqual(style(ws.cell(b + 1, 3))[0], "thin", b)
                self.assertEqual(style(ws.cell(b - 1, 3))[1], "hair", b)
            self.check_frame(ws, 5)
            # openpyxl gives the print area as a string or a list, by version.
            area = ws.print_area if isinstance(ws.print_area, str) else ",".join(ws.print_area)
            self.assertTrue(area.endswith("$A$1:$E$%d" % ws.max_row), area)


class Usage(unittest.TestCase):
    def test_refusals(self):
        with Workdir() as w:
            out = w.out("t.xlsx")
            cases = [
                (["curves", *RAMP], "elements"),
                (["stakes", *RAMP, "--every", "0"], "--every"),
                (["stakes", *RAMP, "--every", "-20"], "--every"),
                (["stakes", *RAMP, "--every", "2O"], "--every"),
                (["elements", *RAMP, "--every", "20"], "--every belongs to stakes"),
                (["stakes", *RAMP, "--boreholes", out], "--boreholes"),
                (["curves", "--method", "jd", "--alignment", os.path.join(EX, "mainline-jd.txt")],
                 "--chain-breaks"),
            ]
            for args, said in cases:
                r = qelt_cli.run(*args, "--output", out)
                self.assertEqual(r.returncode, 64, args)
                self.assertIn(said, r.stderr.decode(), args)
            # A LandXML line may carry its PIs, known only once read: one without them is a
            # data error, nothing written.
            r = qelt_cli.run("curves", *XML_MAIN, "--output", out)
            self.assertEqual(r.returncode, 1, r.stderr.decode())
            self.assertIn("qelt-cli elements", r.stderr.decode())
            self.assertEqual(w.listing(), [])
            # A table too long to print: refused, nothing left behind.
            r = qelt_cli.run("stakes", *RAMP, "--every", "0.001", "--output", out,
                             "--csv", w.out("t.csv"))
            self.assertEqual(r.returncode, 1, r.stderr.decode())
            self.assertIn("请加大桩距", r.stderr.decode())
            self.assertEqual(w.listing(), [])


class StakesOnTheGround(unittest.TestCase):
    def test_ground_on_the_centre_line(self):
        # A plane ground, its height an independent oracle at any X, Y, surveyed over the
        # line's first hundred-odd metres only: the stakes beyond have no ground.
        def height(x, y):
            return 300 + 0.01 * (x - 3512000) - 0.02 * (y - 498500)
        with Workdir() as w:
            shots = w.out("ground.txt")
            with open(shots, "w", encoding="utf-8") as f:
                for i, (x, y) in enumerate([(3511950, 498450), (3512100, 498450),
                                            (3512100, 498600), (3511950, 498600)]):
                    f.write(f"G{i} {x} {y} {height(x, y)}\n")
            xlsx, csv_path = w.out("s.xlsx"), w.out("s.csv")
            r = qelt_cli.run("stakes", *JD, "--terrain", shots, "--output", xlsx,
                             "--csv", csv_path)
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            with open(csv_path, encoding="utf-8-sig", newline="") as f:
                rows = list(csv.DictReader(f))
            self.assertEqual(list(rows[0])[-1], "ground_elevation")
            covered = [row for row in rows if row["ground_elevation"]]
            self.assertEqual([row["station"] for row in covered],
                             ["K10+000", "K10+020", "K10+040", "K10+060", "K10+080", "K10+100"])
            for row in covered:
                self.assertAlmostEqual(float(row["ground_elevation"]),
                                       height(float(row["x"]), float(row["y"])), delta=1e-9)
            notices = [n for n in r.stderr.decode().splitlines() if n.startswith("提示：")]
            self.assertEqual(len(notices), 1, notices)
            self.assertIn(f"{len(rows) - len(covered)} 个桩在地面模型", notices[0])
            self.assertIn("K10+120、K10+140", notices[0])
            headings = {c.value for row in openpyxl.load_workbook(xlsx).active.iter_rows(max_row=6)
                        for c in row}
            self.assertIn("地面高程\n（米）", headings)


if __name__ == "__main__":
    unittest.main()
