#pragma once

#include "core/Report.h"

#include <functional>
#include <string>
#include <vector>

class QPainter;
class QPrinter;
class QRectF;

namespace ui {

/// Prints the lines in the printer's default font, with margins of at least
/// 15 mm. A tab column n stands n - 1 widths of the widest digit right of the
/// left margin; an item whose column lies left of where the line has got to
/// starts a new line at that column, and an item too long for the line goes on
/// below from its column, broken after a blank or a slash where it can be.
/// Lines run on to the next page when a page is full. A PDF printed to a file
/// replaces the file only once it is whole. Returns an empty text, or the reason
/// the report could not be printed.
/// With lastPage, a page after the lines is drawn by it, given the page's area.
[[nodiscard]] std::string
printLines(QPrinter& printer, const std::vector<core::PrintLine>& lines,
           const std::function<void(QPainter&, const QRectF&)>& lastPage = {});

} // namespace ui
