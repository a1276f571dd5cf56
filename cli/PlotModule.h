#pragma once

#include "core/Titration.h"
#include "plot/DisplayMode.h"

#include <string>

class QCoreApplication;

namespace cli {

enum class PlotFile { Data, Residuals };

/// What the plot module offers tamo-calibrate. The module holds the plot
/// library with the GUI and SVG libraries under it (fonts, SVG, PDF, PNG);
/// a run that draws no plot never loads them, and starts several times faster.
struct PlotModule {
    /// Creates the GUI application the drawing needs, on the offscreen platform
    /// unless another is set (no display needed), and gives the module the
    /// decimal separator. Called once, before any plot; the caller owns the result.
    QCoreApplication* (*start)(int& argc, char** argv, char decimalSeparator);
    /// Writes the plot of a calculated titration to the file in the format of its
    /// extension (.svg, .pdf or .png). Returns an empty text on success, else the reason.
    std::string (*exportPlot)(PlotFile kind, const core::Titration& titration,
                              plot::DisplayMode mode, const std::string& path);
};

/// The file name of the module: beside the executable in the build tree, in
/// the folder below (relative to the executable's folder's parent) once installed.
inline constexpr const char* kPlotModuleFile = "tamo-calibrate-plots.so";
inline constexpr const char* kInstalledPlotModuleDir = "lib/tamo";
/// The name of the function the module exports, which returns its PlotModule.
inline constexpr const char* kPlotModuleEntry = "tamoCalibratePlotModule";

/// Loads the module. Returns null after setting
/// the error text when it cannot be loaded.
const PlotModule* loadPlotModule(std::string& error);

} // namespace cli
