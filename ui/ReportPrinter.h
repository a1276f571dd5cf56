#pragma once

#include "core/Report.h"

#include <string>
#include <vector>

class QPrinter;

namespace ui {

/// Prints the lines in the printer's default font. A tab column n stands n - 1
/// average character widths right of the left margin; an item whose column lies
/// left of where the line has got to starts a new line at that column. Lines
/// run on to the next page when a page is full. Returns an empty text, or the
/// reason the report could not be printed.
std::string printLines(QPrinter& printer, const std::vector<core::PrintLine>& lines);

} // namespace ui
