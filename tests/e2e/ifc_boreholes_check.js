// An independent reading of an IFC model with boreholes, by web-ifc (the npm package, a
// test-only tool): every IfcBorehole, its linear placement, its properties and its geomodel,
// checked against the table (the CSV of the same run), and each linear placement's
// CartesianPosition against the point its distance along and offsets give on the alignment's
// horizontal segments as the file states them (evaluated here by numerical integration of the
// curvature, not by Qelt's code). Prints the findings as JSON; exit status 1 when a check fails.
//   node ifc_boreholes_check.js MODEL.ifc TABLE.csv
const fs = require("fs");
const W = require("web-ifc");

const num = (v) =>
  v === null || v === undefined ? null
  : typeof v === "number" ? v
  : "_internalValue" in v ? parseFloat(v._internalValue)
  : typeof v.value === "number" ? v.value : parseFloat(v.value);

function csvRows(path) {
  const text = fs.readFileSync(path, "utf8").replace(/^\uFEFF/, "");
  const lines = text.split(/\r?\n/).filter((l) => l.length);
  const split = (l) => {
    const out = []; let cur = "", q = false;
    for (let i = 0; i < l.length; ++i) {
      const c = l[i];
      if (q) { if (c === '"' && l[i + 1] === '"') { cur += '"'; ++i; } else if (c === '"') q = false; else cur += c; }
      else if (c === '"') q = true; else if (c === ",") { out.push(cur); cur = ""; } else cur += c;
    }
    out.push(cur); return out;
  };
  const head = split(lines[0]);
  return lines.slice(1).map((l) => Object.fromEntries(split(l).map((v, i) => [head[i], v])));
}

// The point at distance `d` along the horizontal segments, `lateral` to the left and `ahead`
// along the tangent, in the segments' frame (x east, y north, angles counter-clockwise).
function pointAlong(segments, d, lateral, ahead) {
  let at = 0, s = null;
  for (const g of segments) { s = g; if (d < at + g.length || g === segments[segments.length - 1]) break; at += g.length; }
  const k0 = s.r0 ? 1 / s.r0 : 0, k1 = s.r1 ? 1 / s.r1 : 0;
  const u = d - at, L = s.length || 1;
  const heading = (t) => s.dir + k0 * t + (t <= L ? (k1 - k0) * t * t / (2 * L) : (k1 - k0) * L / 2 + (k1 - k0) * (t - L));
  const n = Math.max(64, 2 * Math.ceil(Math.abs(u)));
  let x = 0, y = 0;
  if (u !== 0) {
    const h = u / n;
    for (let i = 0; i <= n; ++i) {
      const w = i === 0 || i === n ? 1 : i % 2 ? 4 : 2, t = i * h;
      x += w * Math.cos(heading(t)); y += w * Math.sin(heading(t));
    }
    x *= h / 3; y *= h / 3;
  }
  const th = heading(u);
  return [s.x + x - lateral * Math.sin(th) + ahead * Math.cos(th),
          s.y + y + lateral * Math.cos(th) + ahead * Math.sin(th)];
}

