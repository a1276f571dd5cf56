#include "Calibrator.h"
#include "Options.h"
#include "Output.h"
#include "PlotModule.h"
#include "core/Locale.h"
#include "core/VectorState.h"
#include "io/Logbook.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <cstdio>
#include <memory>

// Start-up is most of the time of a small run, so it does only what the run
// needs: no application object unless a plot is drawn, the GUI library only
// then (the plot module), the locale only for a calibration, the date only for
// a report.

namespace {

void writeAll(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

int fail(const std::string& error) {
    writeAll(stderr, "tamo-calibrate: " + error + "\n");
    return 1;
}

/// The platform's chatter (such as a missing runtime folder of the offscreen
/// platform) is no business of a batch tool's output; errors still show.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "tamo-calibrate: %s\n", text.toLocal8Bit().constData());
}

/// Help and version text; a failed write is told.
int show(const std::string& text) {
    std::string error;
    const std::unique_ptr<cli::Output> out = cli::openOutput({}, error);
    out->write(text);
    error = out->finish();
    return error.empty() ? 0 : fail(error);
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(quietQtMessages);
    QCoreApplication::setApplicationName("tamo-calibrate");
    QCoreApplication::setApplicationVersion(TAMO_VERSION);

    const cli::ParsedCommandLine command = cli::parseCommandLine(cli::argumentList(argc, argv));
    switch (command.action) {
    case cli::ParsedCommandLine::Action::ShowHelp:
    case cli::ParsedCommandLine::Action::ShowVersion:
        return show(command.text);
    case cli::ParsedCommandLine::Action::UsageError:
        writeAll(stderr, "tamo-calibrate: " + command.text + "\n");
        return 2;
    case cli::ParsedCommandLine::Action::Run:
        break;
    }
    const cli::Options& options = command.options;

    const QLocale locale = QLocale::system();
    const char separator = locale.decimalPoint() == QStringLiteral(",") ? ',' : '.';
    core::setDecimalSeparator(separator);

    std::unique_ptr<QCoreApplication> application;
    cli::PlotExporter exportPlot;
    if (cli::wantsPlots(options)) {
        std::string error;
        const cli::PlotModule* plots = cli::loadPlotModule(error);
        if (!plots)
            return fail(error);
        application.reset(plots->start(argc, argv, separator));
        exportPlot = plots->exportPlot;
    }

    const std::string date =
        options.format == cli::OutputFormat::Report
            ? locale.toString(QDateTime::currentDateTime(), QLocale::ShortFormat).toStdString()
            : std::string();
    std::string error;
    const std::unique_ptr<cli::Output> output = cli::openOutput(options.outputPath, error);
    if (!output)
        return fail(error);

    // The logbook, opened only when asked for; each record is added as its file
    // is delivered, in file order, in a transaction of its own.
    io::Logbook logbook;
    if (!options.logPath.empty())
        if (error = logbook.open(options.logPath); !error.empty())
            return fail(error);
    std::string logError;

    core::clearVectorUpperState(); // the parsing above leaves it dirty: reading slows down
    const int status =
        cli::calibrateFiles(options, date, exportPlot, [&](const cli::FileOutput& file) {
            writeAll(stderr, file.errors);
            if (file.record) {
                io::LogbookRecord record = *file.record;
                if (logError = logbook.add(record); !logError.empty())
                    return false;
            }
            return output->write(file.text);
        });
    if (error = output->finish(); !error.empty())
        return fail(error);
    if (!logError.empty())
        return fail(logError);
    return status;
}
