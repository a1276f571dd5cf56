#include "SmokeTest.h"
#include "core/Locale.h"
#include "io/NativePath.h"
#include "ui/Dialogs.h"
#include "ui/SettingsLocation.h"
#include "ui/Tamo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLocale>
#include <QTimer>
#include <QWidget>

namespace {

/// Calls back once after the first paint of a widget.
class PaintWatcher : public QObject {
public:
    PaintWatcher(QWidget* widget, std::function<void()> painted) : m_painted(std::move(painted)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_painted)
            QTimer::singleShot(0, qApp, std::exchange(m_painted, {}));
        return false;
    }

private:
    std::function<void()> m_painted;
};

/// The file named on the command line, its bytes kept (QCommandLineParser
/// would replace those that are not UTF-8): the first argument that is no option.
QString firstFileArgument(int argc, char* argv[]) {
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (!optionsEnd && argument == "--")
            optionsEnd = true;
        else if (optionsEnd || !argument.starts_with('-'))
            return io::fromNativePath(argument);
    }
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAMO"));
    QApplication::setApplicationVersion(QStringLiteral(TAMO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tamo")); // the desktop entry tamo.desktop
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tamo.svg")));
    core::setDecimalSeparator(QLocale().decimalPoint() == QStringLiteral(",") ? ',' : '.');

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Calibrates a glass pH electrode from a strong acid / strong base titration."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption smokeTest(
        QStringLiteral("smoke-test"),
        QStringLiteral("Quit as soon as the window is painted, never waiting for an answer: exit "
                       "status 0 when FILE was calculated and the icons can be drawn."));
    parser.addOption(smokeTest);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A calibration data file to load at start."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();

    ui::QtDialogs desktopDialogs;
    ui::UnattendedDialogs smokeTestDialogs(smokeTestReport);
    ui::Dialogs& dialogs =
        parser.isSet(smokeTest) ? static_cast<ui::Dialogs&>(smokeTestDialogs) : desktopDialogs;
    ui::Tamo window(dialogs, ui::standardSettingsLocation());
    window.restoreGeometryOrFirstSize();
    window.Form_Load(files.isEmpty() ? QString() : firstFileArgument(argc, argv));
    window.show();
    if (!parser.isSet(smokeTest))
        return app.exec();
    // Done once the window has been painted with its data plot; a window that
    // never shows the plot (nothing calculated) ends when the events run out.
    const auto finish = [&] { QApplication::exit(smokeTestStatus(window)); };
    PaintWatcher watcher(window.findChild<QWidget*>(QStringLiteral("DataPlot")), finish);
    if (window.document().state() != ui::WindowState::Calculated)
        QTimer::singleShot(0, &app, finish);
    QTimer::singleShot(10000, &app, finish);
    return app.exec();
}
