#pragma once

#include "core/Titration.h"
#include "core/Verdict.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace io {

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
    bool operator==(const LogbookRecord&) const = default;
};

/// A record taken out of use, with the reason; kept beside the record.
struct Withdrawal {
    std::string withdrawnAt; ///< ISO 8601 with offset
    std::string reason;
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

/// A record of a calculated titration: its conditions, boxes and results, the
/// verdict, the electrode name, the data file's path and the SHA-256 of its bytes
/// as they are on disk now, and the time now. Returns an empty text on success,
/// else the reason (a data file that cannot be read; a result the titration does
/// not have), and the record is then unchanged.
std::string makeLogbookRecord(const core::Titration& t, const core::Verdict& verdict,
                              const std::string& electrode, const std::string& dataFile,
                              const std::string& programVersion, LogbookRecord& record);

} // namespace io
