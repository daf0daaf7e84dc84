#!/usr/bin/env bash
# Smoke test of the Windows desktop program qelt.exe under wine, on a virtual X screen:
#   0. qelt_win_tests.exe (beside qelt.exe, where built) with a display, so that its checks of
#      the windows against their description run rather than skip;
#   1. start-up: the main window "Qelt V2.0" centred a third of the free height from the top,
#      the two promotional windows "休息一下，马上回来！" against the left and the right edge;
#   2. five seconds later both have docked (slid out of sight but for a strip), and the left one
#      comes back when the cursor enters its strip;
#   3. the coordinate table of the main-line example through the three open-file dialogs: the
#      workbook appears beside the borehole file and the box saying where it is (nothing opens
#      .xlsx files under wine) names it; a ramp (two dialogs) with a lettered station gets the
#      box "数据有误" and still delivers its rows; a cancelled dialog gets no box; a
#      LandXML file with two alignments asks for the list, then shows 选择线路, its main line the table;
#      线形表 on the ramp (one dialog) writes both line tables beside the alignment file;
#   4. the main window's close box leaves the promotional windows (and the program) running; a
#      double click on a promotional window's caption strip closes that one alone; Image2 on the
#      other then ends the program.
# Screenshots of each stage go to the output folder for a person to look at.
#
# usage: tests/win/gui_smoke.sh [--no-table]
#   QELT_WIN_BUILD   the Windows build folder holding qelt.exe (default: build-win beside this
#                    checkout); the wine prefix of this test is $QELT_WIN_BUILD/wineprefix-gui
#   QELT_EXE         the program to test (default: $QELT_WIN_BUILD/qelt.exe)
#   QELT_SMOKE_OUT   where screenshots and the log go (default: $QELT_WIN_BUILD/gui-smoke)
# exit status: 0 passed, 1 failed, 77 skipped (Xvfb, xdotool, ImageMagick's import or wine
# missing).
#
# The test has a wine prefix of its own, not the one the console tests share: its windows are
# framed by wine itself (no window manager runs on the virtual screen), and its wine server must
# be started on that screen, or wine takes the screen for 1024 × 768.
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${QELT_WIN_BUILD:-$repo/build-win}")
out=$(realpath -m "${QELT_SMOKE_OUT:-$build/gui-smoke}")
exe=$(realpath -m "${QELT_EXE:-$build/qelt.exe}")
run_table=1
[ "${1:-}" = "--no-table" ] && run_table=0

# The wine of the console tests (loader, server, quiet debugging, no menu entries), with a
# prefix of this test's own.
QELT_WIN_BUILD=$build source "$repo/scripts/windows/wine-env.sh"
export WINEPREFIX=$build/wineprefix-gui
wine=$qelt_wine
wineserver=$qelt_wineserver

for tool in Xvfb xdotool import; do
    if ! command -v "$tool" >/dev/null; then
        echo "gui_smoke: SKIP: $tool is not installed" >&2
        exit 77
    fi
done
if [ -z "$wine" ] || [ -z "$wineserver" ]; then
    echo "gui_smoke: SKIP: wine is not installed" >&2
    exit 77
fi
if [ ! -f "$exe" ]; then
    echo "gui_smoke: FAIL: $exe not found (make windows builds it)" >&2
    exit 1
fi

