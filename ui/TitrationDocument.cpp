#include "TitrationDocument.h"

#include "core/ElectrodeModel.h"
#include "core/Selection.h"
#include "io/DataFile.h"

#include <QFileInfo>
#include <cmath>

namespace ui {

int middlePoint(int pointCount) {
    return static_cast<int>(std::lrint(pointCount / 2.0));
}

TitrationDocument::TitrationDocument(QObject* parent) : QObject(parent) {}

bool TitrationDocument::load(const std::string& path, core::MessageSink& sink) {
    core::Titration fresh;
    fresh.inputs = m_t.inputs;
    // The title, the settings file, the reports and the logbook name it wherever they are read.
    fresh.DataFilePath = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
    if (!io::ReadDataFile(path, fresh, sink))
        return false;
    m_t = std::move(fresh);
    m_cursorPoint = middlePoint(m_t.PointCount());
    m_t.EndPointRatio = 1;
    m_lastOutcome = core::CalculationOutcome::Stopped;
    m_verdict.reset();
    m_calculated.reset();
    emit titrationReplaced();
    emit verdictChanged();
    return true;
}

bool TitrationDocument::selectPoints(core::MessageSink& sink) {
    const bool selected = core::SelectPoints(m_t, sink);
    emit inputsChanged();
    return selected;
}

core::CalculationOutcome TitrationDocument::calculate(core::MessageSink& sink) {
    CalculatedSnapshot start{{}, m_t.inputs, {}, m_t.EndPointRatio};
    for (const core::Point& p : m_t.points)
        start.startPH.push_back(p.PointPH);
    const core::CalculationOutcome outcome = core::Calculate(m_t, sink);
    m_calculated.reset();
    if (outcome == core::CalculationOutcome::Calibrated) {
        start.titration = m_t;
        m_calculated = std::move(start);
    }
    if (outcome != core::CalculationOutcome::Stopped) {
        // A stopped calculation leaves the titration, and so its verdict, as they were.
        m_lastOutcome = outcome;
        m_verdict = core::judgeCalibration(outcome, m_t, m_limits);
        emit verdictChanged();
    }
    emit inputsChanged(); // a refined Gamma is written back to its box
    return outcome;
}

std::string TitrationDocument::save(const std::string& path) const {
    return io::WriteDataFile(path, io::dataFileTexts(m_t));
}

void TitrationDocument::setVerdictLimits(const core::VerdictLimits& limits) {
    m_limits = limits;
    if (m_verdict)
        m_verdict = core::judgeCalibration(m_lastOutcome, m_t, m_limits);
    emit verdictChanged();
}

void TitrationDocument::setDataFilePath(const std::string& path) {
    m_t.DataFilePath = path;
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
    emit pointChanged(i);
}

void TitrationDocument::setVolume(int i, double value, const std::string& typed) {
    core::Point& p = m_t.points[static_cast<std::size_t>(i - 1)];
    p.Volume = value;
    p.volumeText = typed;
    emit pointChanged(i);
}

void TitrationDocument::setEmf(int i, double value, const std::string& typed) {
    core::Point& p = m_t.points[static_cast<std::size_t>(i - 1)];
    p.EmfObs = value;
    p.emfText = typed;
    emit pointChanged(i);
}

void TitrationDocument::clearTypedTexts() {
    for (core::Point& p : m_t.points) {
        p.volumeText.clear();
        p.emfText.clear();
    }
}

void TitrationDocument::refreshResiduals() {
    if (hasResults())
        core::Ssq(m_t);
}

} // namespace ui
