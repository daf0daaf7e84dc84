#pragma once
// What a job is asked to do, as the user said it before the job started: the command line fills
// it from its options, the desktop program from the boxes of its main window. The job reads it
// and never asks its user for any of it; what it asks (a file in its dialog, one line of several
// in a list) goes through RunUi (app/run.h). An option the one front end sets and the other does
// not know keeps its default here, where both can see it.

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "app/run_comparison.h"
#include "app/run_files.h"
#include "report/field/grid_projection.h"
#include "report/drawings/section_layout.h"

namespace qelt {

struct RunOptions {
    // The files the user gave before the job (qelt-cli's --alignment, --profile …), by role.
    // A job given its files up front (`up_front`) goes without a file the line can do without
    // when none was given (the chain breaks of a LandXML line numbered by its own start
    // station), where the desktop shows the dialog and a cancel stops the job; and it refuses a
    // file given for a line that needs none (a chain-break file beside the line's own station
    // equations). The desktop gives none: it asks in the dialogs.
    std::array<std::optional<std::string>, kJobInputCount> files;
    bool up_front = false;

    // The job reads a design profile after the line (--profile, the box 设计高程): the records
    // and tables carry design elevations.
    bool heights = false;
    // The job reads a ground surface after the line and the profile (--terrain, the box
    // 地面高程): every record carries the ground's elevation at its X, Y where the terrain
    // covers it.
    bool ground = false;
    // The as-drilled job compares the surveyed holes with the planned ones (--planned, the box
    // 对比计划): it asks for the planned borehole list after the points file, and its table
    // follows the planned groups.
    bool compare_planned = false;
    // How far a drilled hole may lie from its planned place in plan, metres (--tolerance).
    double tolerance = kDefaultTolerance;

    // The alignment, design profile (ProfAlign) and ground surface the user named among several
    // in one file (--alignment-name, --profile-name, --terrain-name); nothing: the job takes the
    // only one, or asks.
    std::optional<std::string> alignment_name;
    std::optional<std::string> profile_name;
    std::optional<std::string> terrain_name;

    // The maps' coordinate system (--crs, --central-meridian; the desktop takes the zone number
    // prefixed to Y) and the section drawing's scales (--section-scales).
    GridSystem grid;
    SectionScales section_scales;
    // The job draws the section (qelt-cli's --section-dxf; the desktop draws it on every job that
    // reads heights). Where no terrain is read, the section draws the ground line the LandXML line
    // carries (ProfSurf): only then does a damaged ground line stop the job; otherwise the job
    // says it was skipped.
    bool draws_section = true;

    const std::optional<std::string>& file(DialogRole role) const {
        return files[static_cast<std::size_t>(role)];
    }
    std::optional<std::string>& file(DialogRole role) {
        return files[static_cast<std::size_t>(role)];
    }
};

// The section drawing (钻孔纵断面图) shows heights: it has something to show only for a job that
// reads a design profile or a ground.
inline bool section_has_heights(const RunOptions& options) {
    return options.heights || options.ground;
}

}  // namespace qelt
