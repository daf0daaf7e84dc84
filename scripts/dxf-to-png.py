#!/usr/bin/python3
"""Renders a plan drawing (DXF) to PNG, for looking at what qelt-cli --dxf wrote:

    /usr/bin/python3 scripts/dxf-to-png.py DRAWING.dxf PICTURE.png [--width PX]
        [--window XMIN,YMIN,XMAX,YMAX]

--window shows a part of the drawing, in drawing coordinates (x = Y east, y = X north).

Needs python3-ezdxf and python3-matplotlib (the latter is not installed by install-deps.sh: the
tests read drawings back without rendering them). The drawing's text style names SimSun, which
Linux does not have; its texts are drawn with a CJK font that matplotlib finds instead
(WenQuanYi Micro Hei from fonts-wqy-microhei, or Noto Sans CJK).
"""

import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
from matplotlib import font_manager

from ezdxf import recover
from ezdxf.addons.drawing import Frontend, RenderContext
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend
from ezdxf.addons.drawing.properties import LayoutProperties

CJK_FAMILIES = ("WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans CJK JP")


def cjk_font():
    names = {f.name for f in font_manager.fontManager.ttflist}
    for family in CJK_FAMILIES:
        if family in names:
            return family
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source")
    parser.add_argument("target")
    parser.add_argument("--width", type=int, default=2400)
    parser.add_argument("--window")
    args = parser.parse_args()
    # recover decodes the \\U+XXXX escapes in every string, as CAD programs do on loading.
    doc, auditor = recover.readfile(args.source)
    family = cjk_font()
    if family:
        # SimSun stands for a CJK font this machine has.
        plt.rcParams["font.sans-serif"] = [family, "DejaVu Sans"]
        plt.rcParams["font.family"] = "sans-serif"
        for style in doc.styles:
            style.dxf.font = ""
            style.set_extended_font_data(family)
    msp = doc.modelspace()
    width = args.width
    fig = plt.figure(dpi=100, figsize=(width / 100, width / 100 * 0.7))
    ax = fig.add_axes([0, 0, 1, 1])
    ctx = RenderContext(doc)
    backend = MatplotlibBackend(ax)
    props = LayoutProperties.from_layout(msp)
    props.set_colors("#ffffff")
    Frontend(ctx, backend).draw_layout(msp, finalize=True, layout_properties=props)
    ax.set_aspect("equal")
    if args.window:
        x0, y0, x1, y1 = (float(v) for v in args.window.split(","))
        ax.set_xlim(x0, x1)
        ax.set_ylim(y0, y1)
    else:
        (x0, x1), (y0, y1) = ax.get_xlim(), ax.get_ylim()
    fig.set_size_inches(width / 100, width / 100 * (y1 - y0) / (x1 - x0))
    fig.savefig(args.target, dpi=100, facecolor="white")
    print(f"{args.target}: {len(list(msp))} entities, audit errors: {len(auditor.errors)}")


if __name__ == "__main__":
    main()
