"""How the end-to-end tests start qelt-cli, shared by the scripts in this folder.

QELT_CLI names the program (build/qelt-cli by default). QELT_RUNNER, when set, is the command
that runs it, split like a shell would: the Windows build sets it to scripts/windows/wine-run.sh
for build-win/qelt-cli.exe. A Windows program writes its messages with CR LF line ends, as
Windows programs do; output() gives them with LF, so the tests compare the same text on both."""

import atexit
import os
import shlex
import shutil
import subprocess
import tempfile

CLI = os.path.abspath(os.environ.get("QELT_CLI", "build/qelt-cli"))
RUNNER = shlex.split(os.environ.get("QELT_RUNNER", ""))
WINDOWS = CLI.lower().endswith(".exe")


def command(*args):
    """The command line that runs qelt-cli with `args`."""
    return [*RUNNER, CLI, *args]


def output(data):
    """The bytes a run wrote to stdout or stderr, with the line ends of the Linux build."""
    return data.replace(b"\r\n", b"\n") if WINDOWS else data


def run(*args, timeout=120, **options):
    """subprocess.run of qelt-cli with `args`, capturing both streams (line ends as output())."""
    r = subprocess.run(command(*args), capture_output=True, timeout=timeout, **options)
    r.stdout, r.stderr = output(r.stdout), output(r.stderr)
    return r


class Workdir:
    """A folder of the test's own for inputs and outputs, removed at the end of the `with` block
    or, without one, when the script ends."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="qelt-e2e-")
        atexit.register(shutil.rmtree, self.path, True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        shutil.rmtree(self.path, True)

    def write(self, name, text, encoding="utf-8"):
        """Writes `text` (bytes as they are, a str in `encoding`, line ends untouched)."""
        p = os.path.join(self.path, name)
        with open(p, "wb") as f:
            f.write(text.encode(encoding) if isinstance(text, str) else text)
        return p

    def out(self, name):
        return os.path.join(self.path, name)

    def listing(self):
        return sorted(os.listdir(self.path))
