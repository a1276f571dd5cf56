// The plot module of tamo-calibrate: loaded only by runs that draw a plot.
#include "PlotModule.h"

#include "core/Locale.h"
#include "io/FileAccess.h"
#include "plot/PlotExport.h"

#include <QGuiApplication>

namespace {

QCoreApplication* start(int& argc, char** argv, char decimalSeparator) {
    // This module has its own copy of the engine, whose formatted numbers show the separator.
    core::setDecimalSeparator(decimalSeparator);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // never a window: no display needed
    return new QGuiApplication(argc, argv);
}

std::string exportPlot(cli::PlotFile kind, const core::Titration& titration, plot::DisplayMode mode,
                       const std::string& path) {
    const plot::PictureFile file = plot::pictureFile(
        kind == cli::PlotFile::Data ? plot::PlotKind::Data : plot::PlotKind::Residuals, titration,
        mode, path);
    return file.error.empty() ? io::writeFileAtomically(path, file.bytes) : file.error;
}

constexpr cli::PlotModule kModule{start, exportPlot};

} // namespace

extern "C" __attribute__((visibility("default"))) const cli::PlotModule* tamoCalibratePlotModule() {
    return &kModule;
}
