#pragma once
// Readers of the four input files. Each fills the caller's tables and throws DataError, naming
// the file and line, for a record it cannot take. Entries beyond what a file fills keep their
// old values; the counts say how far the tables are meaningful.

#include <cstdint>
#include <string>

#include "base/line_reader.h"
#include "base/text.h"
#include "htbas/element_chain.h"
#include "station/chain_breaks.h"
#include "zxbas/main_line.h"

namespace qelt {

// Intersection-point alignment file (交点法):
//   line 1:  <text>,<start station>            e.g. 起点,1000
//   then:    <JD name>,X Y R Ls1 Ls2 [R1 R2]   one line per JD, start point first, end point last
// A blank line (or a line starting with a comma) ends the list. A name containing "HT" (any
// case) marks a hairpin; its next-to-last / last character "1" keeps the incoming / outgoing leg.
// Fills jd_start_station, jd_x … jd_keep_out for records 1..N and jd_count = N.
void zx_read_alignment(LineSource& file, MainLine& line);

// Element alignment file (积木法): numbers separated by commas, blanks or line breaks: start
// station, X, Y, start azimuth (ddd.mmss), then start radius, end radius and length per element.
// An azimuth whose minutes or seconds, as written, are 60 or more is refused. Fills ht_in_line
// with the line of each element's start radius.
void ht_read_elements(LineSource& file, ElementChain& chain);

// Chain-break file (断链): one line "<station before> <station after>" per chain break, in order
// along the road; a blank line ends the list; at most 19 chain breaks.
void dl_read_file(LineSource& file, ChainBreaks& breaks);

// Every numeric field is read whole (blanks around it, a sign, full-width digits allowed);
// anything else is refused naming the field as written. The comma after a name may be the
// full-width "，"; tabs and the ideographic space count as blanks.

// A group line of the borehole file: "<title> <count>". The count must be a whole number in
// 0..32767 ("3" or "3.0"). Throws DataError (without file and line; the caller knows them) for
// fewer than two fields, a count that is no whole number, or a title longer than a worksheet
// cell holds (kMaxCellText, base/limits.h). Further fields are ignored.
void bh_parse_group(const std::string& line, std::string& title, std::int16_t& count);

// A borehole line: "<station> <offset> [remark]". The station must read as one (parse_station:
// plain, lettered or K-form) and the offset as a number; the remark is the rest of the line
// after the offset, trimmed, its inner blanks kept. offset_text keeps the offset as written
// (full-width digits folded to ASCII). Throws DataError (without file and line) for fewer than
// two fields, a station or offset that does not read, or a remark longer than a worksheet cell
// holds.
void bh_parse_borehole(const std::string& line, std::string& station, double& offset,
                       std::string& offset_text, std::string& remark);

// A line of the as-drilled points file (实测坐标资料), laid out like the borehole file (project
// line, group lines read by bh_parse_group): "<hole name> <X> <Y> [remark]", X north and Y east
// in metres as surveyed. X and Y must read whole as numbers; the remark is the rest of the line
// after Y, trimmed, its inner blanks kept. Throws DataError (without file and line) for fewer
// than three fields, an X or Y that does not read, or a name or remark longer than a worksheet
// cell holds.
void pt_parse_point(const std::string& line, std::string& name, double& x, double& y,
                    std::string& remark);

}  // namespace qelt
