#include "SmokeTest.h"
#include "core/Locale.h"
#include "ui/Dialogs.h"
#include "ui/SettingsLocation.h"
#include "ui/Tamo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QLocale>
#include <QTimer>

int main(int argc, char* argv[]) {
    // The icons are compiled into the static window library, whose resource
    // registration the linker would otherwise leave out.
    Q_INIT_RESOURCE(icons);
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
        QStringLiteral("Quit as soon as the window is shown, never waiting for an answer: exit "
                       "status 0 when FILE was calculated and the icons can be drawn."));
    parser.addOption(smokeTest);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A calibration data file to load at start."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();

    ui::QtDialogs desktopDialogs;
    SmokeTestDialogs smokeTestDialogs;
    ui::Dialogs& dialogs =
        parser.isSet(smokeTest) ? static_cast<ui::Dialogs&>(smokeTestDialogs) : desktopDialogs;
    ui::Tamo window(dialogs, ui::standardSettingsLocation());
    window.Form_Load(files.isEmpty() ? QString() : files.first());
    window.show();
    if (parser.isSet(smokeTest)) {
        QTimer::singleShot(0, &app, [&] { QApplication::exit(smokeTestStatus(window)); });
    }
    return app.exec();
}
