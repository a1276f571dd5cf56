#pragma once

#include "sim/Simulator.h"

#include <string>
#include <vector>

namespace examples {

/// One bundled example file and the titration it holds.
struct Example {
    std::string fileName;
    sim::Setup setup;
    /// Written as a spreadsheet in a decimal-comma country exports it: decimal
    /// commas, values separated by semicolons, the identifier in Latin-1.
    bool decimalComma = false;
};

/// The examples in examples/, with their fixed seeds.
std::vector<Example> bundledExamples();

/// The bytes of an example file: volumes with three decimals, emf with two,
/// lines ended by CR LF.
std::string exampleBytes(const Example& example);

/// Writes every bundled example into the folder (which must exist). Returns an
/// empty text on success, else the first failure.
[[nodiscard]] std::string writeExamples(const std::string& folder);

} // namespace examples
