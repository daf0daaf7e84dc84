#!/usr/bin/env bash
# The wine prefix the Windows build's tests run in (build-win/wineprefix):
#   wine-prefix.sh setup   make it once: a 64-bit prefix whose Chinese fonts are found
#   wine-prefix.sh start   start wine's server and services before a test run
#   wine-prefix.sh stop    stop them again
# The services (wineboot starts them) must run before ctest does: started by the first test
# program instead, they inherit ctest's output pipe, hold it open and ctest waits for ever.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

wineboot() { "$qelt_wine" wineboot "$@" >/dev/null 2>&1 </dev/null; }

case "${1:-}" in
    setup)
        if [ -f "$WINEPREFIX/.qelt-prefix" ]; then
            qelt_install_marlett
            exit 0
        fi
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        echo "wine-prefix: making $WINEPREFIX"
        wineboot --init
        qelt_prefix_settings
        "$qelt_wineserver" -w
        qelt_install_marlett
        touch "$WINEPREFIX/.qelt-prefix"
        ;;
    start)
        for attempt in 1 2; do
            if "$qelt_wineserver" -p && wineboot; then exit 0; fi
            # A server still on its way out from an earlier run: let it go and start afresh.
            "$qelt_wineserver" -k 2>/dev/null || true
            "$qelt_wineserver" -w 2>/dev/null || true
        done
        echo "wine-prefix: wine's server or services did not start in $WINEPREFIX" >&2
        exit 1
        ;;
    stop)
        # Until the server has gone: a start right after would reach the server on its way
        # out, and wine fail to start.
        "$qelt_wineserver" -k 2>/dev/null || true
        "$qelt_wineserver" -w 2>/dev/null || true
        ;;
    *)
        echo "usage: wine-prefix.sh setup|start|stop" >&2
        exit 64
        ;;
esac
