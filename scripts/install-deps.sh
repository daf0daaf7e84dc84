#!/usr/bin/env bash
# Installs the Debian packages that building and testing Qelt need, skipping what is there.
# apt-get update runs only when something is missing, so a prepared machine costs nothing.
# `install-deps.sh --windows` installs what the Windows cross build and its tests need instead.
set -euo pipefail

linux_packages=(
    g++ cmake make pkg-config
    libgtest-dev          # unit tests
    libbenchmark-dev      # throughput figures (make bench)
    libxlsxwriter-dev     # the borehole table as .xlsx
    libdxflib-dev         # the plan drawing as DXF
    libpugixml-dev        # reads LandXML alignment files
    libproj-dev           # longitude and latitude for the map files (KML, GeoJSON)
    proj-data             # PROJ's database of coordinate systems (proj.db)
    python3-openpyxl      # independent read-back of the written workbook in tests
    python3-ezdxf         # independent read-back of the written drawing in tests
    qt6-base-dev          # the desktop program (optional for the core and the CLI)
    qt6-translations-l10n # Qt's own dialogs and buttons in Chinese (qtbase_zh_CN)
    fonts-wqy-microhei    # a CJK font for the window and screenshots
    fonts-crosextra-carlito # Calibri's metrics: LibreOffice prints the table one page wide
    bsdextrautils         # column, which lays out the demo's table on the terminal
)

windows_packages=(
    g++-mingw-w64-x86-64-posix  # the cross compiler (posix threads: std::thread and friends)
    libz-mingw-w64-dev          # zlib for libxlsxwriter, linked statically
    dpkg-dev                    # apt-get source unpacks libxlsxwriter's source package with it
    gcc tcl                     # SQLite's generator programs and scripts make its sqlite3.c
    sqlite3                     # PROJ's build fills its database proj.db with this program
    wine64 wine                 # runs the tests of the Windows build
    nsis                        # the Windows installer
    python3-openpyxl            # reads back the workbooks the Windows build writes
    fonts-wqy-microhei          # stands in for SimSun and Microsoft YaHei under wine
    fonts-wine                  # wine's own Marlett, which draws the caption buttons
)

case "${1:-}" in
    "") packages=("${linux_packages[@]}") ;;
    --windows) packages=("${windows_packages[@]}") ;;
    *) echo "usage: install-deps.sh [--windows]" >&2; exit 64 ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

# Node.js and npm run web-ifc, the independent reader of the IFC models in the tests. A machine
# that has them already (Node's own packages bring npm with them, and conflict with Debian's npm)
# keeps what it has.
if [ -z "${1:-}" ] && ! command -v npm >/dev/null 2>&1; then
    missing+=(nodejs npm)
fi

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
