#include "TitrationDocument.h"

#include "TitrationCommands.h"
#include "core/ElectrodeModel.h"
#include "io/DataFile.h"
#include "io/NativePath.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace ui {

namespace {

/// The text of a box in the inputs (const or not).
template <typename Inputs> auto& boxText(Inputs& in, InputBox box) {
    switch (box) {
    case InputBox::Range1: return in.Range[0];
    case InputBox::Range2: return in.Range[1];
    case InputBox::Range3: return in.Range[2];
    case InputBox::Range4: return in.Range[3];
    case InputBox::pKbox: return in.pKbox;
    case InputBox::Tbox: return in.Tbox;
    case InputBox::GammaBox: break;
    }
    return in.GammaBox;
}

/// The box as the Undo item names it: "set pKw to 13.82".
QString inputCommandText(InputBox box, const std::string& text) {
    QString name;
    switch (box) {
    case InputBox::Range1:
    case InputBox::Range2:
    case InputBox::Range3:
    case InputBox::Range4:
        name = QStringLiteral("pH range limit %1").arg(static_cast<int>(box) + 1);
        break;
    case InputBox::pKbox: name = QStringLiteral("pKw"); break;
    case InputBox::Tbox: name = QStringLiteral("T"); break;
    case InputBox::GammaBox: name = QStringLiteral("Gamma"); break;
    }
    return QStringLiteral("set %1 to %2").arg(name, QString::fromStdString(text));
}

/// How many changes are kept to undo: each that calculates keeps a copy of the
/// titration, so a very long titration keeps fewer of them (in about 256 MB).
int undoLimit(std::size_t points) {
    constexpr std::size_t kBudget = std::size_t(256) << 20;
    constexpr int kMost = 1000, kLeast = 20;
    const std::size_t perChange = 2 * points * sizeof(core::Point) + 4096;
    return static_cast<int>(std::clamp<std::size_t>(kBudget / perChange, kLeast, kMost));
}

bool isRange(InputBox box) {
    return box == InputBox::Range1 || box == InputBox::Range2 || box == InputBox::Range3 ||
           box == InputBox::Range4;
}

} // namespace

int middlePoint(int pointCount) {
    return static_cast<int>(std::lrint(pointCount / 2.0));
}

TitrationDocument::TitrationDocument(QObject* parent) : QObject(parent) {
    connect(&m_undo, &QUndoStack::indexChanged, this, &TitrationDocument::updateModified);
    connect(&m_undo, &QUndoStack::cleanChanged, this, &TitrationDocument::updateModified);
}

TitrationDocument::~TitrationDocument() = default;

// ---- Loading and the calculation run ----

bool TitrationDocument::load(const std::string& path, core::MessageSink& sink) {
    core::Titration fresh;
    fresh.inputs = m_t.inputs;
    // The title, the settings file, the reports and the logbook name it wherever they are read.
    fresh.DataFilePath = io::toNativePath(QFileInfo(io::fromNativePath(path)).absoluteFilePath());
    if (!io::ReadDataFile(path, fresh, sink))
        return false;
    m_imported = false;
    m_importOrigin.reset();
    return replace(std::move(fresh), sink);
}

bool TitrationDocument::loadImport(const io::ImportResult& import, const std::string& source,
                                   core::MessageSink& sink) {
    core::Titration fresh;
    fresh.inputs = m_t.inputs;
    // The folder of the source, where the dialogs start; never written to as a data file.
    fresh.DataFilePath = source;
    if (!io::loadImport(import, source, fresh, sink))
        return false;
    m_imported = true;
    m_importOrigin = import.origin;
    return replace(std::move(fresh), sink);
}

bool TitrationDocument::replace(core::Titration&& fresh, core::MessageSink& sink) {
    m_undo.clear();
    m_undo.setUndoLimit(undoLimit(fresh.points.size()));
    if (m_imported)
        m_undo.resetClean(); // nothing of it is in a data file yet
    m_t = std::move(fresh);
    m_cursorPoint = middlePoint(m_t.PointCount());
    m_lastOutcome = core::CalculationOutcome::Stopped;
    m_verdict.reset();
    m_calculated.reset();
    updateModified();
    if (m_state == WindowState::NoData)
        setState(WindowState::Loaded);
    emit titrationReplaced();
    emit cursorMoved(m_cursorPoint);
    setDisplayMode(plot::DisplayMode::Gran);
    run(core::RunFrom::Selection, sink);
    return true;
}

