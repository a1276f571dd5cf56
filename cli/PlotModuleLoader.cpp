#include "PlotModule.h"

#include <QFileInfo>
#include <QLibrary>

namespace cli {

const PlotModule* loadPlotModule(std::string& error) {
    // No application object exists yet to tell the executable's folder.
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    QLibrary library(QFileInfo(executable).absolutePath() + '/' + kPlotModuleFile);
    using Entry = const PlotModule* (*)();
    const auto entry = reinterpret_cast<Entry>(library.resolve(kPlotModuleEntry));
    if (!entry) {
        error = "the plots cannot be drawn: " + library.errorString().toStdString();
        return nullptr;
    }
    return entry(); // the library stays loaded until the process ends
}

} // namespace cli
