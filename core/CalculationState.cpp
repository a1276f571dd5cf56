#include "CalculationState.h"

#include "Format.h"
#include "NumberEntry.h"

namespace core {

CalculationInputs readCalculationInputs(const Inputs& inputs, MessageSink& sink) {
    CalculationInputs in;
    in.Gamma = TextToNumber(inputs.GammaBox, sink);
    in.celsius = TextToNumber(inputs.Tbox, sink);
    in.pKw = TextToNumber(inputs.pKbox, sink);
    in.RefineGamma = inputs.RefineGamma;
    in.RefinePKw = inputs.RefinePKw;
    in.branch = inputs.branch;
    in.RefineAcidSlope = inputs.RefineAcidSlope;
    return in;
}

CalculationState::CalculationState(const Titration& t, const CalculationInputs& in)
    : points(t.points), inputs(in), model(electrodeModel(t)), ParamSD(t.ParamSD),
      AcidIntercept(t.AcidIntercept), AcidGradient(t.AcidGradient),
      AlkaliIntercept(t.AlkaliIntercept), AlkaliGradient(t.AlkaliGradient), captions(t.captions),
      results(t.results), GammaBox(t.inputs.GammaBox) {
    conditions = {t.v0.value, t.v1.value, t.Initial.value, t.Burette.value};
    const std::size_t n = t.points.size();
    PointPH.resize(n);
    GranValue.resize(n);
    GranResid.resize(n);
    Resid.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = t.points[i];
        PointPH[i] = p.PointPH;
        GranValue[i] = p.GranValue;
        GranResid[i] = p.GranResid;
        Resid[i] = p.Resid;
    }
}

namespace {

std::string withDeviation(double value, double sd) {
    return formatNumber(value, formt(OneFig(sd)));
}

} // namespace

void CalculationState::showCaptions() {
    ResultCaptions& c = captions;
    const ResultValues& r = results;
    if (iterationsCounted)
        c.Values7 = formatNumber(*r.iterations, "##");
    if (refinementConverged) {
        c.Values6 = formatNumber(*r.rms, "#0.0###");
        c.E0sd = OneFig(*r.E0sd);
        c.E0Value = formatNumber(*r.E0, formt(c.E0sd));
        // A Nernstian slope is set, not refined: no deviation.
        c.SlopeSd = r.slopeSd ? OneFig(*r.slopeSd) : kNotDetermined;
        c.SlopeValue = formatNumber(*r.slope, r.slopeSd ? formt(c.SlopeSd) : "###0.00");
        c.SlopeFactor = formatNumber(*r.slopeFactor, "0.0000");
        if (inputs.RefineGamma) {
            c.GammaSd = OneFig(*r.gammaSd);
            GammaBox = formatNumber(*r.gamma, formt(c.GammaSd));
        }
        if (inputs.RefinePKw) {
            c.PKwSd = OneFig(*r.pKwSd);
            c.PKwValue = formatNumber(*r.pKw, formt(c.PKwSd));
        }
    }
    if (granFitted) {
        c.GranLabel6 = withDeviation(*r.acidEndPoint, *r.acidEndPointSd);
        c.GranLabel10 = r.alkaliEndPoint ? withDeviation(*r.alkaliEndPoint, *r.alkaliEndPointSd)
                                         : kNotDetermined;
        c.GranLabel12 =
            r.impurityPercent ? formatNumber(*r.impurityPercent, "#0.00") + "%" : kNotDetermined;
        c.CorrAlkali = withDeviation(*r.alkaliConc, *r.alkaliConcSd) + " ± ";
        c.Alksd = withDeviation(*r.alkaliConcSd, *r.alkaliConcSd);
    }
    refinementConverged = iterationsCounted = granFitted = false;
}

void CalculationState::storeIn(Titration& t) {
    t.InitialVolume = model.InitialVolume;
    t.TitrandConc = model.TitrandConc;
    t.BuretteConc = model.BuretteConc;
    t.pKw = model.pKw;
    t.Gamma = model.Gamma;
    t.Param = model.Param;
    t.ParamSD = ParamSD;
    t.EndPointRatio = model.EndPointRatio;
    t.AcidIntercept = AcidIntercept;
    t.AcidGradient = AcidGradient;
    t.AlkaliIntercept = AlkaliIntercept;
    t.AlkaliGradient = AlkaliGradient;
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        Point& p = t.points[i];
        p.PointPH = PointPH[i];
        p.GranValue = GranValue[i];
        p.GranResid = GranResid[i];
        p.Resid = Resid[i];
    }
    t.captions = std::move(captions);
    t.results = std::move(results);
    t.inputs.GammaBox = std::move(GammaBox);
}

} // namespace core
