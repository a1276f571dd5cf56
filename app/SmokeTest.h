#pragma once

#include "ui/UnattendedDialogs.h"

namespace ui {
class Tamo;
}

/// What a smoke test would show goes to standard error.
void smokeTestReport(const QString& text);

/// The exit status of `tamo --smoke-test FILE` once the window is shown: 0 when
/// the titration was calculated and the icons can be drawn, 1 otherwise, with
/// the reason on standard error. It proves an installed program complete: the
/// icon resource linked in and Qt's SVG icon engine present.
int smokeTestStatus(ui::Tamo& window);
