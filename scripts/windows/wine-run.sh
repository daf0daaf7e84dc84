#!/usr/bin/env bash
# Runs a Windows program of the Windows build under wine: ctest's emulator for the test programs
# and the end-to-end tests' runner for qelt-cli.exe (QELT_RUNNER). The prefix must have been made
# by wine-prefix.sh setup; a missing one is an error rather than a fresh prefix made on the side.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ ! -f "$WINEPREFIX/.qelt-prefix" ]; then
    echo "wine-run.sh: no wine prefix in $WINEPREFIX; run scripts/windows/wine-prefix.sh setup" >&2
    exit 125
fi
exec "$qelt_wine" "$@"
