#!/usr/bin/env bash
# Times a borehole table of N boreholes (default 1,000,000) on a main line of 50 JDs end to end
# with qelt-cli, against qelt-raw-xlsx writing the same cells (taken from qelt-cli's CSV) with
# libxlsxwriter alone, and reports wall time and peak memory of both.
#   scripts/bench-table.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-1000000}
bin=${QELT_BUILD:-build}   # the build folder whose qelt-cli and qelt-raw-xlsx are timed
dir=$(mktemp -d /tmp/qelt-bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT
/usr/bin/python3 scripts/make-large-input.py "$dir" "$n" 100 50

measure() {  # label, command...: prints wall seconds and peak resident memory
    local label=$1
    shift
    /usr/bin/time -f "%e %M" -o "$dir/time" "$@" > /dev/null
    read -r seconds kb < "$dir/time"
    printf '%-12s %8.2f s  %8.1f MB peak\n' "$label" "$seconds" "$(echo "$kb / 1024" | bc -l)"
    echo "$seconds"  > "$dir/$label.s"
}

measure qelt-cli "$bin/qelt-cli" table --method jd --alignment "$dir/jd.txt" \
    --chain-breaks "$dir/dl.txt" --boreholes "$dir/boreholes.txt" --output "$dir/table.xlsx"
"$bin/qelt-cli" table --method jd --alignment "$dir/jd.txt" --chain-breaks "$dir/dl.txt" \
    --boreholes "$dir/boreholes.txt" --output "$dir/unused.xlsx" --csv "$dir/table.csv" > /dev/null
measure raw-xlsx "$bin/qelt-raw-xlsx" "$dir/table.csv" "$dir/raw.xlsx"
printf 'ratio        %8.2f\n' "$(echo "$(cat "$dir/qelt-cli.s") / $(cat "$dir/raw-xlsx.s")" | bc -l)"
ls -l "$dir/table.xlsx" "$dir/raw.xlsx" | awk '{printf "%-40s %d bytes\n", $NF, $5}'
