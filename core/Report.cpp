#include "Report.h"

#include "ElectrodeModel.h"
#include "Format.h"
#include "NumberEntry.h"

namespace core {

namespace {

template <typename... Parts> std::string join(const Parts&... parts) {
    std::string text;
    (text.append(parts), ...);
    return text;
}

std::string shiftText(const std::optional<double>& shift) {
    if (!shift)
        return kNotDetermined;
    const std::string text = formatNumber(*shift, "#0.000");
    return (text.starts_with('-') ? "" : "+") + text + " mV";
}

} // namespace

std::string sensitivityText(const E0Sensitivity& e) {
    return join("E0 moves ", shiftText(e.titrant), " for +0.5 % titrant concentration, ",
                shiftText(e.titrand), " for +0.2 % titrand concentration, ", shiftText(e.pKw),
                " for +0.05 pKw");
}

namespace {

/// "caption value ± sd unit", or "caption –" where the value is not determined
/// (a refinement that did not converge shows no numbers).
std::string withSd(const std::string& caption, const std::string& text, const std::string& sd,
                   const char* unit) {
    if (text == kNotDetermined)
        return join(caption, kNotDetermined);
    return join(caption, text, " ± ", sd, unit);
}

std::string slopeLine(const Titration& t) {
    const ResultCaptions& c = t.captions;
    if (c.SlopeValue == kNotDetermined)
        return join("slope: ", kNotDetermined);
    // A Nernstian slope is set, not refined: it has no deviation.
    if (t.results.slope && !t.results.slopeSd) {
        RecordingSink shownAlready; // the calculation has converted the box
        return join("slope: ", c.SlopeValue, "mV, held at the Nernst slope at ",
                    generalNumberText(TextToNumber(t.inputs.Tbox, shownAlready)), " °C");
    }
    return join("slope: ", c.SlopeValue, " ± ", c.SlopeSd, "mV");
}

/// The lines both reports share: the conditions, the electrode parameters and
/// the Gran results, as the result captions show them.
std::vector<std::string> resultLines(const Titration& t) {
    const ResultCaptions& c = t.captions;
    std::vector<std::string> lines{
        join("volume of titrand ", t.v0.text),
        join("electrolyte volume ", t.v1.text),
        join("titrand concentration ", t.Initial.text),
        join("burette concentration ", t.Burette.text),
        withSd("standard potential: ", c.E0Value, c.E0sd, "mV"),
        slopeLine(t),
        join("slope factor ", c.SlopeFactor)};
    // A Gamma whose refinement did not converge has no value: the box holds its start.
    if (t.inputs.RefineGamma)
        lines.push_back(withSd(join(kGammaCaption, " "),
                               c.GammaSd == kNotDetermined ? c.GammaSd : t.inputs.GammaBox,
                               c.GammaSd, ""));
    if (t.inputs.RefineGamma && t.results.gamma)
        lines.push_back(
            join("corrected burette concentration ",
                 formatNumber(t.Burette.value * *t.results.gamma, kConcentrationPattern)));
    lines.push_back(t.inputs.RefinePKw && !c.PKwValue.empty()
                        ? withSd("pKw = ", c.PKwValue, c.PKwSd, "")
                        : join("pKw = ", t.inputs.pKbox));
    const bool acidOnly = t.inputs.branch == Branch::Acid;
    lines.insert(lines.end(), {"", "Gran plot results", join("Acid end-point   ", c.GranLabel6),
                               join("Alkali end-point ", c.GranLabel10),
                               join(acidOnly ? "Alkali concentration from the acid end-point "
                                             : "Mean alkali concentration ",
                                    c.CorrAlkali, c.Alksd),
                               join("Protolytic impurity level ", c.GranLabel12)});
    if (const std::optional<E0Sensitivity>& e = t.results.sensitivity)
        lines.push_back(sensitivityText(*e));
    lines.push_back("");
    return lines;
}

/// What the point tables show of one point.
struct PointValues {
    double calculated; ///< emf calculated afresh, mV
    double difference; ///< observed - calculated, mV
};

/// A volume in its shortest form, with at least one decimal: "16.05", "2.0".
std::string volumeText(double volume) {
    std::string text = generalNumberText(volume);
    if (text.find_first_not_of("-0123456789") == std::string::npos)
        text += formatNumber(0.0, "0.0").substr(1);
    return text;
}

PointValues pointValues(const ElectrodeModel& model, const Point& p) {
    const double calculated = Ycalc(model, p.Volume);
    return {calculated, p.EmfObs - calculated};
}

} // namespace

std::string resultsReport(const Titration& t, std::string_view dataPath, std::string_view dateText,
                          std::string_view lineEnd) {
    return resultsReport(t, dataPath, dateText, lineEnd, {});
}

std::string resultsReport(const Titration& t, std::string_view dataPath, std::string_view dateText,
                          std::string_view lineEnd, const std::vector<std::string>& section) {
    std::string text;
    const auto add = [&](const std::string& line) {
        text.append(line);
        text.append(lineEnd);
    };
    add("TAMO: Electrode Calibration");
    add(join("Data from ", dataPath));
    add(join("Produced at ", dateText));
    add("");
    add(join("Titration ID ", t.TitrationID));
    for (const std::string& line : resultLines(t))
        add(line);
    for (const std::string& line : section)
        add(line);
    if (!section.empty())
        add("");
    add("  Volume   mV(obs)   mV(calc)  mV(diff) pH(calc)");
    const ElectrodeModel model = electrodeModel(t);
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        const Point& p = t.points[i];
        const PointValues v = pointValues(model, p);
        add(join(Padd(static_cast<double>(i + 1), "##0", 4), Padd(p.Volume, "##0.0#####", 7),
                 Padd(p.EmfObs, "###0.000", 10), Padd(v.calculated, "###0.000", 10),
                 Padd(v.difference, "###0.000", 9), Padd(p.PointPH, "#0.000", 7),
                 p.UsePoint ? "" : "not used"));
    }
    return text;
}

