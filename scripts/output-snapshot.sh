#!/usr/bin/env bash
# Writes every output qelt-cli makes of the bundled examples and of a few runs that stop part
# way (a rejected station, a line that does not read, a file that ends inside a group) into one
# folder, the workbooks unpacked to their parts, so that two builds can be compared file by
# file: a change to how the program is put together must leave every byte as it was.
#   scripts/output-snapshot.sh CLI OUTDIR
#   diff -r before/ after/
# Only the parts of a workbook that do not carry the time it was written are kept (docProps
# holds it); the date the note row shows is today's, so compare snapshots made on one day.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "$1")
out=$2
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")
work=$(mktemp -d /tmp/qelt-snapshot.XXXXXX)
trap 'rm -rf "$work"' EXIT

# run NAME ARGS...: runs qelt-cli with every output named NAME.*, keeps its status and messages.
run() {
    local name=$1
    shift
    local status=0
    "$cli" "$@" > "$out/$name.stdout" 2> "$out/$name.stderr" || status=$?
    echo "$status" > "$out/$name.status"
}
table_outputs() {  # NAME: the outputs of a table or inverse run
    echo --output "$work/$1.xlsx" --csv "$out/$1.csv"
}
map_outputs() {
    echo --stakeout "$out/$1.dat" --points-csv "$out/$1.points.csv" \
        --kml "$out/$1.kml" --geojson "$out/$1.geojson"
}

jd=(--method jd --alignment examples/mainline-jd.txt --chain-breaks examples/mainline-dl.txt)
ht=(--method ht --alignment examples/ramp-elements.txt)
xml_main=(--alignment examples/interchange.xml --alignment-name 主线)
xml_ramp=(--alignment examples/interchange.xml --alignment-name A匝道)

# shellcheck disable=SC2046
{
    run jd-table table "${jd[@]}" --boreholes examples/mainline-boreholes.txt \
        $(table_outputs jd-table) --dxf "$out/jd-table.dxf" $(map_outputs jd-table) \
        --central-meridian 114
    run ht-table table "${ht[@]}" --boreholes examples/ramp-boreholes.txt \
        $(table_outputs ht-table) --dxf "$out/ht-table.dxf" --stakeout "$out/ht-table.dat"
    run xml-main-table table "${xml_main[@]}" --boreholes examples/mainline-boreholes.txt \
        $(table_outputs xml-main-table) --dxf "$out/xml-main-table.dxf"
    run xml-ramp-table table "${xml_ramp[@]}" --boreholes examples/ramp-boreholes.txt \
        $(table_outputs xml-ramp-table)
    run jd-inverse inverse "${jd[@]}" --points examples/mainline-points.txt \
        $(table_outputs jd-inverse) $(map_outputs jd-inverse) --central-meridian 114
    run ht-inverse inverse "${ht[@]}" --points examples/ramp-points.txt \
        $(table_outputs ht-inverse) --stakeout "$out/ht-inverse.dat"
    run xml-ramp-inverse inverse "${xml_ramp[@]}" --points examples/ramp-points.txt \
        $(table_outputs xml-ramp-inverse)
    run jd-curves curves "${jd[@]}" $(table_outputs jd-curves)
    run jd-stakes stakes "${jd[@]}" $(table_outputs jd-stakes)
    run xml-elements elements "${xml_main[@]}" $(table_outputs xml-elements)
    run ht-stakes stakes "${ht[@]}" --every 25 $(table_outputs ht-stakes)
    run jd-landxml landxml "${jd[@]}" --output "$out/jd-landxml.xml"
}

