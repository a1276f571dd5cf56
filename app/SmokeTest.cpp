#include "SmokeTest.h"

#include "ui/Tamo.h"

#include <QIcon>
#include <cstdio>

namespace {

void report(const QString& text) {
    std::fprintf(stderr, "tamo: smoke test: %s\n", text.toLocal8Bit().constData());
}

} // namespace

void SmokeTestDialogs::message(QWidget*, const QString& text, const QString& title) {
    report(title + QStringLiteral(": ") + text);
}

bool SmokeTestDialogs::question(QWidget*, const QString& text, const QString& title) {
    report(title + QStringLiteral(": ") + text + QStringLiteral(" (answered No)"));
    return false;
}

int smokeTestStatus(ui::Tamo& window) {
    int status = 0;
    if (window.document().state() != ui::WindowState::Calculated) {
        report(QStringLiteral("the titration was not calculated"));
        status = 1;
    }
    if (QIcon(QStringLiteral(":/icons/tamo.svg")).pixmap(32, 32).isNull()) {
        report(QStringLiteral("the icons cannot be drawn (the icon resource or Qt's SVG icon "
                              "engine is missing)"));
        status = 1;
    }
    return status;
}
