#include "LogbookRecord.h"

#include "DataFile.h"
#include "core/NumberEntry.h"
#include "core/Selection.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

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

/// ISO 8601 with the offset written out ("+00:00", where Qt would write "Z").
std::string dateTimeText(const QDateTime& at) {
    const int offsetMinutes = at.offsetFromUtc() / 60;
    const int minutes = std::abs(offsetMinutes);
    return (at.toString("yyyy-MM-ddTHH:mm:ss") + QString::asprintf("%c%02d:%02d",
                                                                   offsetMinutes < 0 ? '-' : '+',
                                                                   minutes / 60, minutes % 60))
        .toStdString();
}

/// Whether the points differ from those of the data file on disk as the ranges
/// select them: a corrected volume or emf, a point switched by hand.
bool pointsEdited(const core::Titration& t, const core::Inputs& typed, const std::string& path) {
    core::Titration onDisk;
    onDisk.inputs = typed;
    core::RecordingSink ignored; // the file was read and selected the same way before
    if (!ReadDataFile(path, onDisk, ignored) || !core::SelectPoints(onDisk, ignored) ||
        onDisk.points.size() != t.points.size())
        return true;
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        const core::Point& a = t.points[i];
        const core::Point& b = onDisk.points[i];
        if (a.Volume != b.Volume || a.EmfObs != b.EmfObs || a.UsePoint != b.UsePoint)
            return true;
    }
    return false;
}

/// Each point's pH as the selection works it out for the titration's points.
std::vector<double> selectedPH(const core::Titration& t, const core::Inputs& typed) {
    core::Titration selected = t;
    selected.inputs = typed;
    core::RecordingSink ignored;
    // The titration was calculated, so its points have volume and are selected.
    static_cast<void>(core::SelectPoints(selected, ignored));
    std::vector<double> ph;
    for (const core::Point& p : selected.points)
        ph.push_back(p.PointPH);
    return ph;
}

/// Two results of the same calculation started from elsewhere: equal to a part
/// in 10^7 of the larger, or of `scale` when that is larger still.
bool sameResult(double a, double b, double scale = 0) {
    constexpr double kRelative = 1e-7;
    return std::fabs(a - b) <= kRelative * std::max({std::fabs(a), std::fabs(b), scale});
}

bool sameResults(const LogbookRecord& a, const LogbookRecord& b) {
    for (double LogbookRecord::*result :
         {&LogbookRecord::E0, &LogbookRecord::E0sd, &LogbookRecord::slope, &LogbookRecord::slopeSd,
          &LogbookRecord::slopeFactor, &LogbookRecord::rms, &LogbookRecord::acidEndPoint,
          &LogbookRecord::acidEndPointSd, &LogbookRecord::alkaliEndPoint,
          &LogbookRecord::alkaliEndPointSd, &LogbookRecord::alkaliConc,
          &LogbookRecord::alkaliConcSd, &LogbookRecord::gamma})
        if (!sameResult(a.*result, b.*result))
            return false;
    // A difference of end-points: compared in percent, not relative to a level near 0.
    return sameResult(a.impurityPercent, b.impurityPercent, 1);
}

bool samePoints(const std::vector<RecordPoint>& a, const std::vector<RecordPoint>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const RecordPoint& p, const RecordPoint& q) {
                          return p.volume == q.volume && p.emf == q.emf && p.used == q.used;
                      });
}

} // namespace

bool sameCalibration(const LogbookRecord& a, const LogbookRecord& b) {
    const bool sameGamma =
        a.gammaRefined == b.gammaRefined && (a.gammaRefined || a.gammaTyped == b.gammaTyped);
    return QString::fromStdString(a.electrode)
                   .trimmed()
                   .compare(QString::fromStdString(b.electrode).trimmed(), Qt::CaseInsensitive) ==
               0 &&
           a.dataSha256 == b.dataSha256 && a.sourceSha256 == b.sourceSha256 &&
           a.reproducible == b.reproducible && a.temperature == b.temperature && a.pKw == b.pKw &&
           a.ranges == b.ranges && sameGamma && a.pointsUsed == b.pointsUsed &&
           a.pointsIgnored == b.pointsIgnored && samePoints(a.points, b.points) &&
           sameResults(a, b);
}

