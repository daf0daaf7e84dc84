#pragma once
// Station text (桩号) and chain-break resolution.
//
// On input a station is a number of metres, optionally preceded by one capital letter A..Z, the
// chain-break identifier naming the interval in which the number is to be read ('A' = before the
// first chain break, 'B' = after it, …). It is printed as "K1+234.500", or "K1+234" for whole
// metres, without the identifier. The continuous mileage is the distance along the line with
// every chain break taken out; all geometry is evaluated at it.

#include <cstdint>
#include <string>

#include "station/chain_breaks.h"

namespace qelt {

// Continuous mileage (metres) of a station text: its number plus, for a station lettered with
// interval k, the sum of (before − after) over the k chain breaks passed. A lower-case first
// letter is no identifier (the text then reads as 0). Requires zh_check to have passed the text
// (k ≤ dl_count).
void zh_mileage(const ChainBreaks& breaks, const std::string& station_text, double& mileage);

// Printed station "K<km>+<mmm>[.ddd]": whole kilometres, metres as three zero-padded digits,
// three decimals rounded half away from zero (carrying into metres and kilometres) unless the
// number is whole; a leading "-" for negative numbers. The identifier letter is dropped and no
// chain-break correction is applied: the station prints as the user wrote it.
void zh_format(const std::string& station_text, std::string& printed);

// Checks a lettered station against the chain-break table. Returns false and sets `message`
// to the text to show the user ("桩号…") when the letter names no interval or the number lies
// outside its interval. Unlettered stations pass.
bool zh_check(const ChainBreaks& breaks, const std::string& station_text, std::string& message);

// Supplies the identifier letter of an unlettered station (zhdlstr = letter + trimmed text) and
// rejects a station value that lies in the gap of a short chain or in the overlap of a long one
// (errle = 0 and `message` set). Lettered stations, and all stations when there are no chain
// breaks, pass unchanged. An empty station text is rejected.
void zh_dlstr(const ChainBreaks& breaks, const std::string& zhstr, std::string& zhdlstr,
              std::int16_t& errle, std::string& message);

// A number in its shortest plain form, as chain-break stations appear in messages: up to 15
// significant digits, no trailing zeros, no 0 before the point (".5", "-.25", "1100").
std::string short_number_text(double value);

}  // namespace qelt
