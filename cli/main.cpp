#include "BatchRecords.h"
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
#include <csignal>
#include <memory>
#include <unistd.h>

// Start-up is most of the time of a small run, so it does only what the run
// needs: no application object unless a plot is drawn, the GUI library only
// then (the plot module), the locale only for a calibration, the date only for
// a report.

namespace {

/// Standard error, whole lines even when a signal comes in the middle of one.
void writeAll(const std::string& text) {
    static_cast<void>(cli::writeFully(STDERR_FILENO, text));
}

int fail(const std::string& error) {
    writeAll("tamo-calibrate: " + error + "\n");
    return 1;
}

/// The platform's chatter (such as a missing runtime folder of the offscreen
/// platform) is no business of a batch tool's output; errors still show.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        writeAll("tamo-calibrate: " + text.toLocal8Bit().toStdString() + "\n");
}

volatile std::sig_atomic_t g_stopSignal = 0;

void stopBatch(int signal) {
    g_stopSignal = signal;
}

/// SIGINT and SIGTERM let the batch finish the file in hand, write its output
/// and add its records, and stop cleanly; again and again. The calls they
/// interrupt are resumed, and writes are retried (cli::writeFully).
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = stopBatch;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
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
        writeAll("tamo-calibrate: " + command.text + "\n");
        return 2;
    case cli::ParsedCommandLine::Action::Run:
        break;
    }
    // From here on a signal stops the batch cleanly, before any file if need be.
    catchStopSignals();
    const cli::Options& options = command.options;
    if (!options.settingsWarning.empty())
        writeAll("tamo-calibrate: " + options.settingsWarning + "\n");

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

    // The logbook, opened only when asked for; the record of each file is added
    // once the output it goes with has reached its destination, in file order,
    // each in a transaction of its own.
    io::Logbook logbook;
    if (!options.logPath.empty()) {
        if (error = logbook.open(options.logPath); !error.empty())
            return fail(error);
        if (!logbook.warning().empty())
            return fail(logbook.warning());
    }
    cli::BatchRecords records;
    std::uint64_t outputEnd = 0;

    core::clearVectorUpperState(); // the parsing above leaves it dirty: reading slows down
    int status = cli::calibrateFiles(options, date, exportPlot, [&](const cli::FileOutput& file) {
        writeAll(file.errors);
        if (g_stopSignal != 0 || !output->write(file.text))
            return false;
        outputEnd += file.text.size();
        records.fileDone(file.path, file.record, outputEnd);
        return true;
    });
    const std::string outputError = output->finish();
    std::string logError;
    if (!options.logPath.empty()) {
        std::string refusals;
        logError = records.add(logbook, output->delivered(), options.allowDuplicate, refusals);
        writeAll(refusals);
        if (records.refusedAny())
            status = 1;
    }
    const bool stopped = g_stopSignal != 0 && records.filesDone() < options.files.size();
    writeAll(records.summary(options.logPath, options.files, stopped));
    if (!outputError.empty())
        return fail(outputError);
    if (!logError.empty())
        return fail(logError);
    return stopped ? 128 + g_stopSignal : status;
}