void TitrationDocument::run(core::RunFrom from, core::MessageSink& sink) {
    const core::Inputs typed = m_t.inputs;
    const core::CalibrationRun r = core::runCalibration(m_t, m_limits, sink, {from});
    m_lastOutcome = r.outcome;
    m_verdict = r.verdict;
    m_calculated.reset();
    if (r.calibrated())
        m_calculated = std::make_shared<const CalculatedSnapshot>(
            CalculatedSnapshot{m_t, typed, r.start.pointPH, r.start.endPointRatio});
    // The grid shows the stored numbers again.
    for (core::Point& p : m_t.points) {
        p.volumeText.clear();
        p.emfText.clear();
    }
    if (r.calculated())
        setState(WindowState::Calculated);
    m_inputsAfterRun = m_t.inputs;
    emit resultsChanged();
    emit verdictChanged();
    emit inputsChanged(); // a refined Gamma is written back to its box
}

core::CalculationOutcome TitrationDocument::calculate(core::MessageSink& sink) {
    run(core::RunFrom::Calculation, sink);
    return m_lastOutcome;
}

std::string TitrationDocument::save(const std::string& path) {
    std::string error = io::WriteDataFile(path, io::dataFileTexts(m_t));
    if (error.empty()) {
        m_undo.setClean();
        updateModified();
    }
    return error;
}

