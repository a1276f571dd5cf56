#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

#include <optional>

namespace ui {

/// Colours a label's text through its palette (a style sheet would also change
/// its font); none gives back the colour of the window.
inline void setTextColour(QWidget* widget, std::optional<QColor> colour) {
    QPalette palette = widget->parentWidget() ? widget->parentWidget()->palette() : QPalette();
    if (colour)
        palette.setColor(QPalette::WindowText, *colour);
    widget->setPalette(palette);
}

} // namespace ui
