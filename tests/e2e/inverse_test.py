#!/usr/bin/python3
"""End-to-end runs of `qelt-cli inverse` (坐标反算): the bundled as-drilled examples back to
station and offset and forward again through `qelt-cli table`; bad files and usage, each with its
exit status, its message on stderr and what it leaves on disk."""

import csv
import os
import unittest

import openpyxl

import qelt_cli
from qelt_cli import Workdir

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
EX = os.path.join(SRC, "examples")

# A straight main line heading north from (0, 0) at station 0 to 2000; no chain breaks.
JD = "起点,0\r\nQD,0 0 0 0 0\r\nZD,2000 0 0 0 0\r\n"
NO_BREAKS = "-1 -1\r\n"



def k_number(station):
    """The number of a printed station: "K11+150.5" (or lettered "BK11+150.5") is 11150.5."""
    km, metres = station.lstrip("ABCDEFGHIJKLMNOPQRSTUVWXYZ").split("+")
    return int(km) * 1000 + float(metres)


def read_csv(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f))


EXAMPLES = {  # method: alignment, chain breaks, points, boreholes
    "jd": ("mainline-jd.txt", "mainline-dl.txt", "mainline-points.txt", "mainline-boreholes.txt"),
    "ht": ("ramp-elements.txt", None, "ramp-points.txt", "ramp-boreholes.txt"),
}


def inverse(method, folder, out_dir, name="t"):
    alignment, breaks, points, _ = EXAMPLES[method]
    args = ["inverse", "--method", method, "--alignment", os.path.join(folder, alignment),
            "--points", os.path.join(folder, points),
            "--output", os.path.join(out_dir, name + ".xlsx"),
            "--csv", os.path.join(out_dir, name + ".csv")]
    if breaks:
        args += ["--chain-breaks", os.path.join(folder, breaks)]
    return qelt_cli.run(*args)


