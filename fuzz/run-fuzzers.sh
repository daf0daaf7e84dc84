#!/bin/bash
# Builds the fuzz targets into build-fuzz/ and runs each of them for the given number of seconds
# (default 60), two at a time, with AddressSanitizer and UndefinedBehaviorSanitizer.
#   bash fuzz/run-fuzzers.sh [seconds]        (or: make fuzz FUZZ_SECONDS=600)
# Seeds: the bundled examples, fuzz/corpus/<target>/ and a generated seed of one long line per
# target (build-fuzz/seeds/long/<target>/). The growing corpus stays in
# build-fuzz/corpus/<target>/, crashes in build-fuzz/artifacts/<target>/, logs in build-fuzz/logs/.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz

if ! command -v clang++ >/dev/null; then
    echo "fuzz: clang++ not found; the fuzz targets need clang and libFuzzer" >&2
    exit 1
fi
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j 2

# The run targets read "alignment<FF>chain breaks<FF>boreholes" (jd) and
# "elements<FF>boreholes" (ht): the examples joined that way.
for folder in examples examples/utf8; do
    ex=$root/$folder
    tag=${folder//\//-}
    mkdir -p "$build/seeds/run_jd" "$build/seeds/run_ht"
    { cat "$ex/mainline-jd.txt"; printf '\f'; cat "$ex/mainline-dl.txt"; printf '\f'
      cat "$ex/mainline-boreholes.txt"; } >"$build/seeds/run_jd/$tag"
    { cat "$ex/ramp-elements.txt"; printf '\f'; cat "$ex/ramp-boreholes.txt"; } \
        >"$build/seeds/run_ht/$tag"
done

# A seed of one long line for every target: a reader that looks ahead to the line's end from
# each character is quadratic, and only an input this long makes it run past -timeout.
long_line() {
    local target=$1 head=$2 piece=$3
    mkdir -p "$build/seeds/long/$target"
    { printf '%b' "$head"; awk -v p="$piece" 'BEGIN { for (i = 0; i < 65536; i++) printf "%s", p }'
      printf '\n'; } >"$build/seeds/long/$target/long-line"
}
long_line readers '' '1,2 '
long_line station '' '1'
long_line run_jd 'QD,' '1 '
long_line run_ht '' '1,'
long_line landxml '<?xml version="1.0"?><LandXML><Units><Metric linearUnit="meter"/></Units>' \
    '<P>1 2</P>'
long_line step 'ISO-10303-21;\nHEADER;ENDSEC;\nDATA;\n#1=IFCX(' '1.,'
long_line ifc 'ISO-10303-21;\nHEADER;FILE_SCHEMA((\x27IFC4X3_ADD2\x27));ENDSEC;\nDATA;\n#1=IFCX(' '1.,'

run() {
    local target=$1
    shift
    mkdir -p "$build/corpus/$target" "$build/artifacts/$target" "$build/logs"
    # The kept inputs of a target, where it has any (libFuzzer stops on a missing folder).
    local kept=()
    [ -d "$root/fuzz/corpus/$target" ] && kept=("$root/fuzz/corpus/$target")
    "$build/fuzz_$target" "$build/corpus/$target" "${kept[@]}" "$build/seeds/long/$target" "$@" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/artifacts/$target/" >"$build/logs/$target.log" 2>&1
}

status=0
report() {
    local target=$1 rc=$2
    local done_line
    done_line=$(grep -E '^Done [0-9]+ runs' "$build/logs/$target.log" | tail -1 || true)
    printf '%-8s exit %d  %s  corpus %s files\n' "$target" "$rc" "${done_line:-(no summary)}" \
        "$(find "$build/corpus/$target" -type f | wc -l)"
    if [ "$rc" -ne 0 ]; then
        status=1
        grep -E 'ERROR|runtime error|check failed|Test unit written' "$build/logs/$target.log" |
            head -5 || true
    fi
}

# The machine has two cores: two targets at a time.
for pair in "readers station" "run_jd run_ht" "landxml step" "ifc"; do
    pids=()
    for target in $pair; do
        case $target in
            readers) run readers "$root/examples" & ;;
            station) run station & ;;
            landxml) run landxml "$root/examples" & ;;
            step) run step & ;;
            ifc) run ifc "$root/examples" & ;;
            *) run "$target" "$build/seeds/$target" & ;;
        esac
        pids+=("$!")
    done
    i=0
    for target in $pair; do
        rc=0
        wait "${pids[$i]}" || rc=$?
        report "$target" "$rc"
        i=$((i + 1))
    done
done
# A target that crashed could not remove its scratch folder (named by its process id).
for folder in /dev/shm/qelt-fuzz-* "${TMPDIR:-/tmp}"/qelt-fuzz-*; do
    [ -d "$folder" ] || continue
    kill -0 "${folder##*-}" 2>/dev/null || rm -rf "$folder"
done
exit $status
