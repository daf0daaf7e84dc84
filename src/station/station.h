#pragma once
// Station text (桩号) and chain-break resolution.
//
// On input a station is a number of metres, optionally preceded by one capital letter A..Z, the
// chain-break identifier naming the interval in which the number is to be read ('A' = before the
// first chain break, 'B' = after it, …). The number may also be written the way the table prints
// it, in kilometres and metres ("K11+150.6", "11+150.6", "-K0+050", lettered "BK13+470"). It is
// printed as "K1+234.500", or "K1+234" for whole metres, without the identifier. The continuous
// mileage is the distance along the line with every chain break taken out; all geometry is
// evaluated at it.

#include <optional>
#include <string>
#include <string_view>

#include "station/chain_breaks.h"

namespace qelt {

// A station text taken apart: its chain-break identifier (0 when it has none) and its number in
// metres, in the numbering of that interval.
struct StationText {
    char letter = 0;
    double number = 0;
    // Written in the kilometre form with fewer than three digits of metres before the point
    // ("K12+70", "K12+7.5"): read as written (12070, 12007.5), but the tables always print
    // three digits after '+', so two are far more often a digit left out than meant.
    bool short_metres = false;
};

// Reads a station as engineers write it, the whole text or nothing:
//   1234.5  -12  1.2e3       a plain number of metres (optional sign)
//   B856.25                  a capital chain-break identifier, then the number
//   K11+150.6  11+150.6      kilometres, '+', metres below 1000: 11150.6
//   -K0+050  BK13+470        a sign or an identifier before the kilometre form
// A '+' between a kilometre number and a metre number makes kilometres and metres; a leading '+'
// alone is only a sign; without such a '+' a leading capital is the identifier ("K11150" is
// 11150 in interval K). Blanks around the text are ignored; full-width digits, signs and point
// read as ASCII. Every text zh_format prints reads back to the value it shows. Returns nothing
// for anything else: a word, a lower-case letter, "11,150", a quoted number, "6.5m", a letter
// alone.
std::optional<StationText> parse_station(std::string_view text);

// The notice for a station whose metres after '+' have fewer than three digits before the point
// (StationText::short_metres): the station as written and as it was read ("K12+070"), for the
// reader to put after its file and line. Nothing for any other text.
std::optional<std::string> short_metres_notice(const std::string& station_text);

// What a station text must look like, for messages that refuse one.
inline const char* const kStationForms =
    "应为数（如 11150.6）、K 形式（如 K11+150.6）或带断链标识的桩号（如 B13470、BK13+470）";

// Continuous mileage (metres) of a station text: its number plus, for a station lettered with
// interval k, the sum of (before − after) over the k chain breaks passed. A lower-case first
// letter is no identifier. Requires parse_station to accept the text (NaN otherwise) and
// zh_check to have passed it (k ≤ dl_count).
void zh_mileage(const ChainBreaks& breaks, const std::string& station_text, double& mileage);
// The same for a station already taken apart by parse_station: the table run reads each
// borehole's station once for both its mileage and its printed form.
void zh_mileage(const ChainBreaks& breaks, const StationText& station, double& mileage);

// Printed station "K<km>+<mmm>[.ddd]": whole kilometres, metres as three zero-padded digits,
// three decimals rounded half away from zero (carrying into metres and kilometres) unless the
// number is whole; a leading "-" for negative numbers. The identifier letter is dropped and no
// chain-break correction is applied: the station prints as the user wrote it.
void zh_format(const std::string& station_text, std::string& printed);
// The same for a station already taken apart (its letter plays no part in the print).
void zh_format(const StationText& station, std::string& printed);

// Checks a lettered station against the chain-break table. Returns false and sets `message`
// to the text to show the user ("桩号…") when the letter names no interval or the number lies
// outside its interval. Unlettered stations pass.
bool zh_check(const ChainBreaks& breaks, const std::string& station_text, std::string& message);

// What zh_dlstr makes of a station text: the text with its identifier letter, or the message
// that rejects it.
struct LetteredStation {
    std::optional<std::string> text;  // e.g. "B13470"; nothing when the station is rejected
    std::string message;  // the text to show the user ("桩号…"); empty when accepted
    // The text as read, its letter included where it has or was given one (letter 0 only when
    // there are no chain breaks): what zh_mileage and zh_format take, without reading the text
    // once more for every borehole.
    StationText station;
    explicit operator bool() const { return text.has_value(); }
};

// Supplies the identifier letter of an unlettered station (letter + trimmed text) and rejects a
// station value that lies in the gap of a short chain or in the overlap of a long one, with the
// message to show. Lettered stations, and all stations when there are no chain breaks, pass
// unchanged. An empty station text, or one that reads as no station, is rejected.
LetteredStation zh_dlstr(const ChainBreaks& breaks, const std::string& zhstr);

// The station of a continuous mileage in the chain-break numbering (the reverse of zh_mileage):
// the interval the mileage lies in (at a break's own position, the interval before it), the
// station number there, and the text the tables print. The text carries the interval's letter
// ("BK13+470.125") wherever the number alone would be read elsewhere or not at all (the overlap
// of a long chain), so that reading it back with the borehole-file rules gives the same point
// to the millimetre. Needs the table as the run completes it (element dl_count + 1 set).
struct StationOfMileage {
    char letter = 'A';  // the interval's identifier
    double number = 0;  // the station number in that interval, full precision, metres
    std::string text;   // "K13+470.125", or "BK13+470.125" where the letter is needed
};
StationOfMileage zh_station_of(const ChainBreaks& breaks, double mileage);
// The same for a station number already known in its interval (0 = A, …), such as a stake
// at a whole multiple of the interval: printed from the number itself, with the letter where
// the number alone would be read elsewhere.
StationOfMileage zh_station_in(const ChainBreaks& breaks, int interval, double number);

// The chain-break walk every reader of the table shares. What the first k breaks take out of
// the numbering, Σ (dl_before[i] − dl_after[i]) over i = 1..k, metres: station v of interval k
// lies at continuous mileage v + dl_shift(breaks, k). k is bounded by the table's slots.
double dl_shift(const ChainBreaks& breaks, int k);
// The continuous mileage where chain break i (1..dl_count) stands: where its "before" station is
// reached, dl_before[i] + dl_shift(breaks, i − 1).
double dl_break_mileage(const ChainBreaks& breaks, int i);

// Completes the table for a line running from start_mileage to end_mileage (metres,
// continuous), as every run does once the chain breaks are known: a first "before" of −1 (the
// chain-break file's "-1 -1") declares a line without chain breaks (dl_count 0); element 0 is
// the start of interval A (station 0, or the line's start where the line starts before 0);
// element dl_count + 1 is the end of the line in the last interval's own numbering; then the
// order is checked (dl_check_order). Throws DataError.
void dl_complete(ChainBreaks& breaks, double start_mileage, double end_mileage);

// Checks that the chain breaks follow one another along the road: the continuous mileage of
// each break (where its "before" station stands) lies after the previous break's and within
// the line, start_mileage..end_mileage. Listed out of order, the breaks would shift every later
// borehole by their difference without a word. Throws DataError naming the break's line of the
// chain-break file (break i stands on line i). Nothing to check when dl_count is 0.
void dl_check_order(const ChainBreaks& breaks, double start_mileage, double end_mileage);

}  // namespace qelt
