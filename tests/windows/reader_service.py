#!/usr/bin/python3
"""Runs a Windows test program (the command line given, with its wine runner) and, while it runs,
reads back the workbooks it hands over: the program cannot start tests/xlsx_readback.py, a Linux
program, itself. The program copies a workbook to <folder>/<n>.xlsx and then creates
<n>.request; the answer is <n>.dump, the reader's output, written whole before it appears, or
"reader-failed<TAB><message>" when the reader failed. The folder is given to the program as
QELT_READER_FOLDER. Exits with the program's status."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import threading

READBACK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "xlsx_readback.py")


def answer(request):
    base = request[:-len(".request")]
    r = subprocess.run(["/usr/bin/python3", READBACK, base + ".xlsx"], capture_output=True)
    text = r.stdout if r.returncode == 0 else (
        b"reader-failed\t" + r.stderr.replace(b"\n", b" ").replace(b"\t", b" ") + b"\n")
    with open(base + ".dump.part", "wb") as f:
        f.write(text)
    os.rename(base + ".dump.part", base + ".dump")
    os.remove(request)


def serve(folder, done):
    while True:
        finished = done.is_set()  # one more look after the program ends
        for request in sorted(glob.glob(os.path.join(folder, "*.request"))):
            answer(request)
        if finished:
            return
        done.wait(0.02)


def main():
    folder = tempfile.mkdtemp(prefix="qelt-reader-")
    try:
        done = threading.Event()
        server = threading.Thread(target=serve, args=(folder, done))
        server.start()
        try:
            status = subprocess.run(sys.argv[1:], env={**os.environ,
                                                       "QELT_READER_FOLDER": folder}).returncode
        finally:
            done.set()
            server.join()
        return status
    finally:
        shutil.rmtree(folder, True)


if __name__ == "__main__":
    sys.exit(main())