(async () => {
  const api = new W.IfcAPI();
  await api.Init();
  const m = api.OpenModel(new Uint8Array(fs.readFileSync(process.argv[2])));
  const rows = csvRows(process.argv[3]);
  const line = (id) => api.GetLine(m, id, false);
  const all = (type) => { const v = api.GetLineIDsWithType(m, type), o = []; for (let i = 0; i < v.size(); ++i) o.push(v.get(i)); return o; };
  const failures = [];
  const fail = (what) => failures.push(what);

  const nests = new Map();
  for (const id of all(W.IFCRELNESTS)) { const r = line(id); nests.set(r.RelatingObject.value, (nests.get(r.RelatingObject.value) || []).concat(r.RelatedObjects.map((o) => o.value))); }
  const positionedBy = new Map();
  for (const id of all(W.IFCRELPOSITIONS)) { const r = line(id); for (const p of r.RelatedProducts) positionedBy.set(p.value, r.RelatingPositioningElement.value); }
  const psets = new Map();
  for (const id of all(W.IFCRELDEFINESBYPROPERTIES)) {
    const r = line(id), set = line(r.RelatingPropertyDefinition.value);
    const props = {};
    for (const p of set.HasProperties) { const q = line(p.value); props[q.Name.value] = q.NominalValue ? (typeof q.NominalValue.value === "string" ? q.NominalValue.value : num(q.NominalValue)) : q.EnumerationValues.map((e) => e.value); }
    for (const o of r.RelatedObjects) psets.set(o.value + "/" + set.Name.value, props);
  }
  const horizontalOf = new Map();
  const segmentsOf = (alignment) => {
    if (horizontalOf.has(alignment)) return horizontalOf.get(alignment);
    const h = (nests.get(alignment) || []).find((id) => line(id).type === W.IFCALIGNMENTHORIZONTAL);
    const segs = (nests.get(h) || []).map((id) => line(line(id).DesignParameters.value)).map((d) => {
      const p = line(d.StartPoint.value).Coordinates.map(num);
      return { x: p[0], y: p[1], dir: num(d.StartDirection), r0: num(d.StartRadiusOfCurvature), r1: num(d.EndRadiusOfCurvature), length: num(d.SegmentLength) };
    });
    horizontalOf.set(alignment, segs);
    return segs;
  };
  // The placement chain of IfcLocalPlacements (turns about the vertical only) and the map
  // conversion: local x, y to grid east, north.
  const axes = (id) => {
    const a = line(id), o = line(a.Location.value).Coordinates.map(num);
    const r = a.RefDirection ? line(a.RefDirection.value).DirectionRatios.map(num) : [1, 0];
    const len = Math.hypot(r[0], r[1]);
    return { x: o[0], y: o[1], z: o[2] || 0, c: r[0] / len, s: r[1] / len };
  };
  const toParent = (id, p) => {
    while (id) {
      const pl = line(id);
      if (pl.type !== W.IFCLOCALPLACEMENT) break;
      const a = axes(pl.RelativePlacement.value);
      p = [a.x + a.c * p[0] - a.s * p[1], a.y + a.s * p[0] + a.c * p[1], a.z + p[2]];
      id = pl.PlacementRelTo ? pl.PlacementRelTo.value : 0;
    }
    const maps = all(W.IFCMAPCONVERSION);
    if (maps.length) {
      const c = line(maps[0]);
      const ab = c.XAxisAbscissa ? num(c.XAxisAbscissa) : 1, or = c.XAxisOrdinate ? num(c.XAxisOrdinate) : 0;
      const n = Math.hypot(ab, or), k = c.Scale ? num(c.Scale) : 1;
      p = [num(c.Eastings) + k * (p[0] * ab - p[1] * or) / n, num(c.Northings) + k * (p[0] * or + p[1] * ab) / n, num(c.OrthogonalHeight) + p[2]];
    }
    return p;
  };

  const holes = all(W.IFCBOREHOLE);
  if (holes.length !== rows.length) fail(`${holes.length} IfcBorehole, ${rows.length} rows in the table`);
  let worstTable = 0, worstRule = 0, worstHeight = 0;
  const byKey = new Map(rows.map((r) => [r.group + "/" + r.serial, r]));
  for (const id of holes) {
    const h = line(id);
    const own = psets.get(id + "/Qelt_Borehole"), common = psets.get(id + "/Pset_GeotechnicalAssemblyCommon");
    if (!own || !common) { fail(`#${id}: property sets missing`); continue; }
    if (String(common.BoreHolePurpose) !== "SITE_INVESTIGATION") fail(`#${id}: BoreHolePurpose ${common.BoreHolePurpose}`);
    const row = byKey.get(own.Group + "/" + own.Serial);
    if (!row) { fail(`#${id} ${h.Name.value}: no row ${own.Group}/${own.Serial}`); continue; }
    byKey.delete(own.Group + "/" + own.Serial);
    if (own.Station !== row.station) fail(`#${id}: station ${own.Station} vs ${row.station}`);
    if (!h.Description.value.includes(row.station)) fail(`#${id}: description ${h.Description.value}`);
    const lp = line(h.ObjectPlacement.value);
    if (lp.type !== W.IFCLINEARPLACEMENT || !lp.CartesianPosition) { fail(`#${id}: not a linear placement with its CartesianPosition`); continue; }
    const e = line(line(lp.RelativePlacement.value).Location.value);
    const cp = line(line(lp.CartesianPosition.value).Location.value).Coordinates.map(num);
    // The table's X (north) and Y (east) against the cartesian position in the grid.
    const rel = lp.PlacementRelTo ? lp.PlacementRelTo.value : 0;
    const grid = toParent(rel, cp);
    worstTable = Math.max(worstTable, Math.hypot(grid[0] - parseFloat(row.y), grid[1] - parseFloat(row.x)));
    if (Math.abs(num(own.Offset) - parseFloat(row.offset)) > 1e-9) fail(`#${id}: offset ${own.Offset} vs ${row.offset}`);
    // The rule of linear placement: the cartesian position is where the distance along and the
    // offsets put the point on the alignment's curve.
    const alignment = positionedBy.get(id);
    if (!alignment) { fail(`#${id}: not positioned by an alignment`); continue; }
    const p = pointAlong(segmentsOf(alignment), num(e.DistanceAlong), num(e.OffsetLateral) || 0, num(e.OffsetLongitudinal) || 0);
    worstRule = Math.max(worstRule, Math.hypot(p[0] - cp[0], p[1] - cp[1]));
    worstHeight = Math.max(worstHeight, Math.abs((num(e.OffsetVertical) || 0) - cp[2]));
  }
  if (byKey.size) fail(`rows without a hole: ${[...byKey.keys()].join(", ")}`);
  const models = all(W.IFCGEOMODEL);
  if (models.length !== 1) fail(`${models.length} IfcGeomodel`);
  else {
    const parts = all(W.IFCRELAGGREGATES).map(line).filter((r) => r.RelatingObject.value === models[0]);
    const n = parts.reduce((a, r) => a + r.RelatedObjects.length, 0);
    if (n !== holes.length) fail(`the geomodel aggregates ${n} of ${holes.length} holes`);
    const inSite = all(W.IFCRELCONTAINEDINSPATIALSTRUCTURE).map(line).some((r) => r.RelatedElements.some((e) => e.value === models[0]) && line(r.RelatingStructure.value).type === W.IFCSITE);
    if (!inSite) fail("the geomodel is not contained in a site");
  }
  if (worstTable > 1e-3) fail(`a CartesianPosition ${worstTable} m from the table's point`);
  if (worstRule > 1e-3) fail(`a CartesianPosition ${worstRule} m from its point along the curve`);
  if (worstHeight > 1e-9) fail(`a CartesianPosition ${worstHeight} m above or below its OffsetVertical`);
  console.log(JSON.stringify({ holes: holes.length, worstTable, worstRule, worstHeight, failures }));
  process.exit(failures.length ? 1 : 0);
})().catch((e) => { console.error(e); process.exit(2); });
