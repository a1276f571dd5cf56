#include "LogbookRecord.h"

#include "core/NumberEntry.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <cstdlib>

namespace io {

namespace {

std::string fileSha256(const std::string& path, std::string& hash) {
    QFile file(QString::fromStdString(path));
    QCryptographicHash sha(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !sha.addData(&file) ||
        file.error() != QFileDevice::NoError)
        return "The file \"" + path + "\" cannot be read: " + file.errorString().toStdString();
    hash = sha.result().toHex().toStdString();
    return {};
}

/// A box's number as the calculation read it.
double boxNumber(const std::string& text) {
    core::RecordingSink alreadyShown; // the calculation has shown any message about the box
    return core::TextToNumber(text, alreadyShown);
}

/// Copies each result the record holds; the name of the first one missing, or empty.
std::string copyResults(const core::ResultValues& v, LogbookRecord& r) {
    const struct {
        const std::optional<double>& value;
        double& field;
        const char* name;
    } results[] = {
        {v.E0, r.E0, "E0"},
        {v.E0sd, r.E0sd, "deviation of E0"},
        {v.slope, r.slope, "slope"},
        {v.slopeSd, r.slopeSd, "deviation of the slope"},
        {v.slopeFactor, r.slopeFactor, "slope factor"},
        {v.rms, r.rms, "rms residual"},
        {v.acidEndPoint, r.acidEndPoint, "acid end-point"},
        {v.acidEndPointSd, r.acidEndPointSd, "deviation of the acid end-point"},
        {v.alkaliEndPoint, r.alkaliEndPoint, "alkali end-point"},
        {v.alkaliEndPointSd, r.alkaliEndPointSd, "deviation of the alkali end-point"},
        {v.impurityPercent, r.impurityPercent, "protolytic impurity level"},
        {v.alkaliConc, r.alkaliConc, "alkali concentration"},
        {v.alkaliConcSd, r.alkaliConcSd, "deviation of the alkali concentration"},
    };
    for (const auto& result : results) {
        if (!result.value)
            return result.name;
        result.field = *result.value;
    }
    return {};
}

} // namespace

std::string currentDateTimeText() {
    // Qt writes "Z" for UTC; the offset is written out in every time zone alike.
    const QDateTime now = QDateTime::currentDateTime();
    const int offsetMinutes = now.offsetFromUtc() / 60;
    const int minutes = std::abs(offsetMinutes);
    return (now.toString("yyyy-MM-ddTHH:mm:ss") + QString::asprintf("%c%02d:%02d",
                                                                    offsetMinutes < 0 ? '-' : '+',
                                                                    minutes / 60, minutes % 60))
        .toStdString();
}

std::string makeLogbookRecord(const core::Titration& t, const core::Verdict& verdict,
                              const std::string& electrode, const std::string& dataFile,
                              const std::string& programVersion, LogbookRecord& record) {
    LogbookRecord r;
    if (const std::string missing = copyResults(t.results, r); !missing.empty())
        return "The calibration has no " + missing + " to keep in the logbook";
    if (std::string error = fileSha256(dataFile, r.dataSha256); !error.empty())
        return error;
    r.recordedAt = currentDateTimeText();
    r.electrode = electrode;
    r.dataFile = dataFile;
    r.identifier = t.TitrationID;
    r.temperature = boxNumber(t.inputs.Tbox);
    r.pKw = boxNumber(t.inputs.pKbox);
    for (std::size_t i = 0; i < r.ranges.size(); ++i)
        r.ranges[i] = boxNumber(t.inputs.Range[i]);
    r.pointsUsed = t.UsedCount();
    r.pointsIgnored = t.PointCount() - r.pointsUsed;
    r.verdict = verdict;
    r.programVersion = programVersion;
    record = std::move(r);
    return {};
}

} // namespace io
