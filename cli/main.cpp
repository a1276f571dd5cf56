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
#include <cstdio>
#include <memory>
#include <vector>

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

volatile std::sig_atomic_t g_stopSignal = 0;
volatile std::sig_atomic_t g_signals = 0;

void stopBatch(int signal) {
    g_stopSignal = signal;
    g_signals = g_signals + 1;
}

/// SIGINT and SIGTERM let the batch finish the file in hand and stop cleanly.
void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = stopBatch;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

/// A record waiting for its file's output to be written, with the file's name.
struct PendingRecord {
    std::string file;
    io::LogbookRecord record;
};

/// Adds the records whose output was written, in file order, each in a
/// transaction of its own; a calibration the logbook holds already is kept
/// again only when allowed. A signal that comes while they are added stops
/// them after the record in hand.
/// Returns the error that stopped it; `added` counts the records kept.
std::string addRecords(io::Logbook& logbook, std::vector<PendingRecord>& pending,
                       bool allowDuplicate, int& added, bool& refused) {
    const std::sig_atomic_t signalsBefore = g_signals;
    for (PendingRecord& p : pending) {
        if (g_signals != signalsBefore)
            return {};
        long long id = 0;
        if (!allowDuplicate)
            if (std::string error = logbook.findDuplicate(p.record, id); !error.empty())
                return error;
        if (id != 0) {
            writeAll(stderr, "tamo-calibrate: " + p.file +
                                 ": not kept in the logbook: it is "
                                 "record " +
                                 std::to_string(id) +
                                 " already (--allow-duplicate "
                                 "keeps it again)\n");
            refused = true;
            continue;
        }
        if (std::string error = logbook.add(p.record); !error.empty())
            return error;
        ++added;
    }
    return {};
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
    if (!options.settingsWarning.empty())
        writeAll(stderr, "tamo-calibrate: " + options.settingsWarning + "\n");

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
    // is delivered, in file order, in a transaction of its own, once the output
    // it goes with is written.
    io::Logbook logbook;
    if (!options.logPath.empty()) {
        if (error = logbook.open(options.logPath); !error.empty())
            return fail(error);
        if (!logbook.warning().empty())
            return fail(logbook.warning());
    }
    std::vector<PendingRecord> pending;
    catchStopSignals();

    core::clearVectorUpperState(); // the parsing above leaves it dirty: reading slows down
    int status = cli::calibrateFiles(options, date, exportPlot, [&](const cli::FileOutput& file) {
        writeAll(stderr, file.errors);
        if (g_stopSignal != 0 || !output->write(file.text))
            return false;
        if (file.record)
            pending.push_back({file.path, *file.record});
        return true;
    });
    if (error = output->finish(); !error.empty())
        return fail(error);
    if (!options.logPath.empty()) {
        int added = 0;
        bool refused = false;
        const std::string logError =
            addRecords(logbook, pending, options.allowDuplicate, added, refused);
        writeAll(stderr, "tamo-calibrate: " + std::to_string(added) +
                             (added == 1 ? " record" : " records") + " added to " +
                             options.logPath + "\n");
        if (!logError.empty())
            return fail(logError);
        if (refused)
            status = 1;
    }
    if (g_stopSignal != 0) {
        writeAll(stderr, "tamo-calibrate: stopped by a signal before every file was done\n");
        return 128 + g_stopSignal;
    }
    return status;
}
