#pragma once

namespace plot {

/// The two plots that can be copied or exported.
enum class PlotKind { Data, Residuals };

} // namespace plot
