#include "Calibrator.h"

#include "Batch.h"
#include "Import.h"
#include "Json.h"
#include "Uncertainty.h"
#include "core/CalibrationRun.h"
#include "core/ElectrodeModel.h"
#include "core/NumberEntry.h"
#include "core/Report.h"
#include "core/UncertaintyReport.h"
#include "io/DataFile.h"

#include <filesystem>
#include <utility>

namespace cli {

namespace {

/// Keeps a file's messages for the JSON and writes them for standard error.
class FileMessages : public core::MessageSink {
public:
    FileMessages(const std::string& file, std::string& errors) : m_file(file), m_errors(errors) {}
    void message(const std::string& text, const std::string& /*title*/) override {
        texts.push_back(text);
        m_errors += m_file + ": " + text + "\n";
    }
    std::vector<std::string> texts;

private:
    const std::string& m_file;
    std::string& m_errors;
};

/// One file after reading and calculation.
struct FileResult {
    core::Titration titration;
    bool read = false;
    bool writeFailed = false;    ///< --write-data did not write the import's data file
    core::CalibrationRun run;    ///< from the selection to the verdict, once read
    FileUncertainty uncertainty; ///< when asked for and calibrated
};

FileResult calibrate(const std::string& path, const Options& options, core::MessageSink& sink) {
    FileResult r;
    r.titration.inputs = options.inputs;
    r.titration.DataFilePath = path;
    if (options.importProfile) {
        const ImportedFile imported = readImportedFile(path, options, r.titration, sink);
        r.read = imported.read;
        r.writeFailed = imported.writeFailed;
    } else {
        r.read = io::ReadDataFile(path, r.titration, sink);
    }
    if (!r.read)
        return r;
    core::RunOptions run;
    run.sensitivity = options.sensitivity;
    std::optional<core::Titration> loaded;
    if (options.uncertainty)
        loaded = r.titration;
    r.run = core::runCalibration(r.titration, options.limits, sink, run);
    if (loaded && r.run.calibrated())
        r.uncertainty = evaluateUncertainty(*loaded, options, sink);
    return r;
}

TextNumber inputNumber(const std::string& text) {
    core::RecordingSink alreadyReported; // the calculation has shown any conversion message
    return {core::TextToNumber(text, alreadyReported)};
}

/// The choices a classic calibration leaves at their defaults, written only when made.
void writeCalibrationChoices(JsonWriter& json, const core::Inputs& typed) {
    if (typed.RefinePKw)
        json.member("refine_pkw", true);
    if (typed.branch == core::Branch::Acid)
        json.member("branch", std::string_view("acid"));
    if (typed.RefineAcidSlope)
        json.member("refine_slope", true);
}

/// What only the converging refinement and the sensitivity give.
void writeRefinedResults(JsonWriter& json, const core::Titration& t) {
    const core::ResultValues& v = t.results;
    if (t.inputs.RefinePKw) {
        json.member("pkw", v.pKw);
        json.member("pkw_sd", v.pKwSd);
    }
    if (!v.refined.empty()) {
        json.key("correlation");
        json.beginObject();
        json.key("parameters");
        json.beginArray();
        for (const std::string& name : v.refined)
            json.value(name);
        json.endArray();
        json.key("matrix");
        json.beginArray();
        const std::size_t n = v.refined.size();
        for (std::size_t i = 0; i < n; ++i) {
            json.beginArray();
            for (std::size_t j = 0; j < n; ++j)
                json.value(v.correlation[i * n + j]);
            json.endArray();
        }
        json.endArray();
        json.endObject();
    }
    if (v.sensitivity) {
        json.key("sensitivity");
        json.beginObject();
        json.member("titrant_conc_plus_0.5_percent", v.sensitivity->titrant);
        json.member("titrand_conc_plus_0.2_percent", v.sensitivity->titrand);
        json.member("pkw_plus_0.05", v.sensitivity->pKw);
        json.endObject();
    }
}

/// The conditions as given: the file's four and the inputs as typed, so that a
/// run can be repeated from its record (a refined Gamma is among the results).
void writeConditions(JsonWriter& json, const FileResult& r, const core::Inputs& typed) {
    const core::Titration& t = r.titration;
    auto condition = [&](const char* name, const core::Condition& c) {
        json.key(name);
        if (r.read)
            json.value(TextNumber{c.value});
        else
            json.null();
    };
    json.key("conditions");
    json.beginObject();
    condition("titrand_volume", t.v0);
    condition("electrolyte_volume", t.v1);
    condition("titrand_conc", t.Initial);
    condition("burette_conc", t.Burette);
    json.member("pkw", inputNumber(typed.pKbox));
    json.member("temperature", inputNumber(typed.Tbox));
    json.key("ranges");
    json.beginArray();
    for (const std::string& bound : typed.Range)
        json.value(inputNumber(bound));
    json.endArray();
    json.member("gamma", inputNumber(typed.GammaBox));
    json.member("refine_gamma", typed.RefineGamma);
    writeCalibrationChoices(json, typed);
    json.endObject();
}

void writeResults(JsonWriter& json, const core::Titration& t) {
    const core::ResultValues& v = t.results;
    json.key("results");
    json.beginObject();
    json.member("E0", v.E0);
    json.member("E0_sd", v.E0sd);
    json.member("slope", v.slope);
    json.member("slope_sd", v.slopeSd);
    json.member("slope_factor", v.slopeFactor);
    json.member("gamma", v.gamma);
    json.member("gamma_sd", v.gammaSd);
    json.member("rms", v.rms);
    json.key("iterations");
    if (v.iterations)
        json.value(*v.iterations);
    else
        json.null();
    json.member("acid_endpoint", v.acidEndPoint);
    json.member("acid_endpoint_sd", v.acidEndPointSd);
    json.member("alkali_endpoint", v.alkaliEndPoint);
    json.member("alkali_endpoint_sd", v.alkaliEndPointSd);
    json.key("endpoint_ratio");
    // Refined with pKw, the ratio is one of the refinement's numbers.
    if (v.acidEndPoint && (!t.inputs.RefinePKw || v.pKw))
        json.value(t.EndPointRatio);
    else
        json.null();
    json.member("impurity_percent", v.impurityPercent);
    json.member("alkali_conc", v.alkaliConc);
    json.member("alkali_conc_sd", v.alkaliConcSd);
    writeRefinedResults(json, t);
    json.endObject();
}

void writePoints(JsonWriter& json, const core::Titration& t) {
    json.key("points");
    json.beginArray();
    const bool calculated = t.results.E0.has_value();
    const core::ElectrodeModel model = core::electrodeModel(t);
    for (int i = 0; i < t.PointCount(); ++i) {
        const core::Point& p = t.points[static_cast<std::size_t>(i)];
        json.beginObject();
        json.member("volume", TextNumber{p.Volume});
        json.member("emf", TextNumber{p.EmfObs});
        json.key("emf_calc");
        if (calculated)
            json.value(core::Ycalc(model, p.Volume));
        else
            json.null();
        json.member("ph", p.PointPH);
        json.member("used", p.UsePoint);
        json.endObject();
    }
    json.endArray();
}

/// The verdict on the electrode; null without one (not calibrated).
void writeVerdict(JsonWriter& json, const std::optional<core::Verdict>& verdict) {
    json.key("verdict");
    if (!verdict) {
        json.null();
        return;
    }
    json.beginObject();
    json.member("ok", verdict->ok());
    json.key("reasons");
    json.beginArray();
    for (const std::string& reason : verdict->reasons)
        json.value(reason);
    json.endArray();
    json.endObject();
}

void writeObject(JsonWriter& json, const std::string& path, const FileResult& r,
                 const std::vector<std::string>& messages, const Options& options) {
    const core::Inputs& typed = options.inputs;
    json.beginObject();
    json.member("file", path);
    json.key("id");
    if (r.read)
        json.value(r.titration.TitrationID);
    else
        json.null();
    json.member("ok", r.run.calibrated());
    json.key("messages");
    json.beginArray();
    for (const std::string& text : messages)
        json.value(text);
    json.endArray();
    writeConditions(json, r, typed);
    writeResults(json, r.titration);
    if (options.uncertainty)
        writeUncertainty(json, r.uncertainty);
    writeVerdict(json, r.run.verdict);
    writePoints(json, r.titration);
    json.endObject();
}

/// The file's JSON line.
void writeJson(std::string& out, const std::string& path, const FileResult& r,
               const std::vector<std::string>& messages, const Options& options) {
    {
        JsonWriter json(out);
        writeObject(json, path, r, messages, options);
    }
    out += '\n';
}

/// Writes the plots asked for; a failure goes to the errors. Returns whether all were written.
bool writePlots(const Options& options, const PlotExporter& exportPlot, const FileResult& r,
                std::string& errors) {
    bool written = true;
    auto write = [&](PlotFile kind, const std::string& path) {
        if (path.empty())
            return;
        const std::string error = exportPlot ? exportPlot(kind, r.titration, options.plotMode, path)
                                             : "the plots cannot be drawn here";
        if (!error.empty()) {
            errors += "tamo-calibrate: " + error + "\n";
            written = false;
        }
    };
    write(PlotFile::Data, options.plotPath);
    write(PlotFile::Residuals, options.residualsPath);
    return written;
}

/// The file's logbook record, or a line that says why it has none.
void keepRecord(const std::string& path, const Options& options, const FileResult& r,
                core::MessageSink& messages, FileOutput& out) {
    if (!r.run.verdict) {
        if (r.read)
            messages.message("not kept in the logbook: it was not calibrated");
        return;
    }
    io::LogbookRecord record;
    io::RecordContext context;
    // The record names the file wherever the logbook is read from.
    context.dataFile = std::filesystem::absolute(path).lexically_normal().string();
    context.electrode = options.electrode;
    context.programVersion = options.programVersion;
    context.operatorName = options.operatorName;
    context.comment = options.comment;
    context.typed = options.inputs;
    context.limits = options.limits;
    context.startPH = r.run.start.pointPH;
    context.endPointRatio = r.run.start.endPointRatio;
    if (const std::string error =
            io::makeLogbookRecord(r.titration, *r.run.verdict, context, record);
        !error.empty()) {
        messages.message("not kept in the logbook: " + error);
        out.ok = false;
        return;
    }
    out.record = std::move(record);
}

/// A file's JSON line: its conditions, results and points, 120 bytes a point or so.
constexpr std::size_t kJsonBytes = 1200, kJsonBytesPerPoint = 130;

FileOutput processFile(const std::string& path, const Options& options, const std::string& dateText,
                       const PlotExporter& exportPlot) {
    FileOutput out;
    out.path = path;
    FileMessages messages(path, out.errors);
    const FileResult r = calibrate(path, options, messages);
    // A budget asked for and not made is an output missing: its message says why.
    out.ok = r.run.calibrated() && !r.writeFailed && (!options.uncertainty || r.uncertainty.budget);
    // A titration that was calculated, converged or not, can be drawn.
    if (r.titration.results.E0 && wantsPlots(options) &&
        !writePlots(options, exportPlot, r, out.errors))
        out.ok = false;
    if (!options.logPath.empty())
        keepRecord(path, options, r, messages, out);
    if (options.format == OutputFormat::Json) {
        out.text.reserve(kJsonBytes + kJsonBytesPerPoint * r.titration.points.size());
        writeJson(out.text, path, r, messages.texts, options);
    } else if (r.run.calculated()) {
        // A stopped calculation has nothing to report: its messages say why.
        const std::vector<std::string> section =
            r.uncertainty.budget
                ? core::uncertaintyLines(*r.uncertainty.budget, r.uncertainty.monteCarlo
                                                                    ? &*r.uncertainty.monteCarlo
                                                                    : nullptr)
                : std::vector<std::string>{};
        out.text = core::resultsReport(r.titration, path, dateText, "\n", section);
        out.isReport = true;
    }
    return out;
}

} // namespace

int calibrateFiles(const Options& options, const std::string& dateText,
                   const PlotExporter& exportPlot,
                   const std::function<bool(const FileOutput&)>& deliver) {
    std::vector<FileOutput> outputs(options.files.size());
    int exitStatus = 0;
    bool firstReport = true;
    forEachInOrder(
        outputs.size(),
        [&](std::size_t i) {
            outputs[i] = processFile(options.files[i], options, dateText, exportPlot);
        },
        [&](std::size_t i) {
            FileOutput& file = outputs[i];
            if (!file.ok)
                exitStatus = 1;
            // Reports are separated by one empty line.
            if (file.isReport && !std::exchange(firstReport, false))
                file.text.insert(file.text.begin(), '\n');
            const bool written = deliver(file);
            // Delivered: its memory goes back at once (assigning an empty one would keep it).
            const FileOutput spent = std::move(file);
            return written;
        });
    return exitStatus;
}

RunResult calibrateFiles(const Options& options, const std::string& dateText) {
    RunResult run;
    run.exitStatus = calibrateFiles(options, dateText, {}, [&](const FileOutput& file) {
        run.errors += file.errors;
        run.output += file.text;
        return true;
    });
    return run;
}

} // namespace cli
