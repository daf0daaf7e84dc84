#!/usr/bin/python3
"""The bundled main-line example typed the ways engineers type it: saved by Notepad as GBK or
"Unicode", pasted from Excel with tabs, typed with a Chinese input method in full-width mode,
stations copied from a printed table in K-form. Each variant must give the example's own
coordinates, or be refused with no row for the bad line, or give the result plus its 提示 line.
The ramp example's element file typed wrong likewise: refused, or computed and noticed."""

import csv
import os
import shutil
import tempfile
import unittest

import qelt_cli

EX = os.path.join(os.environ.get("QELT_SOURCE_DIR", "."), "examples", "utf8")


def example(name):
    with open(os.path.join(EX, name), encoding="utf-8") as f:
        return f.read()


JD, DL, ZK = example("mainline-jd.txt"), example("mainline-dl.txt"), example("mainline-boreholes.txt")
HT, RAMP_ZK = example("ramp-elements.txt"), example("ramp-boreholes.txt")

FULL_WIDTH = str.maketrans("0123456789.-+", "０１２３４５６７８９．－＋")


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def gbk(text):
    return crlf(text).encode("gbk")


def utf16le(text):
    return b"\xff\xfe" + crlf(text).encode("utf-16-le")


def utf16be(text):
    return b"\xfe\xff" + crlf(text).encode("utf-16-be")


def excel_unicode_text(text):
    """Excel's "Unicode 文本": UTF-16 LE with BOM, cells separated by tabs."""
    return utf16le("\n".join("\t".join(line.split()) for line in text.splitlines()) + "\n")


def borehole_lines(transform):
    """The borehole file with `transform` applied to the station and offset of every borehole
    line (group lines and the project line stay as they are)."""
    lines = ZK.splitlines()
    out = [lines[0]]
    for line in lines[1:]:
        fields = line.split()
        if len(fields) == 2 and not fields[0][0].isdigit() and not fields[0][0] in "ABC":
            out.append(line)  # a group line
        else:
            out.append(transform(fields))
    return "\n".join(out) + "\n"


def k_form(fields):
    station = fields[0]
    letter = station[0] if station[0].isalpha() else ""
    number = float(station[len(letter):])
    return " ".join([f"{letter}K{int(number // 1000)}+{number % 1000:07.3f}"] + fields[1:])


def full_width(fields):
    return "　".join([fields[0].translate(FULL_WIDTH), fields[1].translate(FULL_WIDTH)] + fields[2:])


def replace_line(text, old, new):
    assert old in text, old
    return text.replace(old, new, 1)