class Examples(unittest.TestCase):
    def test_gbk_and_utf8_give_the_same_table(self):
        with Workdir() as w:
            for method in EXAMPLES:
                tables = []
                for folder in (EX, os.path.join(EX, "utf8")):
                    r = inverse(method, folder, w.path)
                    self.assertEqual(r.returncode, 0, r.stderr.decode())
                    self.assertEqual(r.stderr, b"")
                    self.assertIn("钻孔桩号及偏距表：", r.stdout.decode())
                    tables.append(read_csv(w.out("t.csv")))
                self.assertEqual(tables[0], tables[1], method)

    def test_main_line_stations_and_workbook(self):
        with Workdir() as w:
            r = inverse("jd", EX, w.path)
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            rows = read_csv(w.out("t.csv"))
            self.assertEqual(rows[0], ["group", "serial", "name", "x", "y", "station",
                                       "station_value", "offset", "remark"])
            by_name = {row[2]: row for row in rows[1:]}
            self.assertEqual(len(by_name), 15)
            # In the long chain's overlap (13450..13500) the station says which pass it is.
            self.assertTrue(by_name["ZK7"][5].startswith("AK13+480.0"), by_name["ZK7"])
            self.assertTrue(by_name["ZK10"][5].startswith("BK13+470.0"), by_name["ZK10"])
            self.assertEqual(by_name["ZK10"][8], "长链重叠段")
            self.assertTrue(by_name["ZK11"][5].startswith("K14+299.9"), by_name["ZK11"])

            ws = openpyxl.load_workbook(w.out("t.xlsx")).worksheets[0]
            self.assertEqual(ws.title, "钻孔桩号及偏距表")
            self.assertEqual([c.value for c in ws[2]],
                             ["序号", "孔号", "X", "Y", "桩号", "距中线距离（米）", "备注"])
            self.assertEqual(ws["A1"].value, "青龙河大桥")
            self.assertEqual(ws["B3"].value, "ZK1")
            self.assertEqual(ws["C3"].number_format, "0.0000")
            self.assertEqual(ws["F3"].number_format, "0.000")
            self.assertEqual(ws["E3"].value, by_name["ZK1"][5])
            self.assertAlmostEqual(ws["F3"].value, float(by_name["ZK1"][7]), places=12)

    def test_holes_back_to_the_planned_stations_and_forward_to_their_points(self):
        """The examples' holes lie a few centimetres from the boreholes of the examples' own
        tables: back within 6 cm of the planned station and offset. Their stations and offsets in
        full, written as a borehole file and given to `table`, land on the surveyed points."""
        with Workdir() as w:
            for method, (alignment, breaks, _, boreholes) in EXAMPLES.items():
                r = inverse(method, EX, w.path)
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                holes = read_csv(w.out("t.csv"))[1:]
                table_args = ["table", "--method", method,
                              "--alignment", os.path.join(EX, alignment)]
                if breaks:
                    table_args += ["--chain-breaks", os.path.join(EX, breaks)]
                r = qelt_cli.run(*table_args, "--boreholes", os.path.join(EX, boreholes),
                                 "--output", w.out("plan.xlsx"), "--csv", w.out("plan.csv"))
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                planned = read_csv(w.out("plan.csv"))[1:]
                self.assertEqual(len(planned), len(holes))
                # Moved at most 5 cm in X and in Y: at most 7.1 cm along or across the line.
                for hole, plan in zip(holes, planned):
                    self.assertLess(abs(float(hole[6]) - k_number(plan[2])), 0.071, (hole, plan))
                    self.assertLess(abs(float(hole[7]) - float(plan[3])), 0.071, (hole, plan))

                # Forward again: "<letter><station_value> <offset>" for every hole.
                lines = ["实测反算", f"全部 {len(holes)}"]
                for hole in holes:
                    station = hole[5]
                    letter = station[0] if station[0].isalpha() and station[1] == "K" else ""
                    lines.append(f"{letter}{hole[6]} {hole[7]}")
                back = w.write("back.txt", "\r\n".join(lines) + "\r\n")
                r = qelt_cli.run(*table_args, "--boreholes", back, "--output", w.out("b.xlsx"),
                                 "--csv", w.out("b.csv"))
                self.assertEqual(r.returncode, 0, r.stderr.decode())
                for hole, row in zip(holes, read_csv(w.out("b.csv"))[1:]):
                    self.assertLess(abs(float(row[4]) - float(hole[3])), 1e-6, (hole, row))
                    self.assertLess(abs(float(row[5]) - float(hole[4])), 1e-6, (hole, row))

    def test_default_output_name_in_current_folder(self):
        with Workdir() as w:
            jd, dl = w.write("jd.txt", JD), w.write("dl.txt", NO_BREAKS)
            pt = w.write("pt.txt", "p\r\ng 1\r\nZK1 500 3\r\n")
            r = qelt_cli.run("inverse", "--method", "jd", "--alignment", jd, "--chain-breaks", dl,
                             "--points", pt, cwd=w.path)
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            self.assertIn("钻孔桩号及偏距表.xlsx", w.listing())
            self.assertNotIn("钻孔数量及位置表.xlsx", w.listing())


