#!/usr/bin/python3
"""Reads a borehole-table workbook back, independently of the program that wrote it, and prints
what the printed table depends on, one "key<TAB>value" line each (newline, tab and backslash in
values escaped as \\n, \\t, \\\\):

  sheets, sheet              number of worksheets, name of the first
  merges                     merged ranges, in row order
  rows                       rows holding any cell, in order
  <cell>.v                   n:<number> | s:<text> | f:<formula> | blank
  <cell>.cached              cached result of a formula cell
  <cell>.border              top/bottom/left/right line styles, "-" for none
  <cell>.align               horizontal/vertical, "/shrink" added for shrink-to-fit
  <cell>.font                name/size/bold
  <cell>.numfmt, <cell>.is_date
  col.<min>-<max>.width, col.<min>-<max>.style
  default_row_height, row.<n>.height
  orientation, paper, margins (left/right/top/bottom/header/footer in inches)
  print_area                 the first sheet's print area without the sheet name, e.g. $A$1:$F$7
  header, footer             the raw header and footer strings
  breaks                     manual row breaks
  today                      today's date serial, for the =TODAY() cell's cached value

Values, merges, page set-up and breaks come from openpyxl; the cell styles, header strings and
print area come from the package's XML, because openpyxl rebuilds the borders of merged cells from
the first cell, rewrites header codes and returns the print area as a string or a list depending
on its version.
"""

import datetime
import sys
import zipfile
import xml.etree.ElementTree as ET

import openpyxl
from openpyxl.styles.numbers import BUILTIN_FORMATS, is_date_format

M = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"


def esc(value):
    return str(value).replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")


def styles(package):
    root = ET.fromstring(package.read("xl/styles.xml"))
    formats = dict(BUILTIN_FORMATS)
    for f in root.iter(M + "numFmt"):
        formats[int(f.get("numFmtId"))] = f.get("formatCode")
    fonts = []
    for f in root.find(M + "fonts"):
        name = f.find(M + "name")
        size = f.find(M + "sz")
        fonts.append("%s/%s/%d" % (name.get("val") if name is not None else "",
                                   size.get("val") if size is not None else "",
                                   f.find(M + "b") is not None))
    borders = []
    for b in root.find(M + "borders"):
        edges = []
        for edge in ("top", "bottom", "left", "right"):
            e = b.find(M + edge)
            edges.append(e.get("style") if e is not None and e.get("style") else "-")
        borders.append("/".join(edges))
    xfs = []
    for xf in root.find(M + "cellXfs"):
        a = xf.find(M + "alignment")
        align = "%s/%s" % (a.get("horizontal", "general") if a is not None else "general",
                           a.get("vertical", "bottom") if a is not None else "bottom")
        if a is not None and a.get("shrinkToFit") in ("1", "true"):
            align += "/shrink"
        xfs.append({"border": borders[int(xf.get("borderId", 0))],
                    "font": fonts[int(xf.get("fontId", 0))],
                    "numfmt": formats.get(int(xf.get("numFmtId", 0)), "?"),
                    "align": align})
    return xfs


def style_text(xf):
    return "%s|%s|%s|%s" % (xf["border"], xf["align"], xf["font"], xf["numfmt"])


def main(path):
    lines = []

    def put(key, value):
        lines.append("%s\t%s" % (key, esc(value)))

    wb = openpyxl.load_workbook(path)
    ws = wb.worksheets[0]
    put("sheets", len(wb.worksheets))
    put("sheet", ws.title)
    ranges = sorted(ws.merged_cells.ranges, key=lambda r: (r.min_row, r.min_col))
    put("merges", " ".join(str(r) for r in ranges))

    package = zipfile.ZipFile(path)
    xfs = styles(package)
    sheet_path = "xl/worksheets/sheet1.xml"
    root = ET.fromstring(package.read(sheet_path))

    rows = []
    for row in root.iter(M + "row"):
        number = int(row.get("r"))
        if len(row):
            rows.append(str(number))
        if row.get("ht") is not None:
            put("row.%d.height" % number, float(row.get("ht")))
        for c in row.iter(M + "c"):
            ref = c.get("r")
            xf = xfs[int(c.get("s", 0))]
            put(ref + ".border", xf["border"])
            put(ref + ".align", xf["align"])
            put(ref + ".font", xf["font"])
            put(ref + ".numfmt", xf["numfmt"])
            cell = ws[ref]
            value = cell.value
            if value is None:
                put(ref + ".v", "blank")
            elif isinstance(value, str) and value.startswith("="):
                put(ref + ".v", "f:" + value)
                put(ref + ".cached", c.find(M + "v").text)
            elif isinstance(value, str):
                put(ref + ".v", "s:" + value)
            elif isinstance(value, (int, float)):
                put(ref + ".v", "n:" + repr(value))
            else:
                put(ref + ".v", "?:" + repr(value))
            put(ref + ".is_date", int(is_date_format(xf["numfmt"])))
    put("rows", ",".join(rows))

    cols = root.find(M + "cols")
    for col in (cols if cols is not None else []):
        key = "col.%s-%s" % (col.get("min"), col.get("max"))
        put(key + ".width", float(col.get("width")))
        put(key + ".style", style_text(xfs[int(col.get("style", 0))]))

    put("default_row_height", ws.sheet_format.defaultRowHeight)
    put("orientation", ws.page_setup.orientation)
    put("paper", ws.page_setup.paperSize)
    m = ws.page_margins
    put("margins", "/".join(repr(float(v)) for v in
                            (m.left, m.right, m.top, m.bottom, m.header, m.footer)))
    hf = root.find(M + "headerFooter")
    header = hf.find(M + "oddHeader") if hf is not None else None
    footer = hf.find(M + "oddFooter") if hf is not None else None
    put("header", (header.text or "") if header is not None else "")
    put("footer", (footer.text or "") if footer is not None else "")
    names = ET.fromstring(package.read("xl/workbook.xml")).iter(M + "definedName")
    put("print_area", ",".join(n.text.split("!")[-1] for n in names
                               if n.get("name") == "_xlnm.Print_Area"
                               and n.get("localSheetId") == "0"))
    put("breaks", ",".join(str(b.id) for b in ws.row_breaks.brk))
    put("today", (datetime.date.today() - datetime.date(1899, 12, 30)).days)

    sys.stdout.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
