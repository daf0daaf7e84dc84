#!/usr/bin/env bash
# `make windows-package`: what a Windows user downloads, made from the Windows build:
#   <build>/qelt-<version>-win64.zip    unpack anywhere and run, nothing installed
#   <build>/qelt-<version>-setup.exe    the NSIS installer (packaging/windows/qelt.nsi)
# Both hold the same folder: qelt.exe and qelt-cli.exe without their debugging symbols, the
# manual as help\qelt.html (where qelt.exe looks for it), the examples and 使用说明.txt, and
# PROJ's database proj.db, which the programs look for beside themselves to draw the maps.
#
# usage: package.sh BUILD_FOLDER VERSION [PROJ_DB]
# The Windows build's CMake runs it (target windows-package) with the project's own version
# and, as the programs link PROJ, its proj.db.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
version=$2
proj_db=${3:-}
name=qelt-$version-win64
work=$build/package
stage=$work/$name
triplet=x86_64-w64-mingw32

rm -rf "$work"
mkdir -p "$stage/help"
for exe in qelt.exe qelt-cli.exe; do
    if [ ! -f "$build/$exe" ]; then
        echo "package: $build/$exe is missing (make windows builds it)" >&2
        exit 1
    fi
    # Symbols serve debugging here only: stripped, the programs are half their size, and a sixth
    # where the build carries debugging information.
    "$triplet-strip" --strip-all -o "$stage/$exe" "$build/$exe"
done
cp "$repo/help/qelt.html" "$stage/help/"
if [ -n "$proj_db" ]; then
    cp "$proj_db" "$stage/proj.db"
fi
cp -r "$repo/examples" "$stage/examples"
# The programs link their libraries statically: each one's copyright and licence goes with them,
# as Debian gives it for the source the cross build compiled (dxflib GPL-2+, the others
# permissive). Notepad-readable, as 使用说明.txt.
mkdir -p "$stage/licences"
for pair in libxlsxwriter-dev:libxlsxwriter libdxflib-dev:dxflib libpugixml-dev:pugixml \
    libproj-dev:proj libsqlite3-dev:sqlite libz-mingw-w64-dev:zlib \
    mingw-w64-x86-64-dev:mingw-w64-runtime; do
    copyright=/usr/share/doc/${pair%%:*}/copyright
    if [ ! -f "$copyright" ]; then
        echo "package: $copyright is missing (install-deps.sh --windows installs it)" >&2
        exit 1
    fi
    sed 's/$/\r/' "$copyright" >"$stage/licences/${pair#*:}.txt"
done
# 使用说明.txt is opened with Notepad: UTF-8 with its byte-order mark and CR LF line ends, which
# every Notepad since Windows 7 reads as UTF-8, not as the ANSI code page.
{
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$repo/packaging/windows/readme-zh.txt"
} >"$stage/使用说明.txt"

# The zip, its entries under one folder so that unpacking makes one; names are stored in UTF-8
# and flagged so (7-Zip, WinRAR, Bandizip and Windows 10's Explorer read them as such).
python3 - "$stage" "$work/$name.zip" <<'PYTHON'
import os, sys, zipfile
stage, target = sys.argv[1:]
base = os.path.dirname(stage)
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for folder, dirs, files in os.walk(stage):
        dirs.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            z.write(path, os.path.relpath(path, base))
PYTHON

# What the uninstaller removes: exactly what the installer put there, files first, then their
# folders deepest first (RMDir keeps a folder the user has put something of his own in).
file_list=$work/uninstall-files.nsh
{
    printf '\xef\xbb\xbf'
    (cd "$stage" && find . -type f | sort) | while read -r path; do
        path=${path#./}
        printf 'Delete "$INSTDIR\\%s"\n' "${path//\//\\}"
    done
    (cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r path; do
        path=${path#./}
        printf 'RMDir "$INSTDIR\\%s"\n' "${path//\//\\}"
    done
} >"$file_list"

# Windows' file version has four numbers; the project's may have two or three.
IFS=. read -r v1 v2 v3 v4 _ <<<"$version"
version4=${v1:-0}.${v2:-0}.${v3:-0}.${v4:-0}
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DVERSION4="$version4" -DSTAGE="$stage" \
    -DOUTFILE="$work/qelt-$version-setup.exe" -DFILE_LIST="$file_list" \
    "$repo/packaging/windows/qelt.nsi"

# Into place only when both are made, so that a failed run leaves no half of a release.
mv -f "$work/$name.zip" "$build/$name.zip"
mv -f "$work/qelt-$version-setup.exe" "$build/qelt-$version-setup.exe"
ls -l "$build/$name.zip" "$build/qelt-$version-setup.exe"
