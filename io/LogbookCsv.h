#pragma once

#include "LogbookRecord.h"

#include <string>
#include <vector>

namespace io {

/// The records as CSV: a header row, then one row per record, lines ended by
/// CR LF. Numbers are written exactly, with the locale's decimal separator; the
/// fields are then separated by ";" when that separator is ",", else by ",".
/// A field holding the field separator, a quote or a line break is quoted, its
/// quotes doubled. Verdict reasons are joined by "; ".
std::string logbookCsvText(const std::vector<LogbookEntry>& entries);

/// Writes the CSV text atomically. Returns an empty text on success, else the
/// reason (the old file is then intact).
[[nodiscard]] std::string writeLogbookCsv(const std::string& path,
                                          const std::vector<LogbookEntry>& entries);

} // namespace io
