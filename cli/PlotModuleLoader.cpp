#include "PlotModule.h"

#include <QFileInfo>
#include <QLibrary>

namespace cli {

const PlotModule* loadPlotModule(std::string& error) {
    // No application object exists yet to tell the executable's folder.
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString folder = QFileInfo(executable).absolutePath();
    // Beside the program in the build tree, in the library folder once installed.
    QString module = folder + '/' + kPlotModuleFile;
    if (const QString installed = folder + "/../" + kInstalledPlotModuleDir + '/' + kPlotModuleFile;
        !QFileInfo::exists(module) && QFileInfo::exists(installed))
        module = installed;
    QLibrary library(module);
    using Entry = const PlotModule* (*)();
    const auto entry = reinterpret_cast<Entry>(library.resolve(kPlotModuleEntry));
    if (!entry) {
        error = "the plots cannot be drawn: " + library.errorString().toStdString();
        return nullptr;
    }
    return entry(); // the library stays loaded until the process ends
}

} // namespace cli
