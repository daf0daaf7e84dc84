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

# A new prefix made like the users' PCs: it says it is Windows 10 (the programs need 1903 or
# later; wine 8 says Windows 7 otherwise, and the installer would warn). Chinese Windows programs
# ask for SimSun, NSimSun or Microsoft YaHei by name: draw them with the one CJK font
# install-deps.sh installs, so windows and message boxes show Chinese rather than boxes. A .reg
# file in UTF-16, so the Chinese names arrive whatever the locale; $1 may add further registry
# lines of the prefix's own (written as printf takes them).
qelt_prefix_settings() {
    local reg="$WINEPREFIX/drive_c/qelt-settings.reg"
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine]\r\n"Version"="win10"\r\n\r\n'
        if [ -n "${1:-}" ]; then printf "$1"; fi
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for font in SimSun NSimSun "Microsoft YaHei" "微软雅黑" "宋体" "新宋体"; do
            printf '"%s"="WenQuanYi Micro Hei"\r\n' "$font"
        done
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
    "$qelt_wine" regedit /S 'C:\qelt-settings.reg' >/dev/null 2>&1 </dev/null
    rm -f "$reg"
}

# Wine draws the caption buttons (minimise, maximise, close) with its Marlett font, which
# fonts-wine installs where wine 8 on Debian does not look: without a copy in the prefix's Fonts
# folder the buttons show as letters in boxes. Also for prefixes made before this.
qelt_install_marlett() {
    local marlett=/usr/share/wine/fonts/marlett.ttf
    local fonts=$WINEPREFIX/drive_c/windows/Fonts
    if [ -f "$marlett" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
        cp "$marlett" "$fonts/"
    fi
}
