#include "core/Locale.h"
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

/// Ends the event loop with status 0 after the first paint of a widget.
class PaintWatcher : public QObject {
public:
    explicit PaintWatcher(QWidget* widget) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, [] { QApplication::exit(0); });
        return false;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAMO"));
    QApplication::setApplicationVersion(QStringLiteral(TAMO_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tamo.svg")));
    core::setDecimalSeparator(QLocale().decimalPoint() == QStringLiteral(",") ? ',' : '.');

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Calibrates a glass pH electrode from a strong acid / strong base titration."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption smokeTest(
        QStringLiteral("smoke-test"),
        QStringLiteral("Quit as soon as the window is shown: exit status 0 when FILE was calculated."));
    parser.addOption(smokeTest);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A calibration data file to load at start."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();

    ui::QtDialogs dialogs;
    ui::Tamo window(dialogs, ui::standardSettingsLocation());
    window.Form_Load(files.isEmpty() ? QString() : files.first());
    window.show();
    if (parser.isSet(smokeTest)) {
        // Done once the calculated window has been painted, its data plot included.
        if (window.document().state() != ui::WindowState::Calculated)
            return 1;
        PaintWatcher watcher(window.findChild<QWidget*>(QStringLiteral("DataPlot")));
        QTimer::singleShot(10000, &app, [] { QApplication::exit(1); });
        return app.exec();
    }
    return app.exec();
}
