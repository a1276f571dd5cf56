#pragma once

// Logbook records made from a number, the same in every process: the logbook and
// CSV tests, the writer program the crash test kills, and the benchmark.

#include "io/LogbookRecord.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTimeZone>

namespace logbooktest {

inline io::LogbookRecord sampleRecord(int n, const std::string& electrode = "pH-1") {
    io::LogbookRecord r;
    // Seven hours apart, written alternately at UTC+1 and UTC-5.
    const QDateTime at = QDateTime(QDate(2024, 1, 1), QTime(7, 0), Qt::UTC).addSecs(n * 25200);
    r.recordedAt =
        at.toTimeZone(QTimeZone(n % 2 ? -18000 : 3600)).toString(Qt::ISODate).toStdString();
    r.electrode = electrode;
    r.dataFile = "/data/M\u00FCller; lab \"A\"/run " + std::to_string(n) + ".txt";
    r.dataSha256 = QCryptographicHash::hash(QByteArray::number(n), QCryptographicHash::Sha256)
                       .toHex()
                       .toStdString();
    r.identifier = "HCl 0.02 M, NaOH 0.1 M\nrun " + std::to_string(n);
    r.temperature = 25 + n % 3;
    r.pKw = 13.78f;
    r.ranges = {2.5, 4, 10.8f, 11.3f};
    r.pointsUsed = 20 + n % 7;
    r.pointsIgnored = 31 - n % 7;
    r.E0 = 400 + n / 3.0;
    r.E0sd = 0.0123 + n * 1e-5;
    r.slope = 59.16 - n / 7.0;
    r.slopeSd = 0.004;
    r.slopeFactor = r.slope / 59.158;
    r.rms = 0.05 + n % 5 * 0.3;
    r.acidEndPoint = 5 + n * 1e-3;
    r.acidEndPointSd = 1.5e-5;
    r.alkaliEndPoint = 5.01 + n * 1e-3;
    r.alkaliEndPointSd = 2.5e-5;
    r.impurityPercent = -0.2 + n % 4;
    r.alkaliConc = -0.1 * (1 + n * 1e-4);
    r.alkaliConcSd = 3e-6;
    if (n % 3 == 1)
        r.verdict.reasons = {"slope factor 0.9412 is below 0.95",
                             "rms residual 1.2 mV is above 1.0 mV"};
    r.programVersion = "1.0.0";
    if (n % 2 == 0) {
        // Even records hold what reproduces them, as records of format 2 do.
        r.reproducible = true;
        r.measuredAt =
            at.addSecs(-3600).toTimeZone(QTimeZone(3600)).toString(Qt::ISODate).toStdString();
        r.operatorName = "Ann Lee";
        r.comment = n % 4 ? "" : "after cleaning, \"fresh\" KCl";
        r.titrandVolume = 25;
        r.electrolyteVolume = 0.5f;
        r.titrandConc = 0.02f;
        r.buretteConc = -0.1f;
        r.gamma = 1.0012345;
        r.gammaTyped = 1;
        r.gammaRefined = n % 4 == 0;
        r.limits.e0Min = 390;
        r.edited = n % 4 == 2;
        // A point table as the calculation had it: the used points, then the ignored.
        for (int i = 0; i < r.pointsUsed + r.pointsIgnored; ++i)
            r.points.push_back({0.15 * i, 420.125f - 12.5f * static_cast<float>(i),
                                i < r.pointsUsed, 2.75 + 0.17 * i});
    }
    if (n % 4 == 0) {
        // Every fourth one imported from another instrument's file, its uncertainty known.
        r.sourceFile = "/data/titrator " + std::to_string(n) + ".csv";
        r.sourceSha256 = std::string(64, 'c');
        r.importProfile = "[profile]\nvolume column = 2\nemf unit = V";
        r.conditionSource = {"source file", "profile", "typed", "data file"};
        r.uE0 = 0.25;
        r.uSlope = 0.0625;
    }
    return r;
}

} // namespace logbooktest
