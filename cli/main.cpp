#include "Calibrator.h"
#include "Options.h"

#include "core/Locale.h"
#include "core/VectorState.h"
#include "io/FileAccess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

void writeAll(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

/// Plots draw text and need the GUI library's fonts; calibrating alone does not,
/// and starts faster without it.
bool asksForPlots(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--plot-out", "--residuals-out"})
            if (std::strncmp(argv[i], option, std::strlen(option)) == 0)
                return true;
    return false;
}

/// The platform's chatter (such as a missing runtime folder of the offscreen
/// platform) is no business of a batch tool's output; errors still show.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tamo-calibrate: %s\n", text.toLocal8Bit().constData());
}

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[]) {
    qInstallMessageHandler(quietQtMessages);
    if (!asksForPlots(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // never a window: no display needed
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName("tamo-calibrate");
    QCoreApplication::setApplicationVersion(TAMO_VERSION);
    const QLocale locale = QLocale::system();
    core::setDecimalSeparator(locale.decimalPoint() == QStringLiteral(",") ? ',' : '.');

    const cli::ParsedCommandLine command = cli::parseCommandLine(QCoreApplication::arguments());
    switch (command.action) {
    case cli::ParsedCommandLine::Action::ShowHelp:
    case cli::ParsedCommandLine::Action::ShowVersion:
        writeAll(stdout, command.text);
        return 0;
    case cli::ParsedCommandLine::Action::UsageError:
        writeAll(stderr, "tamo-calibrate: " + command.text + "\n");
        return 2;
    case cli::ParsedCommandLine::Action::Run:
        break;
    }

    const std::string date =
        locale.toString(QDateTime::currentDateTime(), QLocale::ShortFormat).toStdString();
    core::clearVectorUpperState(); // the parsing above leaves it dirty: reading slows down
    const cli::RunResult run = cli::calibrateFiles(command.options, date);
    writeAll(stderr, run.errors);
    if (command.options.outputPath.empty()) {
        writeAll(stdout, run.output);
    } else if (const std::string error =
                   io::writeFileAtomically(command.options.outputPath, run.output);
               !error.empty()) {
        writeAll(stderr, "tamo-calibrate: " + error + "\n");
        return 1;
    }
    return run.exitStatus;
}
