#include "Report.h"

#include "ElectrodeModel.h"
#include "Format.h"

namespace core {

namespace {

class Lines {
public:
    explicit Lines(std::string_view lineEnd) : m_lineEnd(lineEnd) {}

    template <typename... Parts> void add(const Parts&... parts) {
        (m_text.append(parts), ...);
        m_text.append(m_lineEnd);
    }
    std::string take() { return std::move(m_text); }

private:
    std::string_view m_lineEnd;
    std::string m_text;
};

void addPoints(Lines& lines, const Titration& t) {
    const ElectrodeModel model = electrodeModel(t);
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        const Point& p = t.points[i];
        const double calculated = Ycalc(model, p.Volume);
        lines.add(Padd(static_cast<double>(i + 1), "##0", 4), Padd(p.Volume, "##0.0#####", 7),
                  Padd(p.EmfObs, "###0.000", 10), Padd(calculated, "###0.000", 10),
                  Padd(p.EmfObs - calculated, "###0.000", 9), Padd(p.PointPH, "#0.000", 7),
                  p.UsePoint ? "" : "not used");
    }
}

} // namespace

std::string resultsReport(const Titration& t, std::string_view dataPath, std::string_view dateText,
                          std::string_view lineEnd) {
    const ResultCaptions& c = t.captions;
    Lines lines(lineEnd);
    lines.add("TAMO: Electrode Calibration");
    lines.add("Data from ", dataPath);
    lines.add("Produced at ", dateText);
    lines.add();
    lines.add("Titration ID ", t.TitrationID);
    lines.add("volume of titrand ", t.v0.text);
    lines.add("electrolyte volume ", t.v1.text);
    lines.add("titrand concentration ", t.Initial.text);
    lines.add("burette concentration ", t.Burette.text);
    lines.add("standard potential: ", c.E0Value, " ± ", c.E0sd, "mV");
    lines.add("slope: ", c.SlopeValue, " ± ", c.SlopeSd, "mV");
    lines.add("slope factor ", c.SlopeFactor);
    if (t.inputs.RefineGamma)
        lines.add(t.inputs.GammaBox, " ± ", c.GammaSd);
    lines.add("pKw = ", t.inputs.pKbox);
    lines.add();
    lines.add("Gran plot results");
    lines.add("Acid end-point   ", c.GranLabel6);
    lines.add("Alkali end-point ", c.GranLabel10);
    lines.add("Mean alkali concentration ", c.CorrAlkali, c.Alksd);
    lines.add("Protolytic impurity level ", c.GranLabel12);
    lines.add();
    lines.add("  Volume", "   mV(obs)", "   mV(calc)", "  mV(diff)", " pH(calc)");
    addPoints(lines, t);
    return lines.take();
}

} // namespace core