class Failures(unittest.TestCase):
    def run_inverse(self, points, alignment=JD, breaks=NO_BREAKS):
        w = Workdir()
        self.addCleanup(w.__exit__)
        r = qelt_cli.run("inverse", "--method", "jd", "--alignment", w.write("jd.txt", alignment),
                         "--chain-breaks", w.write("dl.txt", breaks),
                         "--points", w.write("pt.txt", points),
                         "--output", w.out("t.xlsx"), "--csv", w.out("t.csv"))
        files = w.listing()
        self.assertFalse([f for f in files if f.endswith(".tmp")], files)
        return w, r, r.stderr.decode()

    def test_points_off_the_ends_are_noticed(self):
        w, r, err = self.run_inverse("p\r\ng 3\r\nZK1 -10 2\r\nZK2 500 -1.5 补孔\r\nZK3 2030 0\r\n")
        self.assertEqual(r.returncode, 0, err)
        lines = err.splitlines()
        self.assertEqual(len(lines), 2, lines)
        self.assertTrue(lines[0].startswith("提示：实测坐标资料文件“pt.txt”第 3 行：孔号ZK1"), lines)
        self.assertTrue(lines[1].startswith("提示：实测坐标资料文件“pt.txt”第 5 行：孔号ZK3"), lines)
        rows = read_csv(w.out("t.csv"))
        # Heading north: a hole east of the line (+Y) lies to the right, a negative offset.
        self.assertEqual(rows[2][2:], ["ZK2", "500", "-1.5", "K0+500", "500", "1.5", "补孔"])
        self.assertEqual(rows[1][5:8], ["-K0+010", "-10", "-2"])

    def test_a_points_line_that_cannot_be_processed_keeps_the_rows_before(self):
        cases = [  # points file, line named, text in the message
            ("p\r\ng 3\r\nZK1 100 0\r\nZK2 200\r\nZK3 300 0\r\n", 4, "实测坐标行应为“孔号 X Y [备注]”"),
            ("p\r\ng 2\r\nZK1 100 0\r\n", 4, "文件在分组“g”的第 2 个钻孔之前结束"),
        ]
        for points, line, text in cases:
            with self.subTest(points):
                w, r, err = self.run_inverse(points)
                self.assertEqual(r.returncode, 2, err)
                self.assertIn(f"错误：实测坐标资料文件“pt.txt”第 {line} 行：", err)
                self.assertIn(text, err)
                self.assertIn("表格只写到第 3 行（1 个钻孔）", err)
                self.assertEqual(len(read_csv(w.out("t.csv"))), 2)
                ws = openpyxl.load_workbook(w.out("t.xlsx")).worksheets[0]
                self.assertEqual(ws["B3"].value, "ZK1")

    def test_data_errors_write_nothing(self):
        w, r, err = self.run_inverse("p\r\n", "起点,0\r\nQD,0 0 0 0 x\r\n")
        self.assertEqual(r.returncode, 1, err)
        self.assertIn("错误：数据文件格式有误或操作不当！", err)
        self.assertIn("jd.txt 第 2 行", err)
        self.assertEqual([f for f in w.listing() if f.startswith("t.")], [])

    def test_usage(self):
        with Workdir() as w:
            pt = w.write("pt.txt", "p\r\n")
            jd = w.write("jd.txt", JD)
            cases = [
                (["inverse", "--method", "jd", "--alignment", jd, "--chain-breaks", jd],
                 "--points is required"),
                (["inverse", "--method", "ht", "--alignment", jd, "--points", pt,
                  "--chain-breaks", jd], "--chain-breaks applies to --method jd only"),
                (["inverse", "--method", "ht", "--alignment", jd, "--points", pt,
                  "--boreholes", pt], "inverse reads --points"),
                (["table", "--method", "ht", "--alignment", jd, "--points", pt],
                 "table reads --boreholes"),
                (["inverse", "--method", "ht", "--alignment", jd, "--points", pt,
                  "--output", pt], "--output “" + pt + "” 与 --points"),
                (["invert"], "the commands are"),
            ]
            before = w.listing()
            for args, text in cases:
                with self.subTest(args):
                    r = qelt_cli.run(*args, cwd=w.path)
                    self.assertEqual(r.returncode, 64, r.stderr.decode())
                    self.assertIn(text, r.stderr.decode())
                    self.assertEqual(w.listing(), before)
        r = qelt_cli.run("--help")
        self.assertEqual(r.returncode, 0)
        for text in ("qelt-cli inverse", "--points", "钻孔桩号及偏距表",
                     "group,serial,name,x,y,station,station_value,offset,remark"):
            self.assertIn(text, r.stdout.decode())


