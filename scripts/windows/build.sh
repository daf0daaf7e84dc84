#!/usr/bin/env bash
# `make windows`: cross-builds the Windows programs into build-win/ (QELT_WIN_BUILD):
#   1. installs the Debian packages the cross build needs (install-deps.sh --windows);
#   2. fetches the Debian source packages of the libraries the core links (libxlsxwriter,
#      dxflib for the drawing, pugixml for LandXML, PROJ and the SQLite it keeps its database
#      of coordinate systems in for the map files),
#      the versions the Linux build links
#      against, through a private apt configuration under build-win/apt that names only the
#      archive apt already uses;
#   3. cross-builds them and GoogleTest (/usr/src/googletest) into build-win/prefix, with
#      PROJ's proj.db, which the Windows programs find beside themselves;
#   4. configures and builds Qelt with cmake/mingw-w64-x86_64.cmake.
# Each library is rebuilt only when its version, the toolchain file or this script changes, so a
# second run builds only what changed in Qelt itself.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
build=$(realpath -m "${QELT_WIN_BUILD:-build-win}")
prefix=$build/prefix
jobs=${JOBS:-2}
build_type=${BUILD_TYPE:-Release}
toolchain=$repo/cmake/mingw-w64-x86_64.cmake
triplet=x86_64-w64-mingw32

bash scripts/install-deps.sh --windows
mkdir -p "$build" "$prefix/lib/pkgconfig" "$prefix/include"

# What every library in the prefix was built with: a change here rebuilds them.
recipe=$(cat "$toolchain" "$repo/scripts/windows/build.sh" | sha256sum | cut -c1-16)

# Prints the log of a failed step and stops.
fail_with_log() {
    echo "windows: $1 failed; the end of $2:" >&2
    tail -40 "$2" >&2
    exit 1
}

# The source version of the Linux build's package `$1` (a binary rebuild such as "+b1" has the
# same source), so both builds use the same library.
source_version() {
    local version
    version=$(dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null || true)
    if [ -z "$version" ]; then
        version=$(apt-cache show "$1" | sed -n 's/^Version: //p' | head -1)
        version=${version%+b*}
    fi
    echo "$version"
}

