#include "Examples.h"

#include "core/Format.h"
#include "core/Locale.h"
#include "io/DataFile.h"
#include "io/FileAccess.h"
#include "io/TextEncoding.h"

namespace examples {

namespace {

sim::Setup acidWithAlkali() {
    sim::Setup s;
    s.id = "HCl 0.02 M in 0.1 M KCl titrated with NaOH 0.1 M, 25 C (simulated)";
    s.titrandVolume = 25;
    s.electrolyteVolume = 25;
    s.titrandConc = 0.02;
    s.buretteConc = -0.1;
    s.E0 = 401.3;
    s.slope = 59.1;
    s.carbonateFraction = 0.005;
    s.lastVolume = 7.25;
    s.pointCount = 59; // 0.125 ml steps
    s.emfNoise = 0.05;
    s.seed = 1;
    return s;
}

sim::Setup alkaliWithAcid() {
    sim::Setup s;
    s.id = "NaOH 0.02 M in 0.1 M KCl titrated with HCl 0.1 M, 25 C (simulated)";
    s.titrandVolume = 25;
    s.electrolyteVolume = 25;
    s.titrandConc = -0.02;
    s.buretteConc = 0.1;
    s.E0 = 395.8;
    s.slope = 58.8;
    s.lastVolume = 7.5;
    s.pointCount = 61; // 0.125 ml steps
    s.emfNoise = 0.05;
    s.seed = 2;
    return s;
}

sim::Setup decimalCommaTitration() {
    sim::Setup s;
    s.id = "HCl 0,015 M in KCl 0,1 M mit NaOH 0,05 M titriert, 25 \u00B0C (simuliert)";
    s.titrandVolume = 20;
    s.electrolyteVolume = 30;
    s.titrandConc = 0.015;
    s.buretteConc = -0.05;
    s.E0 = 408.2;
    s.slope = 58.6;
    s.carbonateFraction = 0.01;
    s.lastVolume = 9;
    s.pointCount = 46; // 0.2 ml steps
    s.emfNoise = 0.08;
    s.seed = 3;
    return s;
}

/// The texts of the file, numbers with the current decimal separator.
io::DataFileTexts exampleTexts(const sim::Setup& setup) {
    const core::Titration t = sim::makeTitration(setup); // the conditions as the window shows them
    io::DataFileTexts texts;
    texts.id = setup.id;
    texts.conditions = {t.v0.text, t.v1.text, t.Initial.text, t.Burette.text};
    for (const sim::SimulatedPoint& p : sim::simulate(setup))
        texts.points.emplace_back(core::formatNumber(p.volume, "0.000"),
                                  core::formatNumber(p.emf, "0.00"));
    return texts;
}

std::string semicolonLine(const std::vector<std::string>& values) {
    std::string line;
    for (const std::string& value : values)
        line += (line.empty() ? "" : ";") + value;
    return line + "\r\n";
}

/// Our writer lays values out in print zones; this file separates them by semicolons.
std::string semicolonBytes(const io::DataFileTexts& texts) {
    const auto& c = texts.conditions;
    std::string text = texts.id + "\r\n" + semicolonLine({c.begin(), c.end()});
    for (const auto& [volume, emf] : texts.points)
        text += semicolonLine({volume, emf});
    return io::utf8ToLatin1(text).value_or(text);
}

} // namespace

std::vector<Example> bundledExamples() {
    return {
        {"acid-with-alkali.txt", acidWithAlkali(), false},
        {"reverse-alkali-with-acid.txt", alkaliWithAcid(), false},
        {"decimal-comma.txt", decimalCommaTitration(), true},
    };
}

std::string exampleBytes(const Example& example) {
    if (example.decimalComma) {
        core::ScopedDecimalSeparator comma(',');
        return semicolonBytes(exampleTexts(example.setup));
    }
    core::ScopedDecimalSeparator point('.');
    return io::dataFileBytes(exampleTexts(example.setup));
}

std::string writeExamples(const std::string& folder) {
    for (const Example& example : bundledExamples()) {
        const std::string path = folder + "/" + example.fileName;
        std::string error;
        if (example.decimalComma) {
            error = io::writeFileAtomically(path, exampleBytes(example));
        } else {
            core::ScopedDecimalSeparator point('.');
            error = io::WriteDataFile(path, exampleTexts(example.setup));
        }
        if (!error.empty())
            return error;
    }
    return {};
}

} // namespace examples