mkdir -p "$out"
rm -f "$out"/*.png
log=$out/gui_smoke.log
: >"$log"
failures=0
say() { echo "gui_smoke: $*" | tee -a "$log"; }
fail() {
    say "FAIL: $*"
    failures=$((failures + 1))
}

# --- the virtual screen and cleaning up after ourselves ------------------------------------------
screen_w=1280
screen_h=800
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -nolisten tcp 3>"$display_file" \
    >>"$log" 2>&1 &
xvfb_pid=$!
qelt_pid=
cleanup() {
    [ -n "$qelt_pid" ] && kill "$qelt_pid" 2>/dev/null
    "$wineserver" -k 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    rm -f "$display_file"
}
trap cleanup EXIT
for _ in $(seq 50); do
    [ -s "$display_file" ] && break
    sleep 0.1
done
if [ ! -s "$display_file" ]; then
    echo "gui_smoke: FAIL: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=:$(head -1 "$display_file")
say "screen $DISPLAY ${screen_w}x${screen_h}, prefix $WINEPREFIX"

# --- the prefix: made once, on the virtual screen ------------------------------------------------
"$wineserver" -k 2>/dev/null  # a server of this prefix left on another screen
if [ ! -f "$WINEPREFIX/.qelt-gui-prefix" ]; then
    say "making the wine prefix"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >>"$log" 2>&1 </dev/null
    # Wine draws the window frames itself (no window manager runs on the virtual screen).
    qelt_prefix_settings '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Decorated"="N"\r\n\r\n'
    "$wineserver" -w
    touch "$WINEPREFIX/.qelt-gui-prefix"
fi
qelt_install_marlett

# --- helpers ------------------------------------------------------------------------------------
# Visible windows named exactly $1, one id a line.
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
# Waits up to $2 seconds for $3 (default 1) visible windows named $1.
wait_for() {
    local name=$1 seconds=$2 count=${3:-1}
    for _ in $(seq $((seconds * 5))); do
        [ "$(windows_named "$name" | wc -l)" -ge "$count" ] && return 0
        sleep 0.2
    done
    return 1
}
# Sets X Y W H of window $1 (outer rectangle: wine draws the frame inside the X window).
geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    X=$X Y=$Y W=$WIDTH H=$HEIGHT
}
near() { [ $(($1 - $2)) -le 1 ] && [ $(($2 - $1)) -le 1 ]; }
shot() {
    import -window root "$out/$1.png" 2>>"$log"
    say "screenshot $out/$1.png"
}
# Clicks client point ($2, $3) of window $1 whose client area is $4 pixels wide and $5 high.
click_client() {
    geometry "$1"
    local border=$(((W - $4) / 2))
    local caption=$((H - $5 - border))
    xdotool mousemove $((X + border + $2)) $((Y + caption + $3)) click 1
}
# Press OK in the box titled $1, which must appear within $2 seconds. A box that takes a
# moment to be ready for keys (a long text, the first use of a library behind it) may let the
# first Return go by: it is pressed again, a few times, until the box has gone.
dismiss() {
    local box
    wait_for "$1" "$2" || return 1
    for _ in 1 2 3 4 5; do
        box=$(windows_named "$1" | head -1)
        [ -n "$box" ] || return 0
        xdotool windowfocus --sync "$box" 2>/dev/null
        sleep 0.3
        xdotool key Return
        sleep 0.7
    done
    [ -z "$(windows_named "$1")" ]
}
# Types path $2 into the open-file dialog titled $1 and opens it.
answer_dialog() {
    local dialog
    wait_for "$1" 30 || return 1
    dialog=$(windows_named "$1" | head -1)
    xdotool windowfocus --sync "$dialog" 2>/dev/null
    sleep 0.5
    xdotool type --delay 20 "$2"
    xdotool key Return
}

# --- 0. the windows against their description (qelt_win_tests.exe, where built) ---------------
tests_exe=$(dirname "$exe")/qelt_win_tests.exe
if [ -f "$tests_exe" ]; then
    if (cd "$(dirname "$exe")" && "$wine" "$tests_exe") >>"$log" 2>&1; then
        say "qelt_win_tests.exe passed on the virtual screen"
    else
        fail "qelt_win_tests.exe failed on the virtual screen (its output is in $log)"
    fi
fi

# --- 1. start-up --------------------------------------------------------------------------------
work=$WINEPREFIX/drive_c/qelt-smoke
rm -rf "$work"
mkdir -p "$work"
cp "$repo"/examples/*.txt "$work"/
(cd "$(dirname "$exe")" && exec "$wine" "$exe") >>"$log" 2>&1 &
qelt_pid=$!
if ! wait_for "Qelt V2.0" 90 || ! wait_for "休息一下，马上回来！" 30 2; then
    shot startup-failed
    fail "the main window and the two promotional windows did not appear"
    exit 1
fi
shot startup
main=$(windows_named "Qelt V2.0" | head -1)
geometry "$main"
say "main window at $X,$Y, ${W}x$H"
near "$X" $(((screen_w - W) / 2)) || fail "main window not centred across the screen (x $X)"
near "$Y" $(((screen_h - H) / 3)) || fail "main window not a third of the free height down (y $Y)"
[ "$W" -ge 405 ] && [ "$W" -le 425 ] && [ "$H" -ge 136 ] && [ "$H" -le 173 ] ||
    fail "main window is ${W}x$H, not 405 × 136 inside its frame"
left_promo=
right_promo=
for promo in $(windows_named "休息一下，马上回来！"); do
    geometry "$promo"
    say "promotional window at $X,$Y, ${W}x$H"
    near "$Y" $(((screen_h - H) / 3)) || fail "promotional window not a third of the free height down"
    if near "$X" 0; then
        left_promo=$promo
    elif near $((X + W)) "$screen_w"; then
        right_promo=$promo
    fi
done
[ -n "$left_promo" ] || fail "no promotional window against the left edge"
[ -n "$right_promo" ] || fail "no promotional window against the right edge"

# --- 2. docking ---------------------------------------------------------------------------------
xdotool mousemove $((screen_w / 2)) $((screen_h - 20))
sleep 7
shot docked
if [ -n "$left_promo" ]; then
    geometry "$left_promo"
    [ $((X + W)) -le 4 ] || fail "the left promotional window did not dock (x $X)"
    xdotool mousemove 1 $((Y + H / 2))
    sleep 1
    geometry "$left_promo"
    near "$X" -1 || fail "the left promotional window did not come back (x $X)"
    shot left-brought-out
    xdotool mousemove $((screen_w / 2)) $((screen_h - 20))
fi
if [ -n "$right_promo" ]; then
    geometry "$right_promo"
    [ "$X" -ge $((screen_w - 4)) ] || fail "the right promotional window did not dock (x $X)"
fi

# --- 3. the coordinate table --------------------------------------------------------------------
if [ "$run_table" = 1 ]; then
    click_client "$main" 248 28 405 136  # 坐标表 (Command1)
    answer_dialog "读取平面资料" 'C:\qelt-smoke\mainline-jd.txt' || fail "no dialog 读取平面资料"
    answer_dialog "读取断链资料" 'C:\qelt-smoke\mainline-dl.txt' || fail "no dialog 读取断链资料"
    answer_dialog "读取钻孔资料" 'C:\qelt-smoke\mainline-boreholes.txt' || fail "no dialog 读取钻孔资料"
    workbook=$work/mainline-boreholes_钻孔数量及位置表.xlsx
    if wait_for "钻孔数量及位置表" 60; then
        shot workbook-written
        dismiss "钻孔数量及位置表" 5 || fail "the box saying where the workbook is did not close"
    else
        shot workbook-failed
        fail "no box saying where the workbook is"
    fi
    # Then the box saying where the plan drawing and the stakeout file are, and why no map
    # came (the example's Y carries no zone number).
    if wait_for "提示" 30; then
        shot notice-box
        dismiss "提示" 5 || fail "the box saying where the plan drawing is did not close"
    else
        fail "no box saying where the plan drawing is"
    fi
    [ -f "$work/mainline-boreholes_放样点.dat" ] || fail "no stakeout file beside the workbook"
    [ -f "$work/mainline-boreholes_钻孔平面布置图.dxf" ] || fail "no plan drawing beside the workbook"
    if [ "$(head -c 2 "$workbook" 2>/dev/null)" != "PK" ]; then
        fail "no workbook $workbook"
    elif [ -x /usr/bin/python3 ] && /usr/bin/python3 -c 'import openpyxl' 2>/dev/null; then
        rows=$(/usr/bin/python3 - "$workbook" <<'EOF'
import sys, openpyxl
sheet = openpyxl.load_workbook(sys.argv[1]).active
print(sum(1 for row in sheet.iter_rows(values_only=True) if isinstance(row[0], int)))
EOF
        )
        [ "$rows" = 15 ] || fail "the workbook has $rows borehole rows, not 15"
        say "workbook $workbook: $rows borehole rows"
    fi
fi

# --- 3b. a ramp with a lettered station, and a cancelled dialog ----------------------------------
if [ "$run_table" = 1 ]; then
    # 积木法―互通: two dialogs only; a lettered station is refused ("数据有误"): the rows so far
    # are delivered as a table named and headed 未完成, and no drawing or stakeout of part of
    # the holes.
    printf '某互通\n桥 2\n100 0\nA150 0\n' >"$work/lettered.txt"
    click_client "$main" 60 56 405 136  # Option2
    click_client "$main" 248 28 405 136  # 坐标表
    answer_dialog "读取平面资料" 'C:\qelt-smoke\ramp-elements.txt' || fail "no dialog 读取平面资料"
    answer_dialog "读取钻孔资料" 'C:\qelt-smoke\lettered.txt' || fail "the ramp asked for another file"
    if wait_for "数据有误" 60; then
        shot data-message
        dismiss "数据有误" 5
    else
        fail "no box 数据有误 for the lettered station"
    fi
    dismiss "钻孔数量及位置表" 30 || fail "no box saying where the ramp's workbook is"
    if wait_for "提示" 30; then
        sleep 3  # wine paints a box some time after it maps it
        shot incomplete-set
        dismiss "提示" 5
    else
        fail "no box saying that no drawing or stakeout was made of the incomplete set"
    fi
    [ -f "$work/lettered_钻孔数量及位置表（未完成）.xlsx" ] ||
        fail "the rows before the refused station were not delivered as an incomplete table"
    [ ! -e "$work/lettered_放样点.dat" ] || fail "a stakeout file was made of an incomplete set"
    # The JD file given to 积木法: the box keeps the system's sentence and says where, why,
    # and which method the file belongs to.
    click_client "$main" 248 28 405 136  # 坐标表 (积木法 still chosen)
    answer_dialog "读取平面资料" 'C:\qelt-smoke\mainline-jd.txt' || fail "no dialog 读取平面资料"
    if wait_for "错误" 30; then
        sleep 3  # wine paints a box some time after it maps it
        shot other-method
        dismiss "错误" 5
    else
        # The refusal may come after the borehole dialog: cancel it.
        xdotool key Escape
        wait_for "错误" 30 && sleep 1 && shot other-method && dismiss "错误" 5 ||
            fail "no box 错误 for a JD file given to 积木法"
    fi
    # A borehole file refused on its second line: the error box, then a box saying that
    # nothing was written, and no file at all.
    printf '某互通\n桥 二\n100 0\n' >"$work/refused.txt"
    click_client "$main" 248 28 405 136  # 坐标表
    answer_dialog "读取平面资料" 'C:\qelt-smoke\ramp-elements.txt' || fail "no dialog 读取平面资料"
    answer_dialog "读取钻孔资料" 'C:\qelt-smoke\refused.txt' || fail "no dialog 读取钻孔资料"
    if wait_for "错误" 60; then
        sleep 3  # wine paints a box some time after it maps it
        shot refused-list
        dismiss "错误" 5
    else
        fail "no box 错误 for a borehole file refused on its second line"
    fi
    if wait_for "提示" 30; then
        sleep 3  # wine paints a box some time after it maps it
        shot nothing-written
        dismiss "提示" 5
    else
        fail "no box saying that no borehole was written"
    fi
    ls "$work"/refused_* >/dev/null 2>&1 && fail "a run that wrote no borehole left files: $(ls "$work"/refused_*)"
    # A cancelled dialog ends the run quietly: no box "错误", and nothing written.
    click_client "$main" 248 28 405 136  # 坐标表
    if wait_for "读取平面资料" 30; then
        xdotool windowfocus --sync "$(windows_named "读取平面资料" | head -1)" 2>/dev/null
        sleep 0.5
        xdotool key Escape
        if wait_for "错误" 5; then
            shot error-box
            dismiss "错误" 5
            fail "a box 错误 after a cancelled dialog"
        fi
    else
        fail "no dialog 读取平面资料"
    fi
    # 坐标反算 (Command2) on the ramp: the points file last, the as-drilled table beside it.
    click_client "$main" 248 92 405 136  # 坐标反算
    answer_dialog "读取平面资料" 'C:\qelt-smoke\ramp-elements.txt' || fail "no dialog 读取平面资料"
    answer_dialog "读取实测坐标资料" 'C:\qelt-smoke\ramp-points.txt' || fail "no dialog 读取实测坐标资料"
    dismiss "钻孔桩号及偏距表" 60 || fail "no box saying where the as-drilled table is"
    dismiss "提示" 30 || fail "no box saying where the as-drilled points' stakeout file is"
    [ -f "$work/ramp-points_钻孔桩号及偏距表.xlsx" ] || fail "no as-drilled table beside the points file"
    # 线形表 (Command3) on the ramp: the alignment's dialog only, then the 线元表 (the box saying
    # where, as nothing opens it under wine) and the 逐桩坐标表 (the box 提示 saying where).
    click_client "$main" 341 92 405 136  # 线形表
    answer_dialog "读取平面资料" 'C:\qelt-smoke\ramp-elements.txt' || fail "no dialog 读取平面资料"
    if wait_for "线元表" 60; then
        shot line-tables-written
        dismiss "线元表" 5
    else
        fail "no box saying where the 线元表 is"
    fi
    dismiss "提示" 30 || fail "no box saying where the 逐桩坐标表 is"
    for table in 线元表 逐桩坐标表; do
        [ "$(head -c 2 "$work/ramp-elements_$table.xlsx" 2>/dev/null)" = PK ] ||
            fail "no $table beside the alignment file"
    done
fi

# --- 3c. a LandXML interchange file: the line chosen from the list -------------------------------
if [ "$run_table" = 1 ]; then
    # The main line carries its station equations: after the list, no chain-break dialog.
    cp "$repo/examples/interchange.xml" "$work/"
    click_client "$main" 60 28 405 136  # Option1 (the file is LandXML whatever the method)
    click_client "$main" 248 28 405 136  # 坐标表
    answer_dialog "读取平面资料" 'C:\qelt-smoke\interchange.xml' || fail "no dialog 读取平面资料"
    # The list comes first: a list whose groups name their lines would say which line it is on.
    answer_dialog "读取钻孔资料" 'C:\qelt-smoke\mainline-boreholes.txt' ||
        fail "the LandXML file of two lines did not ask for the borehole list"
    if wait_for "选择线路" 30; then
        shot landxml-list
        xdotool windowfocus --sync "$(windows_named "选择线路" | head -1)" 2>/dev/null
        sleep 0.3
        xdotool key Return  # the first line, 主线, is selected
        dismiss "钻孔数量及位置表" 60 || fail "no box saying where the LandXML line's workbook is"
        dismiss "提示" 30 || fail "no box saying where the LandXML line's drawing is"
        [ -f "$work/mainline-boreholes_钻孔数量及位置表 (2).xlsx" ] ||
            fail "no workbook from the LandXML line beside the borehole file"
    else
        shot landxml-failed
        fail "no list of the LandXML file's alignments"
    fi
fi

# --- 4. the close box, then Image2 --------------------------------------------------------------
sleep 1
for _ in 1 2 3; do
    [ "$(windows_named "Qelt V2.0" | wc -l)" -eq 0 ] && break
    geometry "$main"
    # Wine's close box, top right; pressed and released apart, as a hand does (wine follows
    # the button in a loop of its own between the two).
    xdotool mousemove $((X + W - 10)) $((Y + 10)) mousedown 1
    sleep 0.3
    xdotool mouseup 1
    sleep 2
done
[ "$(windows_named "Qelt V2.0" | wc -l)" -eq 0 ] || fail "the close box did not close the main window"
[ "$(windows_named "休息一下，马上回来！" | wc -l)" -eq 2 ] ||
    fail "closing the main window closed a promotional window"
kill -0 "$qelt_pid" 2>/dev/null || fail "closing the main window ended the program"
shot main-closed
if [ -n "$right_promo" ]; then
    geometry "$right_promo"
    xdotool mousemove $((screen_w - 2)) $((Y + H / 2))  # out of the edge first
    sleep 1
    geometry "$right_promo"
    border=$(((W - 240) / 2))
    xdotool mousemove $((X + border + 100)) $((Y + H - 300 - border + 10)) click --repeat 2 --delay 80 1
    sleep 2
    [ "$(windows_named "休息一下，马上回来！" | wc -l)" -eq 1 ] ||
        fail "a double click on Label1 did not close that promotional window alone"
    kill -0 "$qelt_pid" 2>/dev/null || fail "closing the last but one window ended the program"
fi
if [ -n "$left_promo" ]; then
    geometry "$left_promo"
    xdotool mousemove 1 $((Y + H / 2))  # out of the edge first
    sleep 1
    click_client "$left_promo" 228 10 240 300  # Image2
    for _ in $(seq 75); do
        kill -0 "$qelt_pid" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$qelt_pid" 2>/dev/null; then
        fail "Image2 did not end the program"
    else
        wait "$qelt_pid" 2>/dev/null
        qelt_pid=
    fi
fi

if [ "$failures" -gt 0 ]; then
    say "$failures failure(s); screenshots and log in $out"
    exit 1
fi
say "passed; screenshots in $out"
