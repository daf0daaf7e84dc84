// An independent reading of an IFC model with boreholes, by web-ifc (the npm package, a
// test-only tool): every IfcBorehole, its linear placement, its properties and its geomodel,
// checked against the table (the CSV of the same run), and each linear placement's
// CartesianPosition against the point its distance along and offsets give on its BasisCurve
// (the curve segments evaluated here from their parent curves' parametric forms, not by Qelt's
// code). Prints the findings as JSON; exit status 1 when a check fails.
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

// Simpson's rule of f over [0, u].
function integral(f, u) {
  const n = Math.max(64, 2 * Math.ceil(Math.abs(u) * 8));
  const h = u / n;
  let sum = 0;
  for (let i = 0; i <= n; ++i) sum += (i === 0 || i === n ? 1 : i % 2 ? 4 : 2) * f(i * h);
  return (sum * h) / 3;
}

// A parent curve's point and unit tangent at the length `s` along it, in its own position's
// frame, by the parametric forms the IFC 4.3 documentation gives (IfcLine, IfcCircle,
// IfcClothoid).
function parentAt(c, s) {
  if (c.kind === "line") return { p: [s, 0], t: [1, 0] };
  if (c.kind === "circle") {
    const u = s / c.r;
    return { p: [c.r * Math.cos(u), c.r * Math.sin(u)], t: [-Math.sin(u), Math.cos(u)] };
  }
  // IfcClothoid: λ(u) = A·√π·(∫cos(π·A·t²/(2|A|)) dt, ∫sin(…) dt) over [0, u], s = A·u·√π.
  const A = c.a, u = s / (A * Math.sqrt(Math.PI)), k = (t) => (Math.PI * A * t * t) / (2 * Math.abs(A));
  const p = [A * Math.sqrt(Math.PI) * integral((t) => Math.cos(k(t)), u),
             A * Math.sqrt(Math.PI) * integral((t) => Math.sin(k(t)), u)];
  return { p, t: [Math.cos(k(u)), Math.sin(k(u))] };  // dλ/ds
}

// The point at distance `d` along a composite curve of IfcCurveSegments, `lateral` to the left
// and `ahead` along the tangent: each segment is its parent cut from SegmentStart over
// SegmentLength (its sign the sense), moved so that the cut's start and tangent lie on the
// segment's placement.
function pointAlong(segments, d, lateral, ahead) {
  let at = 0, s = null;
  for (const g of segments) { s = g; if (d < at + Math.abs(g.length) || g === segments[segments.length - 1]) break; at += Math.abs(g.length); }
  const sense = s.length < 0 ? -1 : 1;
  const a = parentAt(s.parent, s.start), b = parentAt(s.parent, s.start + sense * (d - at));
  // The turn taking the cut's tangent (in the sense of the segment) onto the placement's.
  const t0 = [sense * a.t[0], sense * a.t[1]];
  const cos = t0[0] * s.dir[0] + t0[1] * s.dir[1], sin = t0[0] * s.dir[1] - t0[1] * s.dir[0];
  const turn = (v) => [cos * v[0] - sin * v[1], sin * v[0] + cos * v[1]];
  const q = turn([b.p[0] - a.p[0], b.p[1] - a.p[1]]), t = turn([sense * b.t[0], sense * b.t[1]]);
  return [s.x + q[0] - lateral * t[1] + ahead * t[0], s.y + q[1] + lateral * t[0] + ahead * t[1]];
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
  // The BasisCurve of a placement: an IfcCompositeCurve of IfcCurveSegments.
  const curves = new Map();
  const segmentsOf = (id) => {
    if (curves.has(id)) return curves.get(id);
    const c = line(id);
    if (c.type !== W.IFCCOMPOSITECURVE) { fail(`#${id}: a BasisCurve that is no IfcCompositeCurve`); curves.set(id, null); return null; }
    const segs = c.Segments.map((r) => line(r.value)).map((g) => {
      const pl = line(g.Placement.value), o = line(pl.Location.value).Coordinates.map(num);
      const r = pl.RefDirection ? line(pl.RefDirection.value).DirectionRatios.map(num) : [1, 0];
      const n = Math.hypot(r[0], r[1]), pc = line(g.ParentCurve.value);
      const pos = pc.Position ? line(pc.Position.value) : null;
      if (pos && (line(pos.Location.value).Coordinates.map(num).some((v) => v !== 0) ||
                  (pos.RefDirection && num(line(pos.RefDirection.value).DirectionRatios[1]) !== 0)))
        fail(`#${pc.expressID}: a parent curve placed off the origin`);
      const parent = pc.type === W.IFCLINE ? { kind: "line" }
        : pc.type === W.IFCCIRCLE ? { kind: "circle", r: num(pc.Radius) }
        : pc.type === W.IFCCLOTHOID ? { kind: "clothoid", a: num(pc.ClothoidConstant) }
        : (fail(`#${pc.expressID}: parent curve of type ${pc.type}`), { kind: "line" });
      return { x: o[0], y: o[1], dir: [r[0] / n, r[1] / n], start: num(g.SegmentStart), length: num(g.SegmentLength), parent };
    });
    curves.set(id, segs);
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
    if (!e.BasisCurve) { fail(`#${id}: no BasisCurve`); continue; }
    const segments = segmentsOf(e.BasisCurve.value);
    if (!segments) continue;
    const p = pointAlong(segments, num(e.DistanceAlong), num(e.OffsetLateral) || 0, num(e.OffsetLongitudinal) || 0);
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