# name, alignment, chain breaks, boreholes, exit status, texts on stderr, rows expected
# ("all": the example's 15 rows; otherwise how many rows are written).
CASES = [
    ("GBK, CR LF", gbk(JD), gbk(DL), gbk(ZK), 0, [], "all"),
    ("UTF-16 LE (Notepad 'Unicode')", utf16le(JD), utf16le(DL), utf16le(ZK), 0, [], "all"),
    ("UTF-16 BE", utf16be(JD), utf16be(DL), utf16be(ZK), 0, [], "all"),
    ("Excel 'Unicode 文本', tab-separated", JD, excel_unicode_text(DL), excel_unicode_text(ZK),
     0, [], "all"),
    ("full-width digits, ideographic spaces", JD, DL, gbk(borehole_lines(full_width)), 0, [],
     "all"),
    ("stations in the table's K-form", JD, DL, borehole_lines(k_form), 0, [], "all"),
    ("full-width comma and digits in the JD file",
     JD.replace(",", "，").replace("10000", "１００００"), DL, ZK, 0, [], "all"),
    # Refused with no row for the bad line (exit 2: the rows before it are kept).
    ("thousands separator", JD, DL, replace_line(ZK, "11210 0", "11,210 0"), 2,
     ["第 6 行", "桩号“11,210”不是有效的桩号"], 3),
    ("station as a word", JD, DL, replace_line(ZK, "11210 0", "桩号 0"), 2, ["第 6 行"], 3),
    ("station in quotes", JD, DL, replace_line(ZK, "11210 0", '"K11+210.000" 0'), 2,
     ["第 6 行"], 3),
    ("offset with its unit", JD, DL, replace_line(ZK, "11210 0", "11210 6.5m"), 2,
     ["第 6 行", "距中线距离“6.5m”不是数"], 3),
    ("letter parted from its number", JD, DL, replace_line(ZK, "A13480 0", "A 13480 0"), 2,
     ["第 11 行"], 7),
    ("count larger than its lines", JD, DL, replace_line(ZK, "长链后 2", "长链后 3"), 2,
     ["第 16 行", "分组“长链后”（共 3 个钻孔）的第 3 个钻孔", "请核对分组“长链后”的钻孔数"], 11),
    ("count 2.5", JD, DL, replace_line(ZK, "长链后 2", "长链后 2.5"), 2, ["不是整数"], 9),
    # Refused before the table (exit 1: nothing written).
    ("JD file without its start line", JD.split("\n", 1)[1], DL, ZK, 1,
     ["mainline-jd.txt 第 1 行", "起点,10000"], None),
    ("radius 8000 typed for 800", replace_line(JD, "800 150 150", "8000 150 150"), DL, ZK, 1,
     ["第 3 行", "JD1"], None),
    ("chain breaks out of order", JD, "16200 16260\n13500 13450\n", ZK, 1,
     ["mainline-dl.txt 第 2 行"], None),
    # Placed, and reported.
    ("station past the end (K99+999 for K9+999)", JD, DL,
     replace_line(ZK, "17150 0", "K99+999 0"), 0,
     ["提示：钻孔资料文件“mainline-boreholes.txt”第 20 行：桩号K99+999位于线路终点之后"], "all"),
    ("offset past the centre of JD1's curve (R 800, turning left)", JD, DL,
     replace_line(ZK, "11240 0", "11450 850"), 0,
     ["提示：钻孔资料文件“mainline-boreholes.txt”第 7 行：桩号K11+450处曲线半径 800.000 米，"
      "圆心在中线左侧；距中线距离 850 已到达或越过圆心"], "all"),
    # Without its project line the first group line names the project and "11150 0" is a
    # group of no borehole; with only such lines no borehole is written, and nothing is delivered.
    ("borehole file without its project line", JD, DL, "青龙河大桥 2\n11150 0 0#桥台\n11210 0\n",
     0, ["提示：钻孔资料文件“mainline-boreholes.txt”第 2 行：分组“11150”的钻孔数为 0，"
         "而这一行也读作一个钻孔：文件可能缺少第一行（项目名称）",
         "提示：钻孔资料文件“mainline-boreholes.txt”第 3 行：分组“11210”的钻孔数为 0",
         "提示：钻孔资料文件“mainline-boreholes.txt”没有给出钻孔：2 个分组的钻孔数都是 0",
         "没有写出任何钻孔：未生成钻孔数量及位置表"], None),
    ("the example's borehole file without its project line", JD, DL, ZK.split("\n", 1)[1], 2,
     ["第 2 行：分组“11150”的钻孔数为 0", "文件可能缺少第一行（项目名称）",
      "第 3 行：分组行的钻孔数“-6.5”不是整数"], None),
    # Two digits of metres in the K-form: read as written, and said (a digit is more often lost
    # than meant).
    ("K11+21 for K11+210", JD, DL, replace_line(ZK, "11210 0", "K11+21 0"), 0,
     ["提示：钻孔资料文件“mainline-boreholes.txt”第 6 行：桩号“K11+21”“+”后的米数不足三位，"
      "已按 K11+021 读取"], 15),
]

# The ramp example (element method), typed wrong: name, element file, exit status, texts on
# stderr, rows ("all": the example's 8 rows at its coordinates; a number: how many rows, at
# coordinates of their own; None: nothing written).
RAMP_CASES = [
    ("start azimuth with 75 seconds", replace_line(HT, "45.3015", "45.3075"), 1,
     ["ramp-elements.txt 第 1 行", "起点方位角“45.3075”读作 45°30′75″", "ddd.mmss"], None),
    ("start azimuth with 75 minutes", replace_line(HT, "45.3015", "45.7530"), 1,
     ["起点方位角“45.7530”读作 45°75′30″，其中分 75 不小于 60"], None),
    ("start azimuth 45.3060 (its double reads 59.99…″)", replace_line(HT, "45.3015", "45.3060"),
     1, ["45°30′60″"], None),
    ("start azimuth 45.3059", replace_line(HT, "45.3015", "45.3059"), 0, [], 8),
    # A minus sign lost in the arc after the entry transition: reverse curves at both its ends.
    ("arc's radius with a minus sign", replace_line(HT, "\n300,300,120", "\n-300,-300,120"), 0,
     ["提示：平面资料文件“ramp-elements.txt”第 4 行：第 3 个线元（-300, -300, 120）的起点半径 "
      "-300 与第 2 个线元（9999, 300, 60，第 3 行）的终点半径 300 异号",
      "提示：平面资料文件“ramp-elements.txt”第 5 行：第 4 个线元（300, 150, 50）"], 8),
]


