# Sourced by the scripts that run the Windows build under wine. Wine always gets a prefix of the
# Windows build folder's own (QELT_WIN_BUILD, default build-win beside this checkout), never the
# user's ~/.wine; its debugging chatter is switched off, the .NET and browser engines that a
# new prefix would offer to install are not wanted by a console program, and the shortcuts the
# installer's test makes stay inside the prefix rather than becoming menu entries of the
# machine's own desktop (winemenubuilder).
qelt_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QELT_WIN_BUILD=$(realpath -m "${QELT_WIN_BUILD:-$qelt_repo/build-win}")
export QELT_WIN_BUILD
export WINEPREFIX="$QELT_WIN_BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The 64-bit loader itself: Debian's `wine` starter warns on stderr when the 32-bit half is
# missing, which would mix into the programs' own messages that the tests compare.
if [ -x /usr/lib/wine/wine64 ]; then
    qelt_wine=/usr/lib/wine/wine64
    export WINELOADER=$qelt_wine
else
    qelt_wine=$(command -v wine64 || command -v wine)
fi
if [ -x /usr/lib/wine/wineserver64 ]; then
    export WINESERVER=/usr/lib/wine/wineserver64
    qelt_wineserver=$WINESERVER
else
    qelt_wineserver=$(command -v wineserver)
fi