class SurveyorsFiles(unittest.TestCase):
    """The survey crew's files as they come: CASS .dat (Y first) and PNEZD .csv (X first)."""

    def test_the_tables_stakeout_files_read_back(self):
        """A table's stakeout files, read back as if the crew had drilled every hole where it was
        staked: each hole at its planned station and offset within the files' 4 decimals, the
        file's name as the group, and the 孔口高程 column empty (Qelt's stakeout has no H)."""
        alignment, breaks, _, boreholes = EXAMPLES["jd"]
        line = ["--method", "jd", "--alignment", os.path.join(EX, alignment),
                "--chain-breaks", os.path.join(EX, breaks)]
        with Workdir() as w:
            r = qelt_cli.run("table", *line, "--boreholes", os.path.join(EX, boreholes),
                             "--output", w.out("plan.xlsx"), "--csv", w.out("plan.csv"),
                             "--stakeout", w.out("实测.dat"), "--points-csv", w.out("实测.csv"))
            self.assertEqual(r.returncode, 0, r.stderr.decode())
            planned = read_csv(w.out("plan.csv"))[1:]
            for points, layout in (("实测.dat", "CASS"), ("实测.csv", "PNEZD")):
                with self.subTest(points):
                    r = qelt_cli.run("inverse", *line, "--points", w.out(points),
                                     "--output", w.out("t.xlsx"), "--csv", w.out("t.csv"))
                    self.assertEqual(r.returncode, 0, r.stderr.decode())
                    self.assertEqual(r.stderr.decode().splitlines(), [
                        f"提示：实测坐标资料文件“{points}”按 {layout} 坐标文件读入（扩展名为 "
                        f".{points[-3:]}）：每行“点名," +
                        ("编码,Y,X,H”，Y（东）在前" if layout == "CASS" else "X,Y,H,描述”，X（北）在前") +
                        "，H 为孔口高程；全部点作为一组“实测”"])
                    rows = read_csv(w.out("t.csv"))
                    self.assertEqual(rows[0][-1], "collar_elevation")
                    self.assertEqual(len(rows) - 1, len(planned))
                    for hole, plan in zip(rows[1:], planned):
                        self.assertEqual(hole[0], "实测")
                        self.assertEqual(hole[-1], "")
                        self.assertLess(abs(float(hole[6]) - k_number(plan[2].lstrip("AB"))),
                                        1e-4, (hole, plan))
                        self.assertLess(abs(float(hole[7]) - float(plan[3])), 1e-4, (hole, plan))
                    ws = openpyxl.load_workbook(w.out("t.xlsx")).worksheets[0]
                    self.assertEqual([c.value for c in ws[2]],
                                     ["序号", "孔号", "X", "Y", "桩号", "距中线距离（米）",
                                      "孔口高程", "备注"])

    def test_heights_and_a_point_with_x_and_y_swapped(self):
        """H becomes the collar elevation; a point typed with X and Y exchanged stops the run
        there (status 2), the rows before it written, the message saying what went wrong."""
        with Workdir() as w:
            jd = w.write("jd.txt", "起点,0\r\nQD,3500000 500000 0 0 0\r\n"
                                   "ZD,3502000 500000 0 0 0\r\n")
            pt = w.write("pt.dat", "ZK1,,500003,3500500,101.25\r\nZK2,,3500600,500003,99\r\n"
                                   "ZK3,,500003,3500700,\r\n".encode("gbk"))
            r = qelt_cli.run("inverse", "--method", "jd", "--alignment", jd,
                             "--chain-breaks", w.write("dl.txt", NO_BREAKS), "--points", pt,
                             "--output", w.out("t.xlsx"), "--csv", w.out("t.csv"))
            err = r.stderr.decode()
            self.assertEqual(r.returncode, 2, err)
            self.assertIn("错误：实测坐标资料文件“pt.dat”第 2 行：孔号ZK2的垂足", err)
            self.assertIn("不会是本线路的钻孔：X、Y 可能写反了（对调后距线路 3.000 米），请核对坐标",
                          err)
            rows = read_csv(w.out("t.csv"))
            self.assertEqual(len(rows), 2)
            self.assertEqual(rows[1][2:], ["ZK1", "3500500", "500003", "K0+500", "500", "-3", "",
                                           "101.25"])
            ws = openpyxl.load_workbook(w.out("t.xlsx")).worksheets[0]
            self.assertEqual(ws["G3"].value, 101.25)
            self.assertEqual(ws["G3"].number_format, "0.000")


if __name__ == "__main__":
    unittest.main(verbosity=2)
