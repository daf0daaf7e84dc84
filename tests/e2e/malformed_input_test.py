#!/usr/bin/python3
"""Bad input files, one table of cases: every file qelt-cli reads, made empty, truncated, binary,
UTF-16, absurdly large or long, or not a file at all. Each case gives the exit status (0 table
complete, 1 data error with nothing written, 2 partial table written) and a text stderr must
hold; every case must end without a crash or sanitizer report and leave no temporary file."""

import os
import random
import shutil
import tempfile
import unittest

import qelt_cli

JD_OK = "起点,0\r\nQD,0 0 0 0 0\r\nJD1,1000 0 500 100 100\r\nZD,1866.025404 500 0 0 0\r\n"
HT_OK = "0 0 0 0\r\n9999 9999 100\r\n"
DL_NONE = "-1 -1\r\n"
ZK_OK = "某项目\r\n桥 1\r\n500 0 ZK1\r\n"

MISSING = object()  # the option names a file that does not exist
FOLDER = object()  # the option names a folder

GARBAGE = random.Random(20240611).randbytes(4096)
MEGABYTE = 1 << 20


def utf16(text):
    return b"\xff\xfe" + text.encode("utf-16-le")


def crlf_to_cr(text):
    return text.replace("\r\n", "\r")


# name, method, alignment, chain breaks (jd only), boreholes, status, texts stderr must hold
CASES = [
    # --- alignment file, intersection-point method ---
    ("jd empty", "jd", "", DL_NONE, ZK_OK, 1, ["a.txt 第 1 行"]),
    ("jd truncated in a record", "jd", JD_OK[:33], DL_NONE, ZK_OK, 1, ["a.txt 第 3 行"]),
    ("jd binary garbage", "jd", GARBAGE, DL_NONE, ZK_OK, 1, ["a.txt"]),
    ("jd UTF-16 with BOM", "jd", utf16(JD_OK), DL_NONE, ZK_OK, 0, []),
    ("jd UTF-16 without BOM", "jd", JD_OK.encode("utf-16-le"), DL_NONE, ZK_OK, 1,
     ["a.txt 第 1 行", "NUL"]),
    ("jd 1e308 coordinates", "jd", "起点,0\r\nQD,-1e308 0 0 0 0\r\nZD,1e308 0 0 0 0\r\n",
     DL_NONE, ZK_OK, 1, ["a.txt 第 3 行"]),
    ("jd 1e308 radius", "jd", JD_OK.replace(" 500 100", " 1e308 100"), DL_NONE, ZK_OK, 1,
     ["a.txt 第 3 行"]),
    ("jd 1e999", "jd", JD_OK.replace("1866.025404", "1e999"), DL_NONE, ZK_OK, 1,
     ["a.txt 第 4 行", "1e999"]),
    ("jd NaN start station", "jd", JD_OK.replace("起点,0", "起点,NaN"), DL_NONE, ZK_OK, 1,
     ["a.txt 第 1 行", "NaN"]),
    ("jd Infinity", "jd", JD_OK.replace("JD1,1000", "JD1,Infinity"), DL_NONE, ZK_OK, 1,
     ["a.txt 第 3 行", "Infinity"]),
    ("jd 1001 records", "jd", "起点,0\r\n" + "JD,0 0 0 0 0\r\n" * 1001, DL_NONE, ZK_OK, 1,
     ["a.txt 第 1002 行"]),
    ("jd line of 1 MB", "jd", "起点,0\r\n" + "9" * MEGABYTE + "\r\n", DL_NONE, ZK_OK, 1,
     ["a.txt 第 2 行"]),
    ("jd CR-only line ends", "jd", crlf_to_cr(JD_OK), DL_NONE, ZK_OK, 1,
     ["a.txt 第 1 行", "CR"]),
    ("jd NUL byte", "jd", JD_OK.replace("JD1", "JD\0" + "1"), DL_NONE, ZK_OK, 1,
     ["a.txt 第 3 行", "NUL"]),
    ("jd missing file", "jd", MISSING, DL_NONE, ZK_OK, 1, ["missing.txt"]),
    ("jd folder", "jd", FOLDER, DL_NONE, ZK_OK, 1, ["folder"]),
    # --- element file, building-block method ---
    ("ht empty", "ht", "", None, ZK_OK, 1, ["a.txt"]),
    ("ht binary garbage", "ht", GARBAGE, None, ZK_OK, 1, ["a.txt"]),
    ("ht UTF-16 with BOM", "ht", utf16(HT_OK), None, ZK_OK, 0, ["提示：", "终点之后 400.000 米"]),
    ("ht truncated element", "ht", "0 0 0 0\r\n9999 9999", None, ZK_OK, 1, ["a.txt 第 2 行"]),
    ("ht 1001 elements", "ht", "0 0 0 0\r\n" + "9999 9999 1\r\n" * 1001, None, ZK_OK, 1,
     ["a.txt 第 1002 行"]),
    ("ht 1e308 lengths", "ht", "0 0 0 0\r\n9999 9999 1e308\r\n9999 9999 1e308\r\n", None, ZK_OK,
     1, ["a.txt"]),
    ("ht 1e308 azimuth", "ht", "0 0 0 1e308\r\n9999 9999 1\r\n", None, ZK_OK, 1, ["a.txt"]),
    ("ht 1e999", "ht", "0 0 0 0\r\n9999 9999 1e999\r\n", None, ZK_OK, 1, ["a.txt 第 2 行"]),
    ("ht NaN", "ht", "0 0 0 NaN\r\n", None, ZK_OK, 1, ["a.txt 第 1 行", "NaN"]),
    ("ht Infinity", "ht", "0 Infinity 0 0\r\n", None, ZK_OK, 1, ["a.txt 第 1 行"]),
    ("ht CR-only line ends", "ht", crlf_to_cr(HT_OK), None, ZK_OK, 1, ["a.txt 第 1 行"]),
    ("ht folder", "ht", FOLDER, None, ZK_OK, 1, ["folder"]),
    ("ht azimuth of 75 minutes", "ht", "0 0 0 45.7530\r\n9999 9999 100\r\n", None, ZK_OK, 1,
     ["a.txt 第 1 行", "45°75′30″"]),
    ("ht reverse curve without a transition", "ht", "0 0 0 0\r\n9999 300 60\r\n-300 -300 120\r\n",
     None, "p\r\n桥 1\r\n50 0\r\n", 0,
     ["提示：平面资料文件“a.txt”第 3 行：第 2 个线元（-300, -300, 120）", "异号"]),
    # --- chain-break file ---
    ("dl empty means none", "jd", JD_OK, "", ZK_OK, 0, []),
    ("dl 20 chain breaks", "jd", JD_OK, "".join(f"{i}0 {i}0\r\n" for i in range(1, 21)), ZK_OK, 1,
     ["d.txt 第 20 行"]),
    ("dl binary garbage", "jd", JD_OK, GARBAGE, ZK_OK, 1, ["d.txt"]),
    ("dl UTF-16 with BOM", "jd", JD_OK, utf16("1100 1050\r\n"), ZK_OK, 0, []),
    ("dl 1e999", "jd", JD_OK, "1100 1e999\r\n", ZK_OK, 1, ["d.txt 第 1 行"]),
    ("dl NaN", "jd", JD_OK, "NaN 1050\r\n", ZK_OK, 1, ["d.txt 第 1 行"]),
    ("dl Infinity", "jd", JD_OK, "1100 -Infinity\r\n", ZK_OK, 1, ["d.txt 第 1 行"]),
    ("dl one field", "jd", JD_OK, "1100\r\n", ZK_OK, 1, ["d.txt 第 1 行"]),
    ("dl CR-only line ends", "jd", JD_OK, "100 150\r200 210\r", ZK_OK, 1, ["d.txt 第 1 行"]),
    ("dl line of 1 MB", "jd", JD_OK, "1" * MEGABYTE + "\r\n", ZK_OK, 1, ["d.txt 第 1 行"]),
    ("dl missing file", "jd", JD_OK, MISSING, ZK_OK, 1, ["missing.txt"]),
    ("dl folder", "jd", JD_OK, FOLDER, ZK_OK, 1, ["folder"]),
    # --- borehole file: after the table is begun, failures keep what was written ---
    ("zk empty", "jd", JD_OK, DL_NONE, "", 2, ["b.txt”第 1 行"]),
    ("zk truncated group", "jd", JD_OK, DL_NONE, "p\r\n桥 3\r\n500 0\r\n", 2, ["b.txt”第 4 行"]),
    ("zk truncated line", "jd", JD_OK, DL_NONE, "p\r\n桥 2\r\n500 0\r\n60", 2,
     ["b.txt”第 4 行"]),
    # An undecodable file is refused when it is opened, before the table is begun.
    ("zk binary garbage", "jd", JD_OK, DL_NONE, GARBAGE, 1, ["b.txt 第"]),
    ("zk UTF-16 with BOM", "ht", HT_OK, None, utf16(ZK_OK.replace("500", "50")), 0, []),
    ("zk NUL byte in a remark", "jd", JD_OK, DL_NONE, "p\r\n桥 1\r\n500 0 ZK\0" + "1\r\n", 2,
     ["b.txt”第 3 行", "NUL"]),
    ("zk CR-only line ends", "jd", JD_OK, DL_NONE, crlf_to_cr(ZK_OK), 2,
     ["b.txt”第 1 行", "CR"]),
    ("zk remark of 1 MB", "jd", JD_OK, DL_NONE, "p\r\n桥 1\r\n500 0 " + "x" * MEGABYTE + "\r\n",
     2, ["b.txt”第 3 行", "32767"]),
    ("zk title of 1 MB", "jd", JD_OK, DL_NONE, "p\r\n" + "桥" * MEGABYTE + " 1\r\n500 0\r\n", 2,
     ["b.txt”第 2 行", "32767"]),
    ("zk station of 1 MB", "jd", JD_OK, DL_NONE, "p\r\n桥 1\r\n" + "9" * MEGABYTE + " 0\r\n", 2,
     ["b.txt”第 3 行"]),
    ("zk project line of 1 MB", "jd", JD_OK, DL_NONE, "项" * MEGABYTE + "\r\n桥 1\r\n500 0\r\n",
     0, []),
    ("zk project line with &G and &[Picture]", "jd", JD_OK, DL_NONE,
     "S&G&[Picture] 公司\r\n桥 1\r\n500 0\r\n", 0, []),
    ("zk station 1e999", "jd", JD_OK, DL_NONE, "p\r\n桥 1\r\n1e999 0\r\n", 2, ["b.txt”第 3 行"]),
    ("zk station 1e308", "ht", HT_OK, None, "p\r\n桥 1\r\n1e308 0\r\n", 0, []),
    ("zk offset 1e999", "jd", JD_OK, DL_NONE, "p\r\n桥 1\r\n500 1e999\r\n", 2,
     ["b.txt”第 3 行", "1e999"]),
    ("zk offset NaN", "ht", HT_OK, None, "p\r\n桥 1\r\n50 NaN\r\n", 2, ["b.txt”第 3 行"]),
    ("zk offset Infinity", "jd", JD_OK, DL_NONE, "p\r\n桥 1\r\n500 Infinity\r\n", 2,
     ["b.txt”第 3 行"]),
    ("zk count 1e308", "jd", JD_OK, DL_NONE, "p\r\n桥 1e308\r\n500 0\r\n", 2,
     ["b.txt”第 2 行"]),
    ("zk count NaN", "jd", JD_OK, DL_NONE, "p\r\n桥 NaN\r\n", 2, ["b.txt”第 2 行"]),
    ("zk station NaN", "jd", JD_OK, DL_NONE, "p\r\n桥 1\r\nNaN 0\r\n", 2,
     ["b.txt”第 3 行", "桩号“NaN”不是有效的桩号"]),
    ("zk lettered beyond 19 chain breaks", "jd", JD_OK,
     "".join(f"{i}0 {i}0\r\n" for i in range(1, 20)), "p\r\n桥 1\r\nZ500 0\r\n", 2,
     ["数据有误：桩号Z500", "b.txt 第 3 行"]),
    ("zk without its project line", "jd", JD_OK, DL_NONE, "桥 1\r\n500 0\r\n", 0,
     ["提示：钻孔资料文件“b.txt”第 2 行：分组“500”的钻孔数为 0", "没有给出钻孔"]),
    ("zk offset past the centre of the curve", "jd", JD_OK, DL_NONE,
     "p\r\n桥 1\r\n1000 -520\r\n", 0, ["提示：", "处曲线半径 500.000 米，圆心在中线右侧"]),
    ("zk missing file", "jd", JD_OK, DL_NONE, MISSING, 1, ["missing.txt"]),
    ("zk folder", "ht", HT_OK, None, FOLDER, 1, ["folder"]),
]