# Heights: the design profile and the crew's ground shots (a terrain sampled under the line) in
# the borehole table, the stake table and the section drawing; the grade table; and a LandXML
# line whose ground line (ProfSurf) the section draws where no terrain is given.
heights=(--profile examples/mainline-profile.txt --terrain examples/mainline-ground.dat)
cat > "$work/profsurf.xml" << 'XML'
<?xml version="1.0"?>
<LandXML xmlns="http://www.landxml.org/schema/LandXML-1.2">
<Units><Metric linearUnit="meter"/></Units>
<Alignments>
<Alignment name="试验线" staStart="1000" length="1200">
<CoordGeom><Line><Start>3000000 500000</Start><End>3000600 500000</End></Line>
<Curve rot="cw" radius="800" length="600"><Start>3000600 500000</Start>
<Center>3000600 500800</Center><End>3001145.311008 500214.648905</End></Curve></CoordGeom>
<Profile>
<ProfSurf name="地面线"><PntList2D>1000 100.2 1130 103.45 1260 99.8 1400 101.75
1555.5 97.3 1700 104.1 1850 102.6 2000 100.05 2200 99.5</PntList2D></ProfSurf>
<ProfAlign name="设计线"><PVI>1000 101</PVI><ParaCurve length="300">1500 108.5</ParaCurve>
<ParaCurve length="240">1900 103</ParaCurve><PVI>2200 104.2</PVI></ProfAlign>
</Profile>
</Alignment>
</Alignments>
</LandXML>
XML
printf '试验线钻孔\n桥 4\n1050 0\n1300 5\nK1+620 -6\n2150 0\n' > "$work/profsurf-boreholes.txt"
xml_profsurf=(--alignment "$work/profsurf.xml" --alignment-name 试验线)
# shellcheck disable=SC2046
{
    run heights-table table "${jd[@]}" "${heights[@]}" \
        --boreholes examples/mainline-boreholes.txt $(table_outputs heights-table) \
        --section-dxf "$out/heights-table.section.dxf"
    run heights-stakes stakes "${jd[@]}" "${heights[@]}" $(table_outputs heights-stakes)
    run jd-grades grades "${jd[@]}" --profile examples/mainline-profile.txt \
        $(table_outputs jd-grades)
    run profsurf-table table "${xml_profsurf[@]}" --profile "$work/profsurf.xml" \
        --boreholes "$work/profsurf-boreholes.txt" $(table_outputs profsurf-table) \
        --section-dxf "$out/profsurf-table.section.dxf"
    run profsurf-elements elements "${xml_profsurf[@]}" $(table_outputs profsurf-elements)
    run profsurf-stakes stakes "${xml_profsurf[@]}" --profile "$work/profsurf.xml" --every 50 \
        $(table_outputs profsurf-stakes)
    run profsurf-grades grades "${xml_profsurf[@]}" --profile "$work/profsurf.xml" \
        $(table_outputs profsurf-grades)
}

# Runs that stop part way keep what they wrote: a station before the line, a row that does not
# read, a file that ends inside a group, a group line with a count of 0 that reads as a row.
mkdir -p "$work/lists"
{
    printf '停下的表\n桥 3\n11150 0 甲\nK11+160 -6.5\n11170 左\n'
    printf '下一组 1\n12000 3\n'
} > "$work/lists/bad-row.txt"
printf '停下的表\n桥 3\n11150 0\n11160 1\n' > "$work/lists/short.txt"
printf '停下的表\n桥 3\n11150 0\n16230 1\n16300 1\n' > "$work/lists/rejected.txt"
printf '零组\n11150 0\n桥 1\n11150 2\n\n尾 1\n11160 0\n' > "$work/lists/zero-group.txt"
printf '点\n孔 2\nZK1 3513057.0 498953.0\nZK2 3513100 x\n' > "$work/lists/bad-point.txt"
# shellcheck disable=SC2046
for list in bad-row short rejected zero-group; do
    run "stop-$list" table "${jd[@]}" --boreholes "$work/lists/$list.txt" \
        $(table_outputs "stop-$list") --dxf "$out/stop-$list.dxf" \
        --stakeout "$out/stop-$list.dat"
done
# shellcheck disable=SC2046
run stop-bad-point inverse "${jd[@]}" --points "$work/lists/bad-point.txt" \
    $(table_outputs stop-bad-point)

# A table of several pages, for the page lines and breaks.
/usr/bin/python3 scripts/make-large-input.py "$work/large" 400 60 20 > /dev/null
# shellcheck disable=SC2046
run large-table table --method jd --alignment "$work/large/jd.txt" \
    --chain-breaks "$work/large/dl.txt" --boreholes "$work/large/boreholes.txt" \
    $(table_outputs large-table)

# The workbooks' parts, all but the properties that carry the time of writing.
for book in "$work"/*.xlsx; do
    [[ -e $book ]] || continue
    name=$(basename "$book" .xlsx)
    mkdir -p "$out/$name.xlsx.d"
    (cd "$out/$name.xlsx.d" && unzip -q -o "$book" && rm -rf docProps)
done
# The note row's date is the day the table was written.
find "$out" -name 'sheet*.xml' -exec sed -i 's|<f>TODAY()</f><v>[0-9]*</v>|<f>TODAY()</f><v>D</v>|g' {} +
# The LandXML export carries the time it was written.
sed -i 's/ time="[0-9:]*"/ time="T"/' "$out/jd-landxml.xml"
# Messages name the temporary folder the lists were written to.
sed -i "s|$work|WORK|g; s|$out|OUT|g" "$out"/*.stderr "$out"/*.stdout
echo "snapshot of $(find "$out" -type f | wc -l) files in $out"
