#pragma once

#include "MessageSink.h"
#include "Titration.h"

namespace core {

/// The point selection: copies the conditions and the boxes (Range, pKbox,
/// GammaBox, each converted once) into the model, gives every point its
/// stoichiometric pH and uses the points strictly inside either pH range,
/// replacing any choice made by hand. Clears Resid and GranResid.
/// A point whose solution has no volume stops the selection with a message and
/// leaves the titration untouched; returns whether the selection was made.
[[nodiscard]] bool SelectPoints(Titration& t, MessageSink& sink);

} // namespace core
