#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace core {

/// A condition of the titration as the window shows it: the caption text is the
/// store, the number is the caption read through TextToNumber once.
struct Condition {
    std::string text;  ///< caption as shown, e.g. "25.00"
    double value = 0;  ///< the caption's number (single precision, widened)
    bool operator==(const Condition&) const = default;
};

/// One titration point. Everything but Volume and EmfObs is derived by the
/// point selection and the calculation.
struct Point {
    double Volume = 0;     ///< titrant volume added, ml
    double EmfObs = 0;     ///< observed emf, mV
    bool UsePoint = false; ///< takes part in the Gran fits and the refinement
    double PointPH = 0;    ///< stoichiometric pH after selection, (E0 - emf) / slope after calculation
    double GranValue = 0;  ///< Gran function, ml mol dm-3
    double GranResid = 0;  ///< GranValue minus the Gran line of its branch
    double Resid = 0;      ///< observed minus calculated emf, mV
    /// The texts just typed in the grid for this point, which the grid shows
    /// until it is next refilled; empty otherwise.
    std::string volumeText;
    std::string emfText;
    bool operator==(const Point&) const = default;
};

/// Which branches of the titration calibrate the electrode.
enum class Branch {
    Both, ///< the acid and the alkali range
    Acid, ///< the acid range alone: the slope Nernstian (or refined), no alkali end-point
};

/// The inputs the user types between calculations (the condition boxes). The
/// texts are the store; the engine converts them when a command reads them.
struct Inputs {
    std::array<std::string, 4> Range{"2.5", "4", "10.8", "11.3"}; ///< pH ranges, r1 < pH < r2 or r3 < pH < r4
    std::string pKbox = "13.78"; ///< pKw
    std::string Tbox = "25";     ///< temperature, degrees Celsius
    std::string GammaBox = "1";  ///< factor on the titrant concentration
    bool RefineGamma = false;    ///< "Refined" selected: Gamma is a result, else typed
    bool operator==(const Inputs&) const = default;
    bool RefinePKw = false;                   ///< pKw is a result, pKbox its start value
    Branch branch = Branch::Both;
    bool RefineAcidSlope = false; ///< with the acid branch alone: refine the slope, else Nernstian
};

/// The texts of the result captions. They are what the window, the reports and
/// the command-line tool all show. Empty until the first calculation.
struct ResultCaptions {
    std::string E0Value, E0sd;       ///< standard potential and its deviation, mV
    std::string SlopeValue, SlopeSd; ///< slope and its deviation, mV per pH
    std::string SlopeFactor;         ///< slope over the Nernst slope
    std::string GammaSd;             ///< deviation of a refined Gamma (GammaBox holds the value)
    std::string Values6;             ///< rms residual, mV
    std::string Values7;             ///< number of iterations of the last refinement
    std::string GranLabel6;          ///< acid end-point, ml
    std::string GranLabel10;         ///< alkali end-point, ml
    std::string GranLabel12;         ///< protolytic impurity level, "%" appended
    std::string CorrAlkali;          ///< mean alkali concentration, ends in " ± "
    std::string Alksd;               ///< its standard deviation, mol dm-3
    std::string PKwValue, PKwSd;     ///< a refined pKw and its deviation
    bool operator==(const ResultCaptions&) const = default;
};

/// How far E0 moves, mV, when one input is changed and the titration calculated
/// again; empty where that calculation does not converge or the input is refined.
struct E0Sensitivity {
    std::optional<double> titrant; ///< the burette concentration 0.5 % larger
    std::optional<double> titrand; ///< the titrand concentration 0.2 % larger
    std::optional<double> pKw;     ///< pKw larger by 0.05
    bool operator==(const E0Sensitivity&) const = default;
};

/// The numbers behind the result captions; empty where no value exists yet.
/// gamma is the Gamma in use: typed, or refined as GammaBox shows it (then with gammaSd).
struct ResultValues {
    std::optional<double> E0, E0sd, slope, slopeSd, slopeFactor, gamma, gammaSd, rms;
    std::optional<int> iterations;
    std::optional<double> acidEndPoint, acidEndPointSd, alkaliEndPoint, alkaliEndPointSd;
    std::optional<double> impurityPercent, alkaliConc, alkaliConcSd;
    std::optional<double> pKw, pKwSd; ///< a refined pKw
    /// The deviation of the end-point ratio: from the two Gran lines, or refined with pKw.
    std::optional<double> endPointRatioSd;
    /// The parameters the converging refinement refined ("E0", "slope", "Gamma",
    /// "pKw") and their correlation matrix, row by row; empty after the classic one.
    std::vector<std::string> refined;
    std::vector<double> correlation;
    std::optional<E0Sensitivity> sensitivity; ///< when asked for (E0sensitivity)
    bool operator==(const ResultValues&) const = default;
};

/// The one titration loaded, with its conditions, points and results.
struct Titration {
    std::string TitrationID;      ///< first line of the data file, as read
    Condition v0;                 ///< titrand volume, ml
    Condition v1;                 ///< electrolyte volume, ml
    Condition Initial;            ///< titrand concentration, mol dm-3, acid positive
    Condition Burette;            ///< burette concentration, mol dm-3, alkali negative
    std::vector<Point> points;    ///< point i of the file is points[i - 1]
    Inputs inputs;
    std::string DataFilePath;
    bool fileLatin1 = false; ///< the data file was read as Latin-1; a save writes Latin-1 again

    // Model values the commands copy from the conditions and inputs.
    double InitialVolume = 0; ///< v0 + v1, ml
    double TitrandConc = 0;
    double BuretteConc = 0;
    double pKw = 0;
    double Gamma = 1;

    std::array<double, 3> Param{0, 0, 1};   ///< E0 (mV), slope (mV per pH), Gamma
    std::array<double, 3> ParamSD{0, 0, 0}; ///< from the last converged refinement
    double AcidIntercept = 0, AcidGradient = 0;
    double AlkaliIntercept = 0, AlkaliGradient = 0;
    double EndPointRatio = 1; ///< acid end-point / alkali end-point

    ResultCaptions captions;
    ResultValues results;

    int PointCount() const { return static_cast<int>(points.size()); }
    int UsedCount() const {
        int n = 0;
        for (const Point& p : points)
            n += p.UsePoint ? 1 : 0;
        return n;
    }
    bool operator==(const Titration&) const = default;
};

/// What a caption shows for a result the calculation did not determine.
inline constexpr const char* kNotDetermined = "–";

/// How the window shows the condition volumes and concentrations.
inline constexpr const char* kVolumePattern = "0.00####";
inline constexpr const char* kConcentrationPattern = "0.0#####";

/// Sets the four conditions as a data file gives them: the captions in the
/// window's formats, the numbers read back from the captions (so the numbers
/// the calculation uses are exactly what the window shows).
void setConditions(Titration& t, double titrandVolume, double electrolyteVolume,
                   double titrandConc, double buretteConc);

/// Nernst slope at a temperature in degrees Celsius, mV per pH unit.
inline double TheoreticalSlope(double celsius) { return (celsius + 273.15) / 5.0399; }

} // namespace core
