# Cross-building the Windows programs (64-bit) on Debian with MinGW-w64:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQELT_WIN_PREFIX=...
# The posix flavour of the compiler, because the C++ library's threads and mutexes need it.
# QELT_WIN_PREFIX is where scripts/windows/build.sh installs the cross-built libraries
# (libxlsxwriter, GoogleTest); the test programs run under wine (scripts/windows/wine-run.sh).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QELT_MINGW_TRIPLET x86_64-w64-mingw32)

# A compiler cache where the machine has one: the libraries cross-built from Debian's sources are
# the same on every run, and so is most of Qelt.
find_program(QELT_CCACHE ccache)
if(QELT_CCACHE)
    set(CMAKE_C_COMPILER_LAUNCHER ${QELT_CCACHE})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${QELT_CCACHE})
endif()
set(CMAKE_C_COMPILER ${QELT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QELT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QELT_MINGW_TRIPLET}-windres)

# Try-compiles see the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QELT_WIN_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${QELT_MINGW_TRIPLET})
if(QELT_WIN_PREFIX)
    list(PREPEND CMAKE_FIND_ROOT_PATH ${QELT_WIN_PREFIX})
    list(PREPEND CMAKE_PREFIX_PATH ${QELT_WIN_PREFIX})
    # pkg-config must describe the Windows libraries, never the machine's own.
    set(ENV{PKG_CONFIG_LIBDIR}
        "${QELT_WIN_PREFIX}/lib/pkgconfig:/usr/${QELT_MINGW_TRIPLET}/lib/pkgconfig")
    set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs are run by ctest through wine, in a prefix of the build folder's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh)