apt_dir=$build/apt
apt_options=()
# A private apt configuration with a deb-src line for each archive apt already takes the Linux
# packages from, as `apt-cache policy` names it ("500 http://deb.debian.org/debian
# bookworm/main amd64 Packages"); its lists stay under build-win/apt.
prepare_apt() {
    [ ${#apt_options[@]} -gt 0 ] && return
    rm -rf "$apt_dir"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/source"
    apt-cache policy libxlsxwriter-dev libdxflib-dev libpugixml-dev libsqlite3-dev libproj-dev |
        awk '$2 ~ /^[a-z]+:\/\// && $NF == "Packages" { split($3, s, "/"); print "deb-src", $2, s[1], s[2] }' |
        sort -u >"$apt_dir/sources.list"
    if [ ! -s "$apt_dir/sources.list" ]; then
        echo "windows: no Debian archive found for the libraries (apt-cache policy)" >&2
        exit 1
    fi
    apt_options=(-q -o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
    # As root apt hands downloads to its unprivileged user, who may not write into this folder.
    if [ "$(id -u)" -eq 0 ]; then apt_options+=(-o APT::Sandbox::User=root); fi
    apt-get "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 ||
        fail_with_log "apt-get update (deb-src)" "$apt_dir/update.log"
}

# Fetches and unpacks the Debian source package `$1` at version `$2` (patches applied); sets
# source_dir to where it is.
fetch_source() {
    prepare_apt
    echo "windows: fetching $1 $2 (Debian source package)"
    rm -rf "${apt_dir:?}/source/$1"
    mkdir -p "$apt_dir/source/$1"
    (cd "$apt_dir/source/$1" && apt-get "${apt_options[@]}" source "$1=$2") \
        >"$apt_dir/source-$1.log" 2>&1 || fail_with_log "apt-get source $1" "$apt_dir/source-$1.log"
    source_dir=$(find "$apt_dir/source/$1" -mindepth 1 -maxdepth 1 -type d | head -1)
}

# Configures, builds and installs the CMake project in $2 into the prefix as a static library;
# $1 names it in messages and logs, the rest are its own options.
cmake_library() {
    local name=$1 source=$2 label=$3
    shift 3
    echo "windows: building $label for Windows"
    local log=$build/$name-build.log
    rm -rf "$build/$name-build"
    cmake -S "$source" -B "$build/$name-build" -G "Unix Makefiles" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQELT_WIN_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF "$@" >"$log" 2>&1 || fail_with_log "configuring $label" "$log"
    cmake --build "$build/$name-build" -j "$jobs" --target install >>"$log" 2>&1 ||
        fail_with_log "building $label" "$log"
}

# Compiles a library of a few source files straight into the static library lib$1.a in the
# prefix, without its own build system: $2 is the folder under include/ for its headers (empty
# for include/ itself), $3 the description of the pkg-config file Debian installs for it, the
# rest its .cpp and .c files and headers; $version gives the pkg-config version, the array
# c_options the C compiler's options of its own.
c_options=()
compiled_library() {
    local name=$1 include=${2:+/$2} description=$3 file
    shift 3
    echo "windows: building $name for Windows"
    local log=$build/$name-build.log objects=$build/$name-build
    rm -rf "$objects"
    mkdir -p "$objects" "$prefix/include$include"
    : >"$log"
    for file in "$@"; do
        case $file in
            *.cpp)
                "$triplet-g++-posix" -O2 -c "$file" -o "$objects/$(basename "$file" .cpp).o" \
                    >>"$log" 2>&1 || fail_with_log "building $name" "$log"
                ;;
            *.c)
                "$triplet-gcc-posix" -O2 "${c_options[@]}" -c "$file" \
                    -o "$objects/$(basename "$file" .c).o" >>"$log" 2>&1 ||
                    fail_with_log "building $name" "$log"
                ;;
            *) cp "$file" "$prefix/include$include/" ;;
        esac
    done
    rm -f "$prefix/lib/lib$name.a"
    "$triplet-ar" rcs "$prefix/lib/lib$name.a" "$objects"/*.o
    local upstream=${version%-*}
    cat >"$prefix/lib/pkgconfig/$name.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include$include

Name: $name
Description: $description
Version: ${upstream#*:}
Libs: -L\${libdir} -l$name
Cflags: -I\${includedir}
EOF
}

# --- libxlsxwriter ------------------------------------------------------------------------------
version=$(source_version libxlsxwriter-dev)
stamp=$prefix/.stamp-libxlsxwriter
if [ "$(cat "$stamp" 2>/dev/null)" != "$version $recipe" ]; then
    fetch_source libxlsxwriter "$version"
    # Its own zip code (Debian's binary package uses the system's minizip, which MinGW lacks),
    # its own temporary files in the user's TEMP folder, a static library.
    cmake_library libxlsxwriter "$source_dir" libxlsxwriter -DUSE_SYSTEM_MINIZIP=OFF \
        -DUSE_STANDARD_TMPFILE=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF
    echo "$version $recipe" >"$stamp"
fi

# --- dxflib (the plan drawing) ----------------------------------------------------------------
# Two source files; compiled directly rather than through its autotools build.
version=$(source_version libdxflib-dev)
stamp=$prefix/.stamp-dxflib
if [ "$(cat "$stamp" 2>/dev/null)" != "$version $recipe" ]; then
    fetch_source dxflib "$version"
    compiled_library dxflib dxflib "Library for reading dxf files" \
        "$source_dir"/src/*.cpp "$source_dir"/src/*.h
    echo "$version $recipe" >"$stamp"
fi

# --- pugixml (LandXML) ---------------------------------------------------------------------------
# One source file, compiled directly like dxflib.
version=$(source_version libpugixml-dev)
stamp=$prefix/.stamp-pugixml
if [ "$(cat "$stamp" 2>/dev/null)" != "$version $recipe" ]; then
    fetch_source pugixml "$version"
    compiled_library pugixml "" \
        "Light-weight, simple and fast XML parser for C++ with XPath support." \
        "$source_dir"/src/pugixml.cpp "$source_dir"/src/pugixml.hpp "$source_dir"/src/pugiconfig.hpp
    echo "$version $recipe" >"$stamp"
fi

# --- SQLite (PROJ keeps its coordinate systems in an SQLite database, proj.db) -------------------
# Debian's source package is SQLite's full source tree; its own build generates the one-file
# "amalgamation" sqlite3.c with programs and Tcl scripts that run on this machine, so that step
# runs natively and only sqlite3.c is cross-compiled: thread-safe, as SQLite is by default,
# without loading extensions, which nothing here asks for.
version=$(source_version libsqlite3-dev)
stamp=$prefix/.stamp-sqlite3
if [ "$(cat "$stamp" 2>/dev/null)" != "$version $recipe" ]; then
    fetch_source sqlite3 "$version"
    amalgamation=$build/sqlite3-amalgamation
    rm -rf "$amalgamation"
    mkdir -p "$amalgamation"
    # `make sqlite3.c` writes sqlite3.h and sqlite3ext.h beside it.
    (cd "$amalgamation" && "$source_dir/configure" --disable-tcl --disable-readline &&
        make sqlite3.c) >"$build/sqlite3-amalgamation.log" 2>&1 ||
        fail_with_log "generating sqlite3.c" "$build/sqlite3-amalgamation.log"
    c_options=(-DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION)
    compiled_library sqlite3 "" "SQL database engine" \
        "$amalgamation/sqlite3.c" "$amalgamation/sqlite3.h" "$amalgamation/sqlite3ext.h"
    c_options=()
    echo "$version $recipe" >"$stamp"
fi

# --- PROJ (grid coordinates to longitude and latitude for the map files) -----------------------
# Only the library and its database: no programs, no tests, no grids read from TIFF files or
# fetched over the network (the map files need neither). PROJ generates proj.db from its SQL
# scripts with the sqlite3 program of this machine; the programs find it beside themselves.
version=$(source_version libproj-dev)
stamp=$prefix/.stamp-proj
if [ "$(cat "$stamp" 2>/dev/null)" != "$version $(cat "$prefix/.stamp-sqlite3") $recipe" ]; then
    fetch_source proj "$version"
    rm -f "$prefix/share/proj/proj.db"
    cmake_library proj "$source_dir" PROJ -DENABLE_TIFF=OFF -DENABLE_CURL=OFF \
        -DBUILD_TESTING=OFF -DBUILD_APPS=OFF -DNLOHMANN_JSON=internal \
        -DEXE_SQLITE3="$(command -v sqlite3)" -DSQLITE3_INCLUDE_DIR="$prefix/include" \
        -DSQLITE3_LIBRARY="$prefix/lib/libsqlite3.a"
    if [ ! -s "$prefix/share/proj/proj.db" ]; then
        echo "windows: PROJ installed no proj.db" >&2
        exit 1
    fi
    echo "$version $(cat "$prefix/.stamp-sqlite3") $recipe" >"$stamp"
fi

# --- GoogleTest from the installed sources (libgtest-dev's /usr/src/googletest) ----------------
version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo unknown)
stamp=$prefix/.stamp-googletest
if [ "$(cat "$stamp" 2>/dev/null)" != "$version $recipe" ]; then
    cmake_library googletest /usr/src/googletest GoogleTest -DBUILD_GMOCK=OFF
    echo "$version $recipe" >"$stamp"
fi

# --- Qelt ---------------------------------------------------------------------------------------
# Release is optimised as the Linux build is (-O2), without its debugging symbols: g++ 12's -O3
# warns falsely about std::string concatenation (-Wrestrict), which -Werror makes fatal.
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQELT_WIN_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE="$build_type" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG"
fi
cmake --build "$build" -j "$jobs"
ls -l "$build"/*.exe