SANITIZER_SIGNS = ("AddressSanitizer", "LeakSanitizer", "UndefinedBehaviorSanitizer",
                   "runtime error:")


class MalformedInput(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="qelt-malformed-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def place(self, name, content):
        if content is MISSING:
            return os.path.join(self.dir, "missing.txt")
        if content is FOLDER:
            path = os.path.join(self.dir, "folder")
            os.makedirs(path, exist_ok=True)
            return path
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(content.encode("utf-8") if isinstance(content, str) else content)
        return path

    def test_cases(self):
        for name, method, alignment, chain_breaks, boreholes, status, texts in CASES:
            with self.subTest(name):
                for entry in os.listdir(self.dir):
                    path = os.path.join(self.dir, entry)
                    shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
                args = ["table", "--method", method,
                        "--alignment", self.place("a.txt", alignment),
                        "--boreholes", self.place("b.txt", boreholes),
                        "--output", os.path.join(self.dir, "t.xlsx"),
                        "--csv", os.path.join(self.dir, "t.csv")]
                if method == "jd":
                    args += ["--chain-breaks", self.place("d.txt", chain_breaks)]
                r = qelt_cli.run(*args, timeout=60)
                err = r.stderr.decode("utf-8", "replace")
                self.assertTrue(0 <= r.returncode < 128, f"crashed: {r.returncode}\n{err[:2000]}")
                for sign in SANITIZER_SIGNS:
                    self.assertNotIn(sign, err)
                self.assertEqual(r.returncode, status, err[:2000])
                for text in texts:
                    self.assertIn(text, err)
                files = os.listdir(self.dir)
                self.assertFalse([f for f in files if f.endswith(".tmp")], files)
                # A run that wrote no borehole delivers nothing, and says so.
                nothing = "没有写出任何钻孔" in err
                if status == 0 and not nothing:
                    self.assertIn("已写入", r.stdout.decode())
                elif status != 0:
                    self.assertTrue(err.strip(), "no message on stderr")
                if status == 1:
                    self.assertIn("错误：数据文件格式有误或操作不当！", err)
                for written in ("t.xlsx", "t.csv"):
                    self.assertEqual(written in files, status != 1 and not nothing, written)


if __name__ == "__main__":
    unittest.main(verbosity=2)
