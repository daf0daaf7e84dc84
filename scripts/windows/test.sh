#!/usr/bin/env bash
# `make test-windows`: runs the Windows build's tests under wine through ctest in build-win/
# (QELT_WIN_BUILD): the core's test programs, the end-to-end tests of qelt-cli.exe and the
# comparison with the Linux build's qelt-cli (build/, QELT_LINUX_BUILD at configure time).
# Wine's server and services are started before ctest and stopped after it, whatever happens.
set -euo pipefail
trap 'echo "test.sh: the step at line $LINENO failed" >&2' ERR
repo=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo/scripts/windows/wine-env.sh"
jobs=${JOBS:-2}

# Tests labelled "gui" (the desktop program's) need a display: without one the run goes on
# under a virtual X server, which wine's services then draw on.
if [ -z "${DISPLAY:-}" ] && [ -z "${QELT_UNDER_XVFB:-}" ] && command -v xvfb-run >/dev/null &&
    ctest --test-dir "$QELT_WIN_BUILD" -N -L gui | grep -q "Total Tests: [1-9]"; then
    QELT_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

bash "$repo/scripts/windows/wine-prefix.sh" setup
trap 'bash "$repo/scripts/windows/wine-prefix.sh" stop' EXIT
bash "$repo/scripts/windows/wine-prefix.sh" start
cd "$QELT_WIN_BUILD"
ctest --output-on-failure -j "$jobs" "$@"
