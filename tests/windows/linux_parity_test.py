#!/usr/bin/python3
"""The Windows qelt-cli.exe (run through QELT_RUNNER, wine) against the Linux qelt-cli
(QELT_LINUX_CLI) on the bundled examples, GBK and UTF-8, from a folder with a Chinese name:
the same exit status and messages, byte-identical CSV files, workbooks that read back the same
on Linux (tests/xlsx_readback.py) and, where qelt-cli draws, the same drawing. Both programs use
the same formulas and libraries; a difference means a platform leaks into the results (number
formatting, line ends, code pages, the spreadsheet library's temporary files)."""

import os
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
]


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
        self.with_dxf = "--dxf" in qelt_cli.run("--help").stdout.decode()

    def run_both(self, method, source, inputs, folder):
        """Runs each program in a work folder of its own, with the same relative paths, and
        returns (status, stdout, stderr, {output name: bytes}) for Linux and for Windows."""
        results = []
        for platform, command in (("linux", [LINUX_CLI]), ("windows", qelt_cli.command())):
            work = os.path.join(self.dir, folder, platform)
            data = os.path.join(work, "资料")
            os.makedirs(data)
            options = ["--method", method]
            for option, name in zip(("--alignment", "--chain-breaks", "--boreholes"), inputs):
                if name:
                    shutil.copy(os.path.join(source, name), data)
                    options += [option, os.path.join("资料", name)]
            outputs = {"--output": os.path.join("结果", "钻孔数量及位置表.xlsx"),
                       "--csv": os.path.join("结果", "钻孔数量及位置表.csv")}
            if self.with_dxf:
                outputs["--dxf"] = os.path.join("结果", "钻孔平面布置图.dxf")
            os.makedirs(os.path.join(work, "结果"))
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

    def test_examples(self):
        for index, (name, method, subfolder, inputs) in enumerate(EXAMPLES):
            with self.subTest(name):
                source = os.path.join(SRC, "examples", subfolder)
                linux, windows = self.run_both(method, source, inputs, str(index))
                self.assertEqual(linux[0], 0, linux[2])
                self.assertEqual(windows[0:3], linux[0:3])
                self.assertEqual(sorted(windows[3]), sorted(linux[3]))
                for path, data in linux[3].items():
                    if path.endswith(".xlsx"):
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
                    else:
                        self.assertEqual(windows[3][path], data, path)


if __name__ == "__main__":
    unittest.main(verbosity=2)
