#pragma once

#include "ImportProfile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace io {

/// What a header row says of the columns, counting from 0 (-1: not named).
struct HeaderColumns {
    int amount = -1;
    int emf = -1;
    int pH = -1;                    ///< a column headed pH
    std::optional<EmfUnit> emfUnit; ///< the unit in brackets in the emf's header
};

/// The columns the header row names by the usual names of the amount (V,
/// Volume, Volumen, ml, g, Mass...) and of the emf (E, EMF, mV, Potential,
/// Messwert...), a unit after the name in brackets or after "/" ("E [V]", "V / ml").
HeaderColumns headerColumns(const std::vector<std::string>& fields);

/// The emf unit a header field gives ("E [V]": V); nothing without one.
std::optional<EmfUnit> headerUnit(std::string_view field);

/// Values that count the rows: 0, 1, 2... or 1, 2, 3... (at least three of them).
bool countsRows(const std::vector<double>& values);

/// Whole numbers that rise to 60 or more: seconds more likely than a reading.
bool looksLikeTimes(const std::vector<double>& values);

/// Values that look like pH rather than millivolts: all from 0 to 14, spread
/// over at least one unit, and moving steadily one way, as pH does in a titration.
bool looksLikePH(const std::vector<double>& values);

} // namespace io
