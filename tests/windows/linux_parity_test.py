#!/usr/bin/python3
"""The Windows qelt-cli.exe (run through QELT_RUNNER, wine) against the Linux qelt-cli
(QELT_LINUX_CLI) on the bundled examples, GBK and UTF-8, from a folder with a Chinese name:
the same exit status and messages, byte-identical CSV files, workbooks that read back the same
on Linux (tests/xlsx_readback.py) and, where qelt-cli draws, the same drawing; where it writes
field and map files, the same stakeout files byte for byte and the same KML and GeoJSON
coordinate for coordinate, in each of the three ways of naming the coordinate system. Both
programs use the same formulas and libraries; a difference means a platform leaks into the
results (number formatting, line ends, code pages, the spreadsheet library's temporary files,
PROJ's database)."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import qelt_cli  # noqa: E402

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
LINUX_CLI = os.path.abspath(os.environ.get("QELT_LINUX_CLI", os.path.join(SRC, "build", "qelt-cli")))
READBACK = os.path.join(SRC, "tests", "xlsx_readback.py")

# name, method, the example files for --alignment, --chain-breaks (jd only), --boreholes
EXAMPLES = [
    ("main line GBK", "jd", "", ("mainline-jd.txt", "mainline-dl.txt", "mainline-boreholes.txt")),
    ("main line UTF-8", "jd", "utf8", ("mainline-jd.txt", "mainline-dl.txt", "mainline-boreholes.txt")),
    ("ramp GBK", "ht", "", ("ramp-elements.txt", None, "ramp-boreholes.txt")),
    ("ramp UTF-8", "ht", "utf8", ("ramp-elements.txt", None, "ramp-boreholes.txt")),
    # The LandXML interchange: its main line numbered by its own station equations.
    ("LandXML main line", "jd", "", ("interchange.xml", None, "mainline-boreholes.txt"),
     ["--alignment-name", "主线"]),
]


# The options of the field and map files, and how the examples name their coordinate system:
# their Y carry no zone prefix, so a central meridian (117° E, where X = 3512 km puts them near
# 31.7° N) or an EPSG code of the same zone; `zoned` gives a file the prefix of 3° zone 39.
MAP_OPTIONS = ("--stakeout", "--points-csv", "--kml", "--geojson", "--central-meridian", "--crs")
CENTRAL_MERIDIAN = ["--central-meridian", "117"]
ZONE_CRS = ["--crs", "EPSG:4548"]  # CGCS2000 / 3-degree Gauss-Kruger CM 117E, from proj.db


def zoned(data):
    """An alignment file of JD lines "name,X Y …" with Y given the zone prefix 39 (3° zone
    39, central meridian 117° E), the same points as the zone's EPSG system sees them."""
    lines = data.split(b"\r\n")
    for index, line in enumerate(lines[1:], 1):
        name, sep, rest = line.partition(b",")
        fields = rest.split(b" ")
        if sep and len(fields) > 1:
            fields[1] = b"%.3f" % (39_000_000 + float(fields[1]))
            lines[index] = name + sep + b" ".join(fields)
    return b"\r\n".join(lines)


NUMBER = re.compile(rb"-?\d+\.\d+")


def assert_same_numbers(test, got, want, name):
    """Text files that must say the same with the same numbers: the text between the numbers
    byte for byte, each number within 1e-9 (about a tenth of a millimetre in degrees), as the
    two C libraries may round the last bit of a sine differently before PROJ's result is
    printed."""
    got_parts, want_parts = NUMBER.split(got), NUMBER.split(want)
    test.assertEqual(got_parts, want_parts, f"{name}: the text between the numbers")
    for number, (g, w) in enumerate(zip(NUMBER.findall(got), NUMBER.findall(want)), 1):
        test.assertAlmostEqual(float(g), float(w), delta=1e-9, msg=f"{name}: number {number}")


def example_inputs(source, names, renamed=(None, None, None)):
    """run_both's inputs for the example files `names` of folder `source` (None: no such
    option), each under its name in `renamed` where one is given."""
    inputs = []
    for option, name, new_name in zip(("--alignment", "--chain-breaks", "--boreholes"), names,
                                      renamed):
        if name:
            with open(os.path.join(source, name), "rb") as f:
                inputs.append((option, new_name or name, f.read()))
    return inputs


