#pragma once

#include "MessageSink.h"
#include "Titration.h"

#include <array>
#include <vector>

namespace core {

/// The boxes the point selection reads, converted.
struct SelectionInputs {
    std::array<double, 4> range{}; ///< r1 < pH < r2 or r3 < pH < r4
    double pKw = 14;
    double Gamma = 1; ///< copied into the model, not used to select
};

/// Converts GammaBox, pKbox and the four Range boxes, in that order (a bad box
/// sends one message each).
SelectionInputs readSelectionInputs(const Inputs& inputs, MessageSink& sink);

/// The point selection: copies the conditions and the boxes (Range, pKbox,
/// GammaBox, each converted once) into the model, gives every point its
/// stoichiometric pH and uses the points strictly inside either pH range,
/// replacing any choice made by hand. Clears Resid and GranResid.
/// A point whose solution has no volume stops the selection with a message and
/// leaves the titration untouched; returns whether the selection was made.
[[nodiscard]] bool SelectPoints(Titration& t, MessageSink& sink);

/// The same with the boxes already converted.
[[nodiscard]] bool SelectPoints(Titration& t, const SelectionInputs& inputs, MessageSink& sink);

/// What the selection gives each point: its stoichiometric pH and whether it is used.
struct PointSelection {
    std::vector<double> pH;
    std::vector<unsigned char> used;
};

/// The selection with these inputs, the titration left as it is.
PointSelection selectionOf(const Titration& t, const SelectionInputs& inputs);

/// Which points the selection would use (1) with these inputs, the titration left as it is.
std::vector<unsigned char> pointsInRanges(const Titration& t, const SelectionInputs& inputs);

/// The message of a point whose solution has no volume, or an empty text.
std::string zeroVolumeProblem(const Titration& t);

} // namespace core