std::string currentDateTimeText() {
    return dateTimeText(QDateTime::currentDateTime());
}

std::string localDateTimeText(const QDateTime& at) {
    return dateTimeText(at.toLocalTime());
}

std::string modificationTimeText(const std::string& path) {
    const QDateTime at = QFileInfo(QString::fromStdString(path)).lastModified();
    return at.isValid() ? dateTimeText(at.toLocalTime()) : std::string();
}

bool isDateTimeText(const std::string& text) {
    return QDateTime::fromString(QString::fromStdString(text), Qt::ISODate).isValid();
}

std::string recordRefusal(const core::Inputs& typed) {
    // A record is read back as a calculation with pKw typed and both branches,
    // so it could not reproduce these.
    if (typed.RefinePKw || typed.branch == core::Branch::Acid)
        return kNotReproducible;
    return {};
}

std::string makeLogbookRecord(const core::Titration& t, const core::Verdict& verdict,
                              const RecordContext& context, LogbookRecord& record) {
    if (std::string refusal = recordRefusal(context.typed); !refusal.empty())
        return refusal;
    LogbookRecord r;
    if (const std::string missing = copyResults(t.results, r); !missing.empty())
        return "The calibration has no " + missing + " to keep in the logbook";
    const std::string dataFile =
        QFileInfo(QString::fromStdString(context.dataFile)).absoluteFilePath().toStdString();
    if (std::string error = fileSha256(dataFile, r.dataSha256); !error.empty())
        return error;
    r.recordedAt = currentDateTimeText();
    r.electrode = context.electrode;
    r.dataFile = dataFile;
    r.identifier = t.TitrationID;
    const core::Inputs& in = context.typed;
    r.temperature = boxNumber(in.Tbox);
    r.pKw = boxNumber(in.pKbox);
    for (std::size_t i = 0; i < r.ranges.size(); ++i)
        r.ranges[i] = boxNumber(in.Range[i]);
    r.pointsUsed = t.UsedCount();
    r.pointsIgnored = t.PointCount() - r.pointsUsed;
    r.verdict = verdict;
    r.programVersion = context.programVersion;
    r.reproducible = true;
    r.measuredAt = context.measuredAt.empty() ? modificationTimeText(dataFile) : context.measuredAt;
    r.operatorName = context.operatorName;
    r.comment = context.comment;
    r.titrandVolume = t.v0.value;
    r.electrolyteVolume = t.v1.value;
    r.titrandConc = t.Initial.value;
    r.buretteConc = t.Burette.value;
    r.gammaTyped = boxNumber(in.GammaBox);
    r.gammaRefined = in.RefineGamma;
    r.gamma = t.results.gamma.value_or(r.gammaTyped);
    r.limits = context.limits;
    r.edited = pointsEdited(t, in, dataFile);
    r.endPointRatioStart = context.endPointRatio;
    std::vector<double> startPH = context.startPH;
    if (startPH.size() != t.points.size())
        startPH = selectedPH(t, in);
    r.points.reserve(t.points.size());
    for (std::size_t i = 0; i < t.points.size(); ++i) {
        const core::Point& p = t.points[i];
        r.points.push_back({p.Volume, p.EmfObs, p.UsePoint, startPH[i]});
    }
    record = std::move(r);
    return {};
}

std::string systemUserName() {
    if (const passwd* user = getpwuid(getuid())) {
        // The full name is the first field of the comment ("Ann Lee,Room 4,,").
        const std::string full =
            QString::fromLocal8Bit(user->pw_gecos).section(',', 0, 0).trimmed().toStdString();
        if (!full.empty())
            return full;
        if (user->pw_name && *user->pw_name)
            return QString::fromLocal8Bit(user->pw_name).toStdString();
    }
    return QProcessEnvironment::systemEnvironment().value("USER").toStdString();
}

} // namespace io
