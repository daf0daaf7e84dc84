#!/usr/bin/env bash
# Runs qelt-cli on the bundled examples (GBK files, as Windows editors save them) and shows
# the tables it wrote; the plan drawings (DXF) go beside them.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p out
cli=${QELT_CLI:-./build/qelt-cli}

# Prints a CSV table as aligned columns, the columns X ($2) and Y ($3) with four decimals and the
# offset ($4, when given) with three, as the sheet shows them.
show() {
    sed '1s/^\xEF\xBB\xBF//' "$1" |
        awk -F, -v OFS=, -v x="$2" -v y="$3" -v d="${4:-0}" \
            'NR > 1 { $x = sprintf("%.4f", $x); $y = sprintf("%.4f", $y); if (d) $d = sprintf("%.3f", $d) } { print }' |
        column -s, -t
}

echo "== 交点法―主线 (intersection-point method, main line) =="
"$cli" table --method jd \
    --alignment examples/mainline-jd.txt \
    --chain-breaks examples/mainline-dl.txt \
    --boreholes examples/mainline-boreholes.txt \
    --output out/主线钻孔数量及位置表.xlsx --csv out/主线钻孔数量及位置表.csv \
    --dxf out/主线钻孔平面布置图.dxf \
    --stakeout out/主线放样点.dat --points-csv out/主线放样点.csv \
    --kml out/主线钻孔位置.kml --geojson out/主线钻孔位置.geojson --central-meridian 114
show out/主线钻孔数量及位置表.csv 5 6
# The survey crew's CASS file (GBK, CR LF): name, code, Y (east) before X (north), height.
echo "放样点 (out/主线放样点.dat, first lines):"
head -n 3 out/主线放样点.dat | iconv -f GBK -t UTF-8 | tr -d '\r' | sed 's/^/  /'
echo

echo "== 积木法―互通 (building-block method, interchange ramp) =="
"$cli" table --method ht \
    --alignment examples/ramp-elements.txt \
    --boreholes examples/ramp-boreholes.txt \
    --output out/匝道钻孔数量及位置表.xlsx --csv out/匝道钻孔数量及位置表.csv \
    --dxf out/匝道钻孔平面布置图.dxf
show out/匝道钻孔数量及位置表.csv 5 6
echo

# The same main line as the route group hands it over from 纬地 (HintCAD): the plane (.pm), the
# profile (.zdm), the centre line's ground (.dmx) and the cross sections (.hdm), made up from
# Qelt's own model of the line by scripts/make-hintcad-example.py.
echo "== 纬地数据文件: examples/mainline.pm, .zdm, .dmx, .hdm, .sta =="
"$cli" table --alignment examples/mainline.pm --chain-breaks examples/mainline-dl.txt \
    --profile examples/mainline.zdm --ground-line examples/mainline.dmx \
    --sections examples/mainline.hdm --boreholes examples/mainline-boreholes.txt \
    --output out/纬地主线钻孔数量及位置表.xlsx --csv out/纬地主线钻孔数量及位置表.csv
show out/纬地主线钻孔数量及位置表.csv 5 6
"$cli" stakes --alignment examples/mainline.pm --chain-breaks examples/mainline-dl.txt \
    --stations examples/mainline.sta --output out/纬地主线逐桩坐标表.xlsx
echo

# The same lines as the design software would hand them over: one LandXML file holding the main
# line (with its station equations, the chain breaks) and the ramp, each chosen by its name.
echo "== LandXML: examples/interchange.xml, 主线 and A匝道 =="
"$cli" table --alignment examples/interchange.xml --alignment-name 主线 \
    --boreholes examples/mainline-boreholes.txt \
    --output out/LandXML主线钻孔数量及位置表.xlsx --csv out/LandXML主线钻孔数量及位置表.csv
"$cli" table --alignment examples/interchange.xml --alignment-name A匝道 \
    --boreholes examples/ramp-boreholes.txt \
    --output out/LandXML匝道钻孔数量及位置表.xlsx --csv out/LandXML匝道钻孔数量及位置表.csv
show out/LandXML匝道钻孔数量及位置表.csv 5 6
echo

# One list for the whole interchange: each group names its line (@主线, @A匝道), two bridges on
# skewed pier axes (交角60, 交角45°30′); no --alignment-name, since every group names its line.
echo "== 一个钻孔文件两条线路与斜交桥: examples/interchange-boreholes.txt =="
"$cli" table --alignment examples/interchange.xml \
    --boreholes examples/interchange-boreholes.txt \
    --output out/互通钻孔数量及位置表.xlsx --csv out/互通钻孔数量及位置表.csv \
    --dxf out/互通钻孔平面布置图.dxf --stakeout out/互通放样点.dat
