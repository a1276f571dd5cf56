#include "SmokeTest.h"

#include "ui/Tamo.h"

#include <QIcon>
#include <cstdio>

void smokeTestReport(const QString& text) {
    std::fprintf(stderr, "tamo: smoke test: %s\n", text.toLocal8Bit().constData());
}

int smokeTestStatus(ui::Tamo& window) {
    int status = 0;
    if (window.document().state() != ui::WindowState::Calculated) {
        smokeTestReport(QStringLiteral("the titration was not calculated"));
        status = 1;
    }
    if (QIcon(QStringLiteral(":/icons/tamo.svg")).pixmap(32, 32).isNull()) {
        smokeTestReport(QStringLiteral("the icons cannot be drawn (the icon resource or Qt's "
                                       "SVG icon engine is missing)"));
        status = 1;
    }
    return status;
}