def read_rows(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f))[1:]


class TypedInput(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qelt-typed-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def run_cli(self, jd, dl, zk, method="jd"):
        paths = []
        files = ((("mainline-jd.txt", jd), ("mainline-dl.txt", dl), ("mainline-boreholes.txt", zk))
                 if method == "jd" else (("ramp-elements.txt", jd), ("ramp-boreholes.txt", zk)))
        for name, content in files:
            path = os.path.join(self.dir, name)
            with open(path, "wb") as f:
                f.write(content.encode("utf-8") if isinstance(content, str) else content)
            paths.append(path)
        out = os.path.join(self.dir, "t.xlsx")
        csv_out = os.path.join(self.dir, "t.csv")
        for stale in (out, csv_out):
            if os.path.exists(stale):
                os.remove(stale)
        lists = (["--chain-breaks", paths[1], "--boreholes", paths[2]] if method == "jd"
                 else ["--boreholes", paths[1]])
        r = qelt_cli.run("table", "--method", method, "--alignment", paths[0], *lists,
                         "--output", out, "--csv", csv_out, timeout=60)
        rows = read_rows(csv_out) if os.path.exists(csv_out) else None
        # The workbook and its CSV go together: both written, or (no borehole written) neither.
        self.assertEqual(os.path.exists(out), rows is not None, r.stderr.decode("utf-8", "replace"))
        return r.returncode, r.stderr.decode("utf-8", "replace"), rows

    def test_typed_variants(self):
        status, err, reference = self.run_cli(JD, DL, ZK)
        self.assertEqual(status, 0, err)
        self.assertEqual(len(reference), 15)
        for name, jd, dl, zk, expected_status, texts, rows_expected in CASES:
            with self.subTest(name):
                status, err, rows = self.run_cli(jd, dl, zk)
                self.assertEqual(status, expected_status, err)
                for text in texts:
                    self.assertIn(text, err)
                if rows_expected is None:
                    self.assertIsNone(rows)
                    continue
                count = len(reference) if rows_expected == "all" else rows_expected
                self.assertEqual(len(rows), count, err)
                for row, want in zip(rows, reference):
                    if row[2] != want[2]:  # the station replaced on purpose
                        continue
                    self.assertEqual(row[:3], want[:3])
                    self.assertEqual(float(row[3]), float(want[3]))
                    self.assertAlmostEqual(float(row[4]), float(want[4]), delta=1e-6)
                    self.assertAlmostEqual(float(row[5]), float(want[5]), delta=1e-6)
                    self.assertEqual(row[6], want[6])

    def test_ramp_typed_wrong(self):
        status, err, reference = self.run_cli(HT, None, RAMP_ZK, method="ht")
        self.assertEqual(status, 0, err)
        self.assertNotIn("提示", err)
        self.assertEqual(len(reference), 8)
        for name, ht, expected_status, texts, rows_expected in RAMP_CASES:
            with self.subTest(name):
                status, err, rows = self.run_cli(ht, None, RAMP_ZK, method="ht")
                self.assertEqual(status, expected_status, err)
                for text in texts:
                    self.assertIn(text, err)
                if not texts:
                    self.assertNotIn("提示", err)
                if rows_expected is None:
                    self.assertIsNone(rows)
                    continue
                self.assertEqual(len(rows), len(reference) if rows_expected == "all"
                                 else rows_expected, err)

    def test_remark_keeps_its_inner_blanks(self):
        _, err, rows = self.run_cli(JD, DL, replace_line(ZK, "11150 0 0#桥台", "11150 0  0# 桥台 "))
        self.assertEqual(rows[0][6], "0# 桥台", err)


if __name__ == "__main__":
    unittest.main(verbosity=2)