def drawing_lines(data):
    """The DXF file's lines, numbers as numbers: the two builds' C libraries may differ in the
    last bit of an arc tangent, which shows in the 17th digit of a text's rotation."""
    lines = []
    for line in data.decode("utf-8").split("\r\n"):
        try:
            lines.append(float(line) if "." in line else line)
        except ValueError:
            lines.append(line)
    return lines


def workbook_dump(path):
    """The workbook as the Linux reader sees it, one "key<TAB>value" line each, without what
    depends on the day it is read (=TODAY()'s cached value)."""
    text = subprocess.run(["/usr/bin/python3", READBACK, path], capture_output=True, check=True,
                          timeout=120).stdout.decode()
    lines = text.splitlines()
    today_cells = {line.split("\t")[0][:-2] for line in lines if line.endswith("\tf:TODAY()")}
    return [line for line in lines
            if not line.startswith("today\t")
            and line.split("\t")[0].rsplit(".", 1)[0] not in today_cells]


class LinuxParity(unittest.TestCase):
    def setUp(self):
        if not os.access(LINUX_CLI, os.X_OK):
            self.skipTest(f"no Linux build at {LINUX_CLI}")
        self.dir = tempfile.mkdtemp(prefix="qelt-parity-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        usage = qelt_cli.run("--help").stdout.decode()
        self.with_dxf = "--dxf" in usage
        self.with_maps = all(option in usage for option in MAP_OPTIONS)

    def run_both(self, method, inputs, folder, data_folder="资料", out_folder="结果",
                 out_name="钻孔数量及位置表", extra=(), maps=CENTRAL_MERIDIAN):
        """Runs each program in a work folder of its own, with the same relative paths, and
        returns (status, stdout, stderr, {output name: bytes}) for Linux and for Windows.
        `inputs` are (option, file name in `data_folder`, its bytes or None for a file that
        is not there); `maps` the options of the map files' coordinate system, where qelt-cli
        writes field and map files."""
        results = []
        for platform, command in (("linux", [LINUX_CLI]), ("windows", qelt_cli.command())):
            work = os.path.join(self.dir, folder, platform)
            data = os.path.join(work, data_folder)
            os.makedirs(data)
            options = ["--method", method, *extra]
            for option, name, content in inputs:
                if content is not None:
                    with open(os.path.join(data, name), "wb") as f:
                        f.write(content)
                options += [option, os.path.join(data_folder, name)]
            outputs = {"--output": os.path.join(out_folder, out_name + ".xlsx"),
                       "--csv": os.path.join(out_folder, out_name + ".csv")}
            if self.with_dxf:
                outputs["--dxf"] = os.path.join(out_folder, out_name + ".dxf")
            if self.with_maps:
                for option, suffix in (("--stakeout", "_放样点.dat"), ("--points-csv", "_点.csv"),
                                       ("--kml", ".kml"), ("--geojson", ".geojson")):
                    outputs[option] = os.path.join(out_folder, out_name + suffix)
                options += maps
            os.makedirs(os.path.join(work, out_folder))
            for option, path in outputs.items():
                options += [option, path]
            r = subprocess.run([*command, "table", *options], capture_output=True, cwd=work,
                               timeout=120)
            files = {}
            for path in outputs.values():
                full = os.path.join(work, path)
                if os.path.exists(full):
                    with open(full, "rb") as f:
                        files[path] = f.read()
            results.append((r.returncode, qelt_cli.output(r.stdout).decode(),
                            qelt_cli.output(r.stderr).decode(), files, work))
        return results

    def test_chinese_folder_and_file_names(self):
        """Names with Chinese and blanks, as engineers give their folders and files, in the
        inputs, the outputs and the messages: a broken borehole line is reported with the
        borehole file's own name and line and the rows before it are delivered, a file that
        is not there is named, the same on both."""
        examples = os.path.join(SRC, "examples")
        jd = example_inputs(examples, ("mainline-jd.txt", "mainline-dl.txt",
                                       "mainline-boreholes.txt"),
                            ("主线 平面.txt", "主线 断链.txt", "主线 钻孔.txt"))
        with open(os.path.join(examples, "mainline-boreholes.txt"), "rb") as f:
            lines = f.read().split(b"\r\n")
        broken = b"\r\n".join(lines[:3] + ["11180 左6.5 1#墩".encode("gbk")] + lines[4:])
        cases = [  # name, method, inputs, exit status, what stderr must name
            ("examples", "jd", jd, 0, None),
            ("broken borehole line", "jd", [*jd[:2], ("--boreholes", "主线 钻孔.txt", broken)], 2,
             "钻孔资料文件“主线 钻孔.txt”第 4 行"),
            ("missing borehole file", "jd", [*jd[:2], ("--boreholes", "主线 钻孔.txt", None)], 1,
             "位置：" + os.path.join("测试 数据", "主线 钻孔.txt")),
        ]
        for index, (name, method, inputs, status, named) in enumerate(cases):
            with self.subTest(name):
                linux, windows = self.run_both(method, inputs, f"zh{index}", "测试 数据",
                                               "结果 表格", "主线 钻孔_钻孔数量及位置表")
                self.assertEqual(linux[0], status, linux[2])
                self.assertEqual(windows[0:3], linux[0:3])
                if named:
                    self.assertIn(named, windows[2])
                self.assertEqual(sorted(windows[3]), sorted(linux[3]))
                self.assert_same_files(windows, linux, workbooks=False)

    def assert_same_files(self, windows, linux, workbooks=True):
        """The files of run_both's two runs against each other: the workbooks as read back
        (where `workbooks`), the drawing and the maps number for number, the rest byte for
        byte."""
        for path, data in linux[3].items():
            if path.endswith(".xlsx"):
                if workbooks:
                    self.assertEqual(workbook_dump(os.path.join(windows[4], path)),
                                     workbook_dump(os.path.join(linux[4], path)), path)
            elif path.endswith(".dxf"):
                got, want = drawing_lines(windows[3][path]), drawing_lines(data)
                self.assertEqual(len(got), len(want), path)
                for number, (g, w) in enumerate(zip(got, want), 1):
                    if isinstance(w, float) and isinstance(g, float):
                        self.assertAlmostEqual(g, w, delta=1e-9 * max(1.0, abs(w)),
                                               msg=f"{path} line {number}")
                    else:
                        self.assertEqual(g, w, f"{path} line {number}")
            elif path.endswith((".kml", ".geojson")):
                assert_same_numbers(self, windows[3][path], data, path)
            else:
                self.assertEqual(windows[3][path], data, path)

    def test_zone_prefix(self):
        """Y with the zone prefix: both read the zone from it, with no option, and take the
        zone's coordinate system from PROJ's database."""
        if not self.with_maps:
            self.skipTest("qelt-cli writes no map files")
        examples = os.path.join(SRC, "examples")
        inputs = example_inputs(examples, ("mainline-jd.txt", "mainline-dl.txt",
                                           "mainline-boreholes.txt"))
        inputs[0] = (inputs[0][0], inputs[0][1], zoned(inputs[0][2]))
        linux, windows = self.run_both("jd", inputs, "zone", maps=[])
        self.assertEqual(linux[0], 0, linux[2])
        self.assertEqual(windows[0:3], linux[0:3])
        self.assertEqual(sorted(windows[3]), sorted(linux[3]))
        self.assertIn(b",39498", linux[3][os.path.join("结果", "钻孔数量及位置表.csv")])
        self.assert_same_files(windows, linux, workbooks=False)

    def test_examples(self):
        for index, (name, method, subfolder, inputs, *extra) in enumerate(EXAMPLES):
            with self.subTest(name):
                source = os.path.join(SRC, "examples", subfolder)
                linux, windows = self.run_both(method, example_inputs(source, inputs), str(index),
                                               extra=extra[0] if extra else (), maps=ZONE_CRS)
                self.assertEqual(linux[0], 0, linux[2])
                self.assertEqual(windows[0:3], linux[0:3])
                self.assertEqual(sorted(windows[3]), sorted(linux[3]))
                self.assert_same_files(windows, linux)


if __name__ == "__main__":
    unittest.main(verbosity=2)
