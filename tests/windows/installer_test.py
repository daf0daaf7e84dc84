#!/usr/bin/python3
"""What a Windows user downloads (make windows-package), tried under wine the way an office PC
meets it: the zip holds the programs, stripped, the manual, the examples, PROJ's proj.db and a
使用说明 that Notepad reads; `setup.exe /S` installs into Program Files with the Start-menu and
desktop shortcuts and the entry of 应用和功能; the installed qelt-cli.exe gives the Linux build's CSV
(and, where it draws maps, the map of a coordinate system only proj.db describes) for the main-line
example; `uninstall.exe /S` takes away all that and nothing the user wrote there.

QELT_ZIP and QELT_SETUP name the package, QELT_WIN_BUILD the build whose wine prefix it is
installed in, QELT_RUNNER the wine runner, QELT_LINUX_CLI the Linux qelt-cli."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import qelt_cli  # noqa: E402
from linux_parity_test import assert_same_numbers  # noqa: E402

SRC = os.environ.get("QELT_SOURCE_DIR", ".")
BUILD = os.environ.get("QELT_WIN_BUILD", os.path.join(SRC, "build-win"))
ZIP = os.environ.get("QELT_ZIP", "")
SETUP = os.environ.get("QELT_SETUP", "")
LINUX_CLI = os.path.abspath(os.environ.get("QELT_LINUX_CLI", os.path.join(SRC, "build", "qelt-cli")))
DRIVE_C = os.path.join(BUILD, "wineprefix", "drive_c")
INSTALLED = os.path.join(DRIVE_C, "Program Files", "Qelt")
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Qelt"
# Shortcuts for all users, and what each must point at.
SHORTCUTS = [
    (os.path.join(DRIVE_C, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Qelt",
                  "Qelt.lnk"), "qelt.exe"),
    (os.path.join(DRIVE_C, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Qelt",
                  "Qelt 使用手册.lnk"), "qelt.html"),
    (os.path.join(DRIVE_C, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Qelt",
                  "卸载 Qelt.lnk"), "uninstall.exe"),
    (os.path.join(DRIVE_C, "users", "Public", "Desktop", "Qelt.lnk"), "qelt.exe"),
]


def example_files():
    """The examples as they must be shipped: examples/… relative paths."""
    root = os.path.join(SRC, "examples")
    return sorted(os.path.relpath(os.path.join(d, f), SRC).replace(os.sep, "/")
                  for d, _, files in os.walk(root) for f in files)


# What the program's folder holds, in the zip and once installed: with proj.db where the build
# links PROJ (it lies beside the build's programs then).
PROJ_DB = ["proj.db"] if os.path.isfile(os.path.join(BUILD, "proj.db")) else []
# The copyright and licence of every library the programs link statically.
LICENCES = [f"licences/{name}.txt" for name in ("libxlsxwriter", "dxflib", "pugixml", "proj",
                                                "sqlite", "zlib", "mingw-w64-runtime")]
SHIPPED = sorted(["qelt.exe", "qelt-cli.exe", "help/qelt.html", "使用说明.txt", *PROJ_DB,
                  *LICENCES, *example_files()])


def wine(*args, check=True):
    """Runs a Windows program of the prefix through the runner; (status, stdout text)."""
    r = subprocess.run([*qelt_cli.RUNNER, *args], capture_output=True, timeout=120)
    if check and r.returncode != 0:
        raise AssertionError(f"{args} exited {r.returncode}: {r.stderr.decode(errors='replace')}")
    return r.returncode, r.stdout.decode("utf-8", errors="replace")


def installed_listing():
    return sorted(os.path.relpath(os.path.join(d, f), INSTALLED).replace(os.sep, "/")
                  for d, _, files in os.walk(INSTALLED) for f in files)


class Zip(unittest.TestCase):
    def setUp(self):
        if not os.path.isfile(ZIP):
            self.fail(f"no {ZIP}: make windows-package makes it")
        self.zip = zipfile.ZipFile(ZIP)
        self.addCleanup(self.zip.close)
        self.top = os.path.basename(ZIP)[:-len(".zip")] + "/"

    def test_listing(self):
        names = sorted(n[len(self.top):] for n in self.zip.namelist() if n.startswith(self.top))
        self.assertEqual(len(names), len(self.zip.namelist()), "entries outside " + self.top)
        self.assertEqual(names, SHIPPED)
        for info in self.zip.infolist():
            if not info.filename.isascii():
                self.assertTrue(info.flag_bits & 0x800, f"{info.filename}: name not flagged UTF-8")

    def test_contents(self):
        version = self.top.split("-")[1]
        cases = [  # file, what it must be
            ("qelt.exe", "program"), ("qelt-cli.exe", "program"), ("使用说明.txt", "notepad text"),
            ("help/qelt.html", "as in the repository"), ("examples/mainline-jd.txt", "as in the repository"),
            *((name, "as built") for name in PROJ_DB),
        ]
        for name, kind in cases:
            with self.subTest(name):
                data = self.zip.read(self.top + name)
                if kind == "program":
                    self.assertEqual(data[:2], b"MZ")
                    self.assertNotIn(b".debug_info", data, "not stripped")
                    self.assertLess(len(data), os.path.getsize(os.path.join(BUILD, name)))
                elif kind == "notepad text":
                    self.assertTrue(data.startswith(b"\xef\xbb\xbf"), "no UTF-8 byte-order mark")
                    text = data[3:].decode("utf-8")
                    self.assertNotIn("\n", text.replace("\r\n", ""), "a line not ended by CR LF")
                    self.assertIn(f"Qelt 钻孔坐标计算 {version} 使用说明", text)
                    self.assertNotIn("@", text)
                else:
                    folder = BUILD if kind == "as built" else SRC
                    with open(os.path.join(folder, name), "rb") as f:
                        self.assertEqual(data, f.read())


class Installer(unittest.TestCase):
    def setUp(self):
        if not os.path.isfile(SETUP):
            self.fail(f"no {SETUP}: make windows-package makes it")
        if not os.path.isdir(DRIVE_C):
            self.fail(f"no wine prefix in {BUILD} (scripts/windows/wine-prefix.sh setup)")
        self.clean()
        self.addCleanup(self.clean)

    def clean(self):
        shutil.rmtree(INSTALLED, True)
        for path, _ in SHORTCUTS:
            if os.path.exists(path):
                os.remove(path)
        wine("reg", "delete", UNINSTALL_KEY, "/f", check=False)

    def registered(self):
        status, out = wine("reg", "query", UNINSTALL_KEY, check=False)
        return out if status == 0 else None

    def test_install_run_uninstall(self):
        wine(SETUP, "/S")
        self.assertEqual(installed_listing(), sorted([*SHIPPED, "uninstall.exe"]))
        with zipfile.ZipFile(ZIP) as z:
            top = os.path.basename(ZIP)[:-len(".zip")] + "/"
            for name in SHIPPED:
                with open(os.path.join(INSTALLED, name), "rb") as f:
                    self.assertEqual(f.read(), z.read(top + name), name)
        for path, target in SHORTCUTS:
            with self.subTest(shortcut=path):
                self.assertTrue(os.path.isfile(path), "missing")
                with open(path, "rb") as f:
                    data = f.read()
                self.assertTrue(target.encode() in data or target.encode("utf-16-le") in data,
                                f"does not point at {target}")
        entry = self.registered()
        self.assertIsNotNone(entry, "no entry in 应用和功能")
        self.assertIn(r"C:\Program Files\Qelt\uninstall.exe", entry)

        # The installed program on the installed example gives what the Linux build gives.
        work = tempfile.mkdtemp(prefix="qelt-installed-")
        self.addCleanup(shutil.rmtree, work, True)
        inputs = ["--alignment", "mainline-jd.txt", "--chain-breaks", "mainline-dl.txt",
                  "--boreholes", "mainline-boreholes.txt"]
        windows_inputs = [a if a.startswith("--") else r"C:\Program Files\Qelt\examples" + "\\" + a
                          for a in inputs]
        linux_inputs = [a if a.startswith("--") else os.path.join(SRC, "examples", a) for a in inputs]
        installed_cli = [*qelt_cli.RUNNER, os.path.join(INSTALLED, "qelt-cli.exe")]
        # The map in CGCS2000 / 3-degree Gauss-Kruger CM 117E, a system PROJ knows only from
        # proj.db: the installed program finds the database in its own folder. PROJ_DATA names
        # a folder without one, so that PROJ cannot fall back on the build's copy, which wine
        # reaches through its drive Z:.
        maps = "--kml" in subprocess.run([*installed_cli, "--help"], capture_output=True,
                                         timeout=120).stdout.decode(errors="replace")
        outputs = ["--csv", "t.csv", "--output", "t.xlsx"]
        if maps:
            outputs += ["--kml", "t.kml", "--crs", "EPSG:4548"]
        runs = [(installed_cli, windows_inputs, dict(os.environ, PROJ_DATA=r"C:\no-proj-data"))]
        if os.access(LINUX_CLI, os.X_OK):
            runs.append(([LINUX_CLI], linux_inputs, None))
        else:
            print(f"no Linux build at {LINUX_CLI}: the installed program's table is not compared")
        tables = []  # per run: the CSV, and the map where qelt-cli draws maps
        for command, args, env in runs:
            out = os.path.join(work, str(len(tables)))
            os.makedirs(out)
            r = subprocess.run([*command, "table", "--method", "jd", *args, *outputs],
                               capture_output=True, cwd=out, env=env, timeout=120)
            self.assertEqual(r.returncode, 0, r.stderr.decode(errors="replace"))
            files = []
            for name in ["t.csv", "t.kml"][:2 if maps else 1]:
                with open(os.path.join(out, name), "rb") as f:
                    files.append(f.read())
            tables.append(files)
        self.assertTrue(tables[0][0].startswith(b"\xef\xbb\xbfgroup,serial,station"))
        self.assertEqual(tables[0][0], tables[-1][0])
        if maps:
            self.assertIn(b"<coordinates>", tables[0][1])
            assert_same_numbers(self, tables[0][1], tables[-1][1], "t.kml")

        # A table the user saved among the examples outlives the uninstaller, with its folder.
        mine = os.path.join(INSTALLED, "examples", "我的钻孔表.xlsx")
        with open(mine, "wb") as f:
            f.write(b"PK")
        wine(os.path.join(INSTALLED, "uninstall.exe"), "/S")
        # The uninstaller works on from a copy of itself in TEMP, so that it can delete itself,
        # and its last step is the registry entry: wait for that.
        deadline = time.monotonic() + 60
        while self.registered() is not None and time.monotonic() < deadline:
            time.sleep(0.5)
        self.assertEqual(installed_listing(), ["examples/我的钻孔表.xlsx"])
        self.assertEqual(sorted(os.listdir(INSTALLED)), ["examples"])
        for path, _ in SHORTCUTS:
            self.assertFalse(os.path.exists(path), path)
        self.assertFalse(os.path.exists(os.path.dirname(SHORTCUTS[0][0])), "Start-menu folder left")
        self.assertIsNone(self.registered(), "entry left in 应用和功能")


if __name__ == "__main__":
    unittest.main(verbosity=2)