std::vector<PrintLine> printedReport(const Titration& t, std::string_view dataPath,
                                     std::string_view dateText) {
    std::vector<PrintLine> lines;
    const auto add = [&](std::string text) { lines.push_back({{1, std::move(text)}}); };
    add(std::string(20, '_'));
    add("TAMO: Electrode Calibration");
    add(join("Data from ", dataPath));
    add(std::string(dateText));
    add("");
    for (std::string& line : resultLines(t))
        add(std::move(line));
    lines.push_back({{5, "volume"}, {15, "mV (obs)"}, {25, "mV(calc)"}, {35, "mV(diff)"},
                     {45, "pH\"obs\""}});
    const ElectrodeModel model = electrodeModel(t);
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        const Point& p = t.points[i];
        const PointValues v = pointValues(model, p);
        PrintLine line{{1, formatNumber(static_cast<double>(i + 1), "##0")},
                       {5, volumeText(p.Volume)},
                       {v.calculated > 0 ? 15 : 14, formatNumber(p.EmfObs, "###0.000")},
                       {v.calculated > 0 ? 25 : 24, formatNumber(v.calculated, "###0.000")},
                       {v.difference > 0 ? 35 : 34, formatNumber(v.difference, "###0.000")},
                       {45, formatNumber(p.PointPH, "#0.000")}};
        if (!p.UsePoint)
            line.push_back({0, "  not used"});
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> closingLines(const std::optional<Verdict>& verdict,
                                      std::string_view operatorName,
                                      std::string_view programVersion) {
    return {"",
            verdict ? join("Verdict: ", verdictText(*verdict))
                    : std::string("Verdict: none, the refinement did not converge"),
            join("Operator: ", operatorName), join("TAMO version ", programVersion)};
}

} // namespace core