show out/互通钻孔数量及位置表.csv 5 6
echo

# The same interchange as a BIM delivery: the IFC 4.3 model (examples/interchange.ifc, written
# by tests/support/write_interchange_ifc.cpp) carries the main line with its stationing (the
# chain breaks as STATION referents) and its profile, and the ramp.
echo "== IFC 4.3: examples/interchange.ifc, 主线 and A匝道 =="
"$cli" table --alignment examples/interchange.ifc --alignment-name 主线 \
    --boreholes examples/mainline-boreholes.txt \
    --output out/IFC主线钻孔数量及位置表.xlsx --csv out/IFC主线钻孔数量及位置表.csv
"$cli" table --alignment examples/interchange.ifc --alignment-name A匝道 \
    --boreholes examples/ramp-boreholes.txt \
    --output out/IFC匝道钻孔数量及位置表.xlsx --csv out/IFC匝道钻孔数量及位置表.csv
show out/IFC主线钻孔数量及位置表.csv 5 6
# The interchange's holes (both lines, the skewed group) into the same model, as IfcBoreholes.
"$cli" table --alignment examples/interchange.ifc --alignment-name 主线 \
    --boreholes examples/interchange-boreholes.txt \
    --output out/IFC互通钻孔数量及位置表.xlsx --ifc out/互通钻孔模型.ifc
echo

# After drilling: the surveyed holes (the examples' boreholes moved a few centimetres) back to
# station and offset.
echo "== 坐标反算 (as-drilled holes back to station and offset): 交点法―主线 =="
"$cli" inverse --method jd \
    --alignment examples/mainline-jd.txt \
    --chain-breaks examples/mainline-dl.txt \
    --points examples/mainline-points.txt \
    --output out/主线钻孔桩号及偏距表.xlsx --csv out/主线钻孔桩号及偏距表.csv
show out/主线钻孔桩号及偏距表.csv 4 5 8
echo

echo "== 坐标反算: 积木法―互通 =="
"$cli" inverse --method ht \
    --alignment examples/ramp-elements.txt \
    --points examples/ramp-points.txt \
    --output out/匝道钻孔桩号及偏距表.xlsx --csv out/匝道钻孔桩号及偏距表.csv
show out/匝道钻孔桩号及偏距表.csv 4 5 8
echo

jd_line=(--method jd --alignment examples/mainline-jd.txt --chain-breaks examples/mainline-dl.txt)

# Back from the field, planned against drilled: the crew's file matched to the borehole file by
# the stakeout point names (A1, A2 …). First the stakeout file itself read back: every hole on
# its plan within the file's 4 decimals. Then examples/mainline-drilled.dat (CASS, with the
# collar heights), in which A2 and C1 moved, B2 was not drilled and ZK补1 was added.
compared() {  # name, planned and drilled station and offset, Δ along, Δ across, distance, H, status
    sed '1s/^\xEF\xBB\xBF//' "$1" |
        awk -F, -v OFS=, 'function mm(v) { if (NR == 1 || v == "") return v; v = sprintf("%.3f", v); return v == "-0.000" ? "0.000" : v }
            { print $3, $11, mm($12), $6, mm($8), mm($13), mm($14), mm($15), mm($10), $16 }' |
        column -s, -t
}
echo "== 实测与计划对比 (planned against drilled): the stakeout file read back =="
"$cli" inverse "${jd_line[@]}" --points out/主线放样点.dat \
    --planned examples/mainline-boreholes.txt \
    --output out/主线放样点对比.xlsx --csv out/主线放样点对比.csv 2>/dev/null
sed '1s/^\xEF\xBB\xBF//' out/主线放样点对比.csv |
    awk -F, 'NR > 1 && $15 > d { d = $15 } END { printf "largest distance in plan: %.5f m\n", d }'
echo
# The interchange's stakeout file read back the same way: each point on its planned hole's line
# (主线 or A匝道) and skewed axis, the long chain's overlap included.
echo "== 实测与计划对比: the interchange's stakeout file read back (两条线路、斜交桥) =="
"$cli" inverse --alignment examples/interchange.xml --alignment-name 主线 \
    --points out/互通放样点.dat --planned examples/interchange-boreholes.txt \
    --output out/互通放样点对比.xlsx --csv out/互通放样点对比.csv
sed '1s/^\xEF\xBB\xBF//' out/互通放样点对比.csv |
    awk -F, 'NR > 1 && $15 > d { d = $15 } END { printf "largest distance in plan: %.5f m\n", d }'
echo
echo "== 实测与计划对比: examples/mainline-drilled.dat =="
"$cli" inverse "${jd_line[@]}" --points examples/mainline-drilled.dat \
    --planned examples/mainline-boreholes.txt \
    --output out/主线实测与计划对比.xlsx --csv out/主线实测与计划对比.csv
