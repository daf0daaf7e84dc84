#!/usr/bin/env bash
# Times a borehole table of N boreholes (default 1,000,000) on a main line of 50 JDs end to end
# with qelt-cli, against qelt-raw-xlsx writing the same workbook (cells taken from qelt-cli's
# CSV) with libxlsxwriter alone, and reports the ratio and the peak memory of both.
#   scripts/bench-table.sh [N [RUNS]]
#   scripts/bench-table.sh check      (the read-back alone, on a small table: a ctest test)
# RUNS paired runs (default 5), the two programs in turn, the order swapped every other pair; the
# figures are medians: wall time, CPU time (user + system, steadier than wall time on a machine
# shared with other work) and the ratio of each pair. Before timing, a table of 2,000 boreholes
# is written by both and read back (tests/xlsx_readback.py): the yardstick must hold the same
# cells with the same formats, or the ratio would compare different work.
# QELT_BUILD names the build folder (default build); QELT_CALLGRIND=M counts the instructions of
# both for a table of M boreholes as well (valgrind's callgrind: independent of the load).
set -euo pipefail
cd "$(dirname "$0")/.."
check_only=false
if [[ ${1:-} == check ]]; then
    check_only=true
    shift
fi
n=${1:-1000000}
runs=${2:-5}
bin=${QELT_BUILD:-build}
project=大表测试  # the project line make-large-input.py writes
dir=$(mktemp -d /tmp/qelt-bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT

table() {  # input folder, output .xlsx, extra options...
    local in=$1 out=$2
    shift 2
    "$bin/qelt-cli" table --method jd --alignment "$in/jd.txt" --chain-breaks "$in/dl.txt" \
        --boreholes "$in/boreholes.txt" --output "$out" "$@" > /dev/null
}

# The yardstick writes what qelt-cli writes: groups of several sizes over several pages (the
# page lines, the gaps between groups on a page's edge), written by both and read back.
if $check_only; then checked=300; else checked=2000; fi
/usr/bin/python3 scripts/make-large-input.py "$dir/check" "$checked" 37 12 > /dev/null
table "$dir/check" "$dir/check/cli.xlsx" --csv "$dir/check/cli.csv"
"$bin/qelt-raw-xlsx" "$dir/check/cli.csv" "$dir/check/raw.xlsx" "$project"
/usr/bin/python3 tests/xlsx_readback.py "$dir/check/cli.xlsx" > "$dir/check/cli.txt"
/usr/bin/python3 tests/xlsx_readback.py "$dir/check/raw.xlsx" > "$dir/check/raw.txt"
if ! cmp -s "$dir/check/cli.txt" "$dir/check/raw.txt"; then
    echo "qelt-raw-xlsx does not write the workbook qelt-cli writes:" >&2
    diff "$dir/check/cli.txt" "$dir/check/raw.txt" | head -20 >&2
    exit 1
fi
echo "yardstick    same cells and formats as qelt-cli ($checked boreholes read back)"
$check_only && exit 0

/usr/bin/python3 scripts/make-large-input.py "$dir" "$n" 100 50
table "$dir" "$dir/unused.xlsx" --csv "$dir/table.csv"

measure() {  # label, command...: appends "wall cpu kb" to $dir/label
    local label=$1
    shift
    /usr/bin/time -f "%e %U %S %M" -o "$dir/time" "$@" > /dev/null
    read -r wall user sys kb < "$dir/time"
    echo "$wall $(echo "$user + $sys" | bc -l) $kb" >> "$dir/$label"
}
cli() { measure qelt-cli "$bin/qelt-cli" table --method jd --alignment "$dir/jd.txt" \
    --chain-breaks "$dir/dl.txt" --boreholes "$dir/boreholes.txt" --output "$dir/table.xlsx"; }
raw() { measure raw-xlsx "$bin/qelt-raw-xlsx" "$dir/table.csv" "$dir/raw.xlsx" "$project"; }
for ((i = 0; i < runs; i++)); do
    if ((i % 2 == 0)); then cli; raw; else raw; cli; fi
done

median() { sort -g | awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
column() { awk -v c="$2" '{print $c}' "$dir/$1"; }
for label in qelt-cli raw-xlsx; do
    printf '%-12s %8.2f s wall  %8.2f s CPU  %8.1f MB peak   (medians of %d; peak the largest)\n' \
        "$label" "$(column "$label" 1 | median)" "$(column "$label" 2 | median)" \
        "$(column "$label" 3 | sort -g | tail -1 | awk '{print $1 / 1024}')" "$runs"
done
printf 'ratio        %8.3f wall (median of the %d paired ratios)\n' \
    "$(paste -d ' ' "$dir/qelt-cli" "$dir/raw-xlsx" | awk '{print $1 / $4}' | median)" "$runs"
printf 'ratio        %8.3f CPU\n' \
    "$(paste -d ' ' "$dir/qelt-cli" "$dir/raw-xlsx" | awk '{print $2 / $5}' | median)"
ls -l "$dir/table.xlsx" "$dir/raw.xlsx" | awk '{printf "%-40s %d bytes\n", $NF, $5}'

if [[ -n ${QELT_CALLGRIND:-} ]]; then
    m=$QELT_CALLGRIND
    /usr/bin/python3 scripts/make-large-input.py "$dir/cg" "$m" 100 50
    table "$dir/cg" "$dir/cg/unused.xlsx" --csv "$dir/cg/table.csv"
    count() {  # command...: prints the instructions callgrind counted
        valgrind --tool=callgrind --callgrind-out-file="$dir/cg/out" "$@" 2>&1 > /dev/null |
            awk '/Collected/ {print $NF}'
    }
    c=$(count "$bin/qelt-cli" table --method jd --alignment "$dir/cg/jd.txt" \
        --chain-breaks "$dir/cg/dl.txt" --boreholes "$dir/cg/boreholes.txt" \
        --output "$dir/cg/table.xlsx")
    r=$(count "$bin/qelt-raw-xlsx" "$dir/cg/table.csv" "$dir/cg/raw.xlsx" "$project")
    printf 'instructions %15s qelt-cli  %15s raw-xlsx  ratio %.3f  (%d boreholes)\n' \
        "$c" "$r" "$(echo "$c / $r" | bc -l)" "$m"
fi