void TitrationDocument::updateModified() {
    bool modified = m_undo.cleanIndex() < 0;
    if (!modified) {
        const int from = std::min(m_undo.cleanIndex(), m_undo.index());
        const int to = std::max(m_undo.cleanIndex(), m_undo.index());
        for (int i = from; i < to && !modified; ++i)
            if (const auto* c = dynamic_cast<const TitrationCommand*>(m_undo.command(i)))
                modified = c->changesData();
    }
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

// ---- Snapshots for undo ----

DocumentSnapshot TitrationDocument::snapshot() const {
    return {m_t, m_lastOutcome, m_verdict, m_calculated};
}

void TitrationDocument::restore(const DocumentSnapshot& s) {
    // The identifier and the file are not changes a command undoes.
    std::string id = std::move(m_t.TitrationID);
    std::string path = std::move(m_t.DataFilePath);
    m_t = s.titration;
    m_t.TitrationID = std::move(id);
    m_t.DataFilePath = std::move(path);
    m_lastOutcome = s.outcome;
    m_verdict = s.verdict;
    m_calculated = s.calculated;
    m_inputsAfterRun = m_t.inputs;
    emit resultsChanged();
    emit verdictChanged();
    emit inputsChanged();
}

// ---- The verdict's limits, the file, the boxes ----

void TitrationDocument::setVerdictLimits(const core::VerdictLimits& limits) {
    m_limits = limits;
    if (m_verdict)
        m_verdict = core::judgeCalibration(m_lastOutcome, m_t, m_limits);
    emit verdictChanged();
}

void TitrationDocument::setDataFilePath(const std::string& path) {
    m_t.DataFilePath = path;
    m_imported = false;
}

void TitrationDocument::setIdentifier(const std::string& text) {
    m_t.TitrationID = text;
}

const std::string& TitrationDocument::input(InputBox box) const {
    return boxText(m_t.inputs, box);
}

void TitrationDocument::setInput(InputBox box, const std::string& text) {
    std::string& stored = boxText(m_t.inputs, box);
    if (stored == text)
        return;
    stored = text;
    emit inputsChanged();
}

void TitrationDocument::changeInputs(const QString& text, const core::Inputs& inputs,
                                     core::RunFrom from, core::MessageSink& sink) {
    if (m_state == WindowState::NoData) {
        m_t.inputs = inputs; // kept for the titration to come
        emit inputsChanged();
        return;
    }
    // Undone, the boxes are as the last calculation left them, not as half typed since.
    m_t.inputs = m_inputsAfterRun;
    m_commandSink = &sink;
    m_undo.push(new DocumentCommand(*this, text, false, from,
                                    [inputs](TitrationDocument& d) { d.m_t.inputs = inputs; }));
    m_commandSink = nullptr;
}

void TitrationDocument::confirmInput(InputBox box, core::MessageSink& sink) {
    const core::Inputs confirmed = m_t.inputs;
    changeInputs(inputCommandText(box, boxText(confirmed, box)), confirmed,
                 isRange(box) ? core::RunFrom::Selection : core::RunFrom::Calculation, sink);
}

void TitrationDocument::setRefineGamma(bool refined, core::MessageSink& sink) {
    core::Inputs in = m_t.inputs;
    in.RefineGamma = refined;
    if (!refined)
        in.GammaBox = std::string("1"); // a move: GCC 12 warns wrongly of an overlapping copy
    changeInputs(refined ? QStringLiteral("refine Gamma") : QStringLiteral("constant Gamma"), in,
                 core::RunFrom::Calculation, sink);
}

void TitrationDocument::setRefinePKw(bool refined, core::MessageSink& sink) {
    core::Inputs in = m_t.inputs;
    in.RefinePKw = refined;
    changeInputs(refined ? QStringLiteral("refine pKw") : QStringLiteral("pKw from its box"), in,
                 core::RunFrom::Calculation, sink);
}

void TitrationDocument::setBranch(core::Branch branch, core::MessageSink& sink) {
    core::Inputs in = m_t.inputs;
    in.branch = branch;
    changeInputs(branch == core::Branch::Acid ? QStringLiteral("acid branch only")
                                              : QStringLiteral("both branches"),
                 in, core::RunFrom::Selection, sink);
}

void TitrationDocument::setStartChoices(const std::string& gamma, bool refineGamma,
                                        bool refinePKw, core::Branch branch) {
    m_t.inputs.GammaBox = gamma;
    m_t.inputs.RefineGamma = refineGamma;
    m_t.inputs.RefinePKw = refinePKw;
    m_t.inputs.branch = branch;
    emit inputsChanged();
}

void TitrationDocument::setDisplayMode(plot::DisplayMode mode) {
    m_displayMode = mode;
    emit displayModeChanged();
}

void TitrationDocument::setCursorPoint(int point) {
    if (point == m_cursorPoint)
        return;
    m_cursorPoint = point;
    emit cursorMoved(point);
}

void TitrationDocument::setState(WindowState state) {
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged();
}

// ---- Changes of points ----

void TitrationDocument::switchPoint(int i) {
    const bool used = m_t.points[static_cast<std::size_t>(i - 1)].UsePoint;
    m_undo.push(new PointEditCommand(*this, PointEditCommand::Field::Use, i, used ? 0 : 1, {}));
}

void TitrationDocument::switchPointAndCalculate(int i, core::MessageSink& sink) {
    m_commandSink = &sink;
    m_undo.push(new DocumentCommand(*this, QStringLiteral("switch point %1").arg(i), true,
                                    core::RunFrom::Calculation, [i](TitrationDocument& d) {
                                        core::Point& p = d.m_t.points[static_cast<std::size_t>(i - 1)];
                                        p.UsePoint = !p.UsePoint;
                                    }));
    m_commandSink = nullptr;
}

void TitrationDocument::setVolume(int i, double value, const std::string& typed) {
    m_undo.push(new PointEditCommand(*this, PointEditCommand::Field::Volume, i, value, typed));
}

void TitrationDocument::setEmf(int i, double value, const std::string& typed) {
    m_undo.push(new PointEditCommand(*this, PointEditCommand::Field::Emf, i, value, typed));
}

void TitrationDocument::applyUse(int i, bool used) {
    m_t.points[static_cast<std::size_t>(i - 1)].UsePoint = used;
    emit pointChanged(i);
    emit pointSwitched(i);
}

void TitrationDocument::applyVolume(int i, double value, const std::string& typed) {
    core::Point& p = m_t.points[static_cast<std::size_t>(i - 1)];
    p.Volume = value;
    p.volumeText = typed;
    // The residuals follow the point under the parameters on show.
    if (hasCurrentResults())
        core::Ssq(m_t);
    emit pointChanged(i);
}

void TitrationDocument::applyEmf(int i, double value, const std::string& typed) {
    core::Point& p = m_t.points[static_cast<std::size_t>(i - 1)];
    p.EmfObs = value;
    p.emfText = typed;
    if (hasCurrentResults())
        core::Ssq(m_t);
    emit pointChanged(i);
}

} // namespace ui