compared out/主线实测与计划对比.csv
echo

# The line as Qelt computed it, to compare with the design drawings before placing boreholes:
# the main line's curve and stake tables, and the LandXML main line's element and stake tables.
echo "== 线形表 (line tables): 交点法―主线 and LandXML 主线 =="
xml_line=(--alignment examples/interchange.xml --alignment-name 主线)
"$cli" curves "${jd_line[@]}" --output out/主线直线曲线及转角表.xlsx --csv out/主线直线曲线及转角表.csv
"$cli" stakes "${jd_line[@]}" --output out/主线逐桩坐标表.xlsx --csv out/主线逐桩坐标表.csv
"$cli" elements "${xml_line[@]}" --output out/LandXML主线线元表.xlsx --csv out/LandXML主线线元表.csv
"$cli" stakes "${xml_line[@]}" --output out/LandXML主线逐桩坐标表.xlsx --csv out/LandXML主线逐桩坐标表.csv
# JD, station, deflection (degrees), R, Ls1, Ls2, T1, T2, L, E, ZH, HZ, the lengths to the mm.
sed '1s/^\xEF\xBB\xBF//' out/主线直线曲线及转角表.csv | cut -d, -f1,2,5,6,7,8,11,12,13,14,16,20 |
    awk -F, -v OFS=, 'NR > 1 { for (i = 3; i <= 10; ++i) if ($i != "") $i = sprintf(i == 3 ? "%.6f" : "%.3f", $i) } { print }' |
    column -s, -t
echo

# Heights: the design profile of the main line (a 纵断面资料文件), the borehole table with each
# hole's design elevation, and the 纵坡、竖曲线表 to compare with the profile drawing.
echo "== 纵断面 (design profile): 交点法―主线 with examples/mainline-profile.txt =="
"$cli" table "${jd_line[@]}" --profile examples/mainline-profile.txt \
    --boreholes examples/mainline-boreholes.txt \
    --output out/主线钻孔数量及位置表_设计高程.xlsx --csv out/主线钻孔数量及位置表_设计高程.csv
show out/主线钻孔数量及位置表_设计高程.csv 5 6
"$cli" grades "${jd_line[@]}" --profile examples/mainline-profile.txt \
    --output out/主线纵坡竖曲线表.xlsx --csv out/主线纵坡竖曲线表.csv
sed '1s/^\xEF\xBB\xBF//' out/主线纵坡竖曲线表.csv | column -s, -t
echo

# The ground under every hole: the crew's ground shots of the main line (a CASS file, triangulated),
# each hole's ground elevation at its X, Y and, with the profile, its 填挖高 (design − ground).
echo "== 地面高程 (ground): examples/mainline-ground.dat =="
"$cli" table "${jd_line[@]}" --profile examples/mainline-profile.txt \
    --terrain examples/mainline-ground.dat --boreholes examples/mainline-boreholes.txt \
    --output out/主线钻孔数量及位置表_地面高程.xlsx --csv out/主线钻孔数量及位置表_地面高程.csv \
    --section-dxf out/主线钻孔纵断面图.dxf
show out/主线钻孔数量及位置表_地面高程.csv 5 6
echo

# How deep each hole goes: the bridge's piers by 孔深 and its abutments down to 孔底300, the cut's
# holes 设计下5 (five metres below the future grade), types for the outline. The closing line
# gives the holes and the metres to drill (进尺); the workbook has a second sheet 勘探工作量; the
# section drawing shows each hole as a column from its ground to its bottom.
echo "== 孔深、孔底与类别 (planned depths): examples/mainline-depth-boreholes.txt =="
"$cli" table "${jd_line[@]}" --profile examples/mainline-profile.txt \
    --terrain examples/mainline-ground.dat --boreholes examples/mainline-depth-boreholes.txt \
    --output out/主线钻孔数量及位置表_孔深.xlsx --csv out/主线钻孔数量及位置表_孔深.csv \
    --section-dxf out/主线钻孔纵断面图_孔深.dxf
sed '1s/^\xEF\xBB\xBF//' out/主线钻孔数量及位置表_孔深.csv | cut -d, -f1-3,9- |
    awk -F, -v OFS=, 'NR > 1 { $4 = sprintf("%.3f", $4); $5 = sprintf("%.2f", $5); $6 = sprintf("%.3f", $6) } { print }' |
    column -s, -t
echo

echo "The tables, plan drawings, stakeout and map files are in $(pwd)/out/:"
ls -1 out/*.xlsx out/*.csv out/*.dxf out/*.dat out/*.kml out/*.geojson | sed 's/^/  /'
