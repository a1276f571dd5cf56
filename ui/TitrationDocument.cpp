#include "TitrationDocument.h"

#include "core/ElectrodeModel.h"
#include "core/Selection.h"
#include "io/DataFile.h"
#include "io/NativePath.h"

#include <QFileInfo>
#include <cmath>

namespace ui {

namespace {

/// The end-point ratio of a titration just read from its file.
constexpr double kFreshEndPointRatio = 1;

} // namespace

int middlePoint(int pointCount) {
    return static_cast<int>(std::lrint(pointCount / 2.0));
}

TitrationDocument::TitrationDocument(QObject* parent) : QObject(parent) {}

bool TitrationDocument::load(const std::string& path, core::MessageSink& sink) {
    core::Titration fresh;
    fresh.inputs = m_t.inputs;
    // The title, the settings file, the reports and the logbook name it wherever they are read.
    fresh.DataFilePath = io::toNativePath(QFileInfo(io::fromNativePath(path)).absoluteFilePath());
    if (!io::ReadDataFile(path, fresh, sink))
        return false;
    m_imported = false;
    replace(std::move(fresh));
    return true;
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
    replace(std::move(fresh));
    setModified(true); // nothing of it is in a data file yet
    return true;
}

void TitrationDocument::replace(core::Titration&& fresh) {
    m_t = std::move(fresh);
    m_cursorPoint = middlePoint(m_t.PointCount());
    m_lastOutcome = core::CalculationOutcome::Stopped;
    m_verdict.reset();
    setModified(false);
    m_calculated.reset();
    emit titrationReplaced();
    emit verdictChanged();
}

bool TitrationDocument::selectPoints(core::MessageSink& sink) {
    const bool selected = core::SelectPoints(m_t, sink);
    emit inputsChanged();
    return selected;
}

core::CalculationOutcome TitrationDocument::calculate(core::MessageSink& sink) {
    m_t.EndPointRatio = kFreshEndPointRatio;
    CalculatedSnapshot start{{}, m_t.inputs, {}, m_t.EndPointRatio};
    for (const core::Point& p : m_t.points)
        start.startPH.push_back(p.PointPH);
    const core::CalculationOutcome outcome = core::Calculate(m_t, sink);
    m_lastOutcome = outcome;
    m_calculated.reset();
    if (outcome == core::CalculationOutcome::Calibrated) {
        start.titration = m_t;
        m_calculated = std::move(start);
    }
    if (outcome == core::CalculationOutcome::Stopped) {
        // The results of the calculation before belong to other points or boxes.
        m_t.captions = {};
        m_t.results = {};
        m_verdict.reset();
    } else {
        m_verdict = core::judgeCalibration(outcome, m_t, m_limits);
    }
    emit verdictChanged();
    emit inputsChanged(); // a refined Gamma is written back to its box
    return outcome;
}

std::string TitrationDocument::save(const std::string& path) {
    std::string error = io::WriteDataFile(path, io::dataFileTexts(m_t));
    if (error.empty())
        setModified(false);
    return error;
}

void TitrationDocument::setModified(bool modified) {
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

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

} // namespace

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

void TitrationDocument::setRefineGamma(bool refined) {
    m_t.inputs.RefineGamma = refined;
}

void TitrationDocument::setRefinePKw(bool refined) {
    m_t.inputs.RefinePKw = refined;
}

void TitrationDocument::setBranch(core::Branch branch, core::MessageSink& sink) {
    m_t.inputs.branch = branch;
    if (!m_t.points.empty())
        selectPoints(sink);
}

void TitrationDocument::setDisplayMode(plot::DisplayMode mode) {
    m_displayMode = mode;
    emit displayModeChanged();
}

void TitrationDocument::setCursorPoint(int point) {
    m_cursorPoint = point;
}

void TitrationDocument::setState(WindowState state) {
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged();
}

void TitrationDocument::switchPoint(int i) {
    core::Point& p = m_t.points[static_cast<std::size_t>(i - 1)];
    p.UsePoint = !p.UsePoint;
    setModified(true);
    emit pointChanged(i);
}

void TitrationDocument::setVolume(int i, double value, const std::string& typed) {
    core::Point& p = m_t.points[static_cast<std::size_t>(i - 1)];
    p.Volume = value;
    p.volumeText = typed;
    setModified(true);
    emit pointChanged(i);
}

void TitrationDocument::setEmf(int i, double value, const std::string& typed) {
    core::Point& p = m_t.points[static_cast<std::size_t>(i - 1)];
    p.EmfObs = value;
    p.emfText = typed;
    setModified(true);
    emit pointChanged(i);
}

void TitrationDocument::clearTypedTexts() {
    for (core::Point& p : m_t.points) {
        p.volumeText.clear();
        p.emfText.clear();
    }
}

void TitrationDocument::refreshResiduals() {
    if (hasCurrentResults())
        core::Ssq(m_t);
}

} // namespace ui
