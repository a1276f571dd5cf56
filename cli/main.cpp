#include "Calibrator.h"
#include "Options.h"

#include "core/Locale.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QSaveFile>

#include <cstdio>

namespace {

void writeAll(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

/// Replaces the output file atomically. Returns an error text.
std::string saveOutput(const std::string& path, const std::string& text) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit())
        return "cannot write " + path + ": " + file.errorString().toStdString();
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
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
    const cli::RunResult run = cli::calibrateFiles(command.options, date);
    writeAll(stderr, run.errors);
    if (command.options.outputPath.empty()) {
        writeAll(stdout, run.output);
    } else if (const std::string error = saveOutput(command.options.outputPath, run.output);
               !error.empty()) {
        writeAll(stderr, "tamo-calibrate: " + error + "\n");
        return 1;
    }
    return run.exitStatus;
}
