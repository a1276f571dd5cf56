#pragma once

#include "core/Titration.h"
#include "core/Verdict.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class QDateTime;

namespace io {

/// One point of a record's table, as the calculation used it.
struct RecordPoint {
    double volume = 0; ///< ml
    double emf = 0;    ///< mV
    bool used = false;
    double startPH = 0; ///< the point's pH the calculation started from
    bool operator==(const RecordPoint&) const = default;
};

/// One calibration kept in the electrode logbook: what was calibrated, how, and
/// what came out. Records are never changed once kept.
struct LogbookRecord {
    long long id = 0;       ///< given by the logbook when the record is added
    std::string recordedAt; ///< ISO 8601 with the offset from UTC: "2024-05-02T09:41:07+02:00"
    std::string electrode;  ///< the electrode's name
    std::string dataFile;   ///< path of the data file
    std::string dataSha256; ///< SHA-256 of the data file's bytes, 64 lower-case hex digits
    std::string identifier; ///< the titration identifier
    double temperature = 0; ///< degrees Celsius
    double pKw = 0;
    std::array<double, 4> ranges{}; ///< the bounds of the two pH ranges
    int pointsUsed = 0;
    int pointsIgnored = 0;
    double E0 = 0, E0sd = 0;       ///< mV
    double slope = 0, slopeSd = 0; ///< mV per pH
    double slopeFactor = 0;
    double rms = 0;                                  ///< mV
    double acidEndPoint = 0, acidEndPointSd = 0;     ///< ml
    double alkaliEndPoint = 0, alkaliEndPointSd = 0; ///< ml
    double impurityPercent = 0;
    double alkaliConc = 0, alkaliConcSd = 0; ///< mol dm-3, signed like the burette's
    core::Verdict verdict;
    std::string programVersion;

    // What reproduces the calculation. A record kept by a version whose logbook
    // had no room for these (format 1) has none of them: reproducible is false.
    bool reproducible = false;
    std::string measuredAt; ///< when the titration was measured, ISO 8601 with offset
    std::string operatorName;
    std::string comment;
    double titrandVolume = 0, electrolyteVolume = 0; ///< ml
    double titrandConc = 0, buretteConc = 0;         ///< mol dm-3, acid positive
    double gamma = 1;                                ///< the Gamma the calculation ended with
    double gammaTyped = 1;                           ///< the Gamma it started from
    double endPointRatioStart = 1;                   ///< the end-point ratio it started from
    bool gammaRefined = false;
    core::VerdictLimits limits; ///< the limits the verdict was given against
    bool edited = false; ///< a point's volume or emf, or its use, differs from the file on disk
    std::vector<RecordPoint> points;

    // Where the titration came from and how sure its results are. Empty or
    // absent in records of formats 1 and 2.
    std::string
        sourceFile; ///< an imported titration's source file, absolute; empty for a data file
    std::string sourceSha256;  ///< SHA-256 of the source file's bytes, 64 lower-case hex digits
    std::string importProfile; ///< the text of the import profile that read the source
    /// Where each condition came from ("data file", "source file", "profile",
    /// "typed"): titrand volume, electrolyte volume, titrand and titrant concentration.
    std::array<std::string, 4> conditionSource{};
    std::optional<double> uE0, uSlope; ///< combined standard uncertainties, mV and mV per pH
    bool operator==(const LogbookRecord&) const = default;
};

/// Whether two records keep the same calibration: the same electrode (letter
/// case aside), data (the data file's and any source file's SHA-256), inputs as
/// calculated (temperature, pKw, the four range limits, Gamma constant at the
/// same value or refined), the same points (volume, emf, use) and the same
/// results. What a recalculation from another start moves is not compared: the
/// start pH of the points, the start end-point ratio, the Gamma a refinement
/// starts from. The results agree when they differ by less than a part in 10^7
/// (the impurity level, a difference of percentages, by less than 10^-7 %):
/// a refinement started elsewhere moves them by parts in 10^10 at most, and the
/// reports show six figures at most.
bool sameCalibration(const LogbookRecord& a, const LogbookRecord& b);

/// A record taken out of use, with the reason; kept beside the record.
struct Withdrawal {
    std::string withdrawnAt; ///< ISO 8601 with offset
    std::string reason;
    std::string operatorName{}; ///< empty in withdrawals of format 1
    std::string comment{};
    bool operator==(const Withdrawal&) const = default;
};

/// A record as the logbook lists it.
struct LogbookEntry {
    LogbookRecord record;
    std::optional<Withdrawal> withdrawal;
    bool withdrawn() const { return withdrawal.has_value(); }
    bool operator==(const LogbookEntry&) const = default;
};

/// The present local date and time in ISO 8601 with its offset from UTC, to the
/// second: "2024-05-02T09:41:07+02:00" ("+00:00" in UTC).
std::string currentDateTimeText();

/// The moment in that form, in local time: the form every time of a record takes.
std::string localDateTimeText(const QDateTime& at);

/// The time the file was last modified, in the same form; empty when it has none.
std::string modificationTimeText(const std::string& path);

/// Whether the text is a date and time in the form above.
bool isDateTimeText(const std::string& text);

/// Who keeps a record and what goes with it besides the calculation.
struct RecordContext {
    std::string electrode{};
    std::string dataFile{}; ///< made absolute in the record
    std::string programVersion{};
    std::string operatorName{};
    std::string comment{};
    std::string measuredAt{};     ///< empty: the data file's modification time
    core::Inputs typed{};         ///< the boxes as the calculation read them, before it ran
    core::VerdictLimits limits{}; ///< the limits the verdict was given against
    /// Where the calculation started, when it followed another one: each point's
    /// pH and the end-point ratio. Empty: from the selection, with ratio 1.
    std::vector<double> startPH{};
    double endPointRatio = 1;
};

/// Why a calibration with pKw refined, or from the acid range alone, is not kept.
inline constexpr const char* kNotReproducible =
    "A calibration with pKw refined or from the acid range alone cannot be kept in the "
    "logbook yet: its record could not reproduce it";

/// Why a calibration with these inputs cannot be kept (kNotReproducible), or empty.
std::string recordRefusal(const core::Inputs& typed);

/// A record of a calculated titration: its conditions, the inputs and points it
/// used, the results, the verdict, the data file's absolute path and the SHA-256
/// of its bytes as they are on disk now, whether the points differ from that
/// file's as its ranges select them, and the time now. Returns an empty text on
/// success, else the reason (a data file that cannot be read; a result the
/// titration does not have), and the record is then unchanged.
[[nodiscard]] std::string makeLogbookRecord(const core::Titration& t, const core::Verdict& verdict,
                                            const RecordContext& context, LogbookRecord& record);

/// The login's full name from the system, else the login name; empty when neither is known.
std::string systemUserName();

} // namespace io
