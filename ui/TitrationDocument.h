#pragma once

#include "core/Calculation.h"
#include "core/MessageSink.h"
#include "core/Titration.h"
#include "core/Verdict.h"
#include "io/Import.h"

#include <optional>
#include "plot/DisplayMode.h"

#include <QObject>
#include <optional>
#include <string>
#include <vector>

namespace ui {

/// The three states of the window; there is no way back to an earlier one.
enum class WindowState {
    NoData,     ///< nothing loaded yet
    Loaded,     ///< a titration is loaded: Calculate and the save commands are offered
    Calculated, ///< calculated once: toolbar, Display and Results are offered
};

/// Which input box a typed text belongs to.
enum class InputBox { Range1, Range2, Range3, Range4, pKbox, Tbox, GammaBox };

/// What the last successful calculation used and gave: the titration as it came
/// out, and where the calculation started from.
struct CalculatedSnapshot {
    core::Titration titration;
    core::Inputs typed;          ///< the boxes as the calculation read them
    std::vector<double> startPH; ///< each point's pH before it ran
    double endPointRatio = 1;    ///< the end-point ratio before it ran
};

/// The one titration of the window and the commands on it. Widgets are views
/// of it: they read it and follow its signals; none keeps a number of its own.
class TitrationDocument : public QObject {
    Q_OBJECT
public:
    explicit TitrationDocument(QObject* parent = nullptr);

    const core::Titration& titration() const { return m_t; }
    WindowState state() const { return m_state; }
    plot::DisplayMode displayMode() const { return m_displayMode; }
    /// The current point, 1 ... PointCount; 0 when there are no points.
    int cursorPoint() const { return m_cursorPoint; }
    /// Whether results are on show: the last calculation since the load ran to
    /// its end. False before the first calculation and after a stopped one,
    /// whose results are cleared, so that nothing reports the ones before.
    bool hasCurrentResults() const { return m_t.results.E0.has_value(); }
    /// Whether the points were corrected or switched since the load or the last save.
    bool isModified() const { return m_modified; }
    /// The verdict on the last calculation; none when it did not converge, was
    /// stopped, or nothing was calculated since the titration was loaded.
    const std::optional<core::Verdict>& verdict() const { return m_verdict; }
    const core::VerdictLimits& verdictLimits() const { return m_limits; }
    /// The last calculation whose refinement converged; none after a load, or
    /// once a later calculation stopped or did not converge. Boxes typed into
    /// and points edited since do not change it.
    const std::optional<CalculatedSnapshot>& calculated() const { return m_calculated; }
    /// New limits; the last calculation is judged again.
    void setVerdictLimits(const core::VerdictLimits& limits);

    /// Reads a data file. A rejected file sends its messages and changes nothing;
    /// an accepted one replaces the titration (the input boxes stay), places the
    /// current point in the middle. The caller then selects and calculates.
    bool load(const std::string& path, core::MessageSink& sink);
    /// Loads an import (every condition given) as a new titration that has no
    /// data file yet; `source` is the file it was read from. Otherwise as load.
    bool loadImport(const io::ImportResult& import, const std::string& source,
                    core::MessageSink& sink);
    /// Whether the titration was imported and not yet saved as a data file.
    bool isImported() const { return m_imported; }
    /// Selects the points by the pH ranges; false when the selection was stopped.
    bool selectPoints(core::MessageSink& sink);
    /// Calculates from the end-point ratio a freshly loaded titration starts
    /// with, so the same points and boxes always give the same numbers. A
    /// stopped calculation clears the results and the verdict.
    core::CalculationOutcome calculate(core::MessageSink& sink);
    /// Writes the titration to the file; an empty text on success, else the
    /// reason. A successful save makes the titration unmodified.
    std::string save(const std::string& path);

    /// The titration's data file from now on (after a save, also of an import).
    void setDataFilePath(const std::string& path);
    void setIdentifier(const std::string& text);
    void setInput(InputBox box, const std::string& text);
    const std::string& input(InputBox box) const;
    void setRefineGamma(bool refined);
    void setRefinePKw(bool refined);
    /// The branches that calibrate; the points are selected again.
    void setBranch(core::Branch branch, core::MessageSink& sink);
    void setDisplayMode(plot::DisplayMode mode);
    void setCursorPoint(int point);
    void setState(WindowState state);

    /// Switches point i (1-based) between used and ignored; nothing is recalculated.
    void switchPoint(int i);
    /// Stores a corrected volume or emf of point i with the text as typed; nothing
    /// is recalculated.
    void setVolume(int i, double value, const std::string& typed);
    void setEmf(int i, double value, const std::string& typed);
    /// Forgets the typed texts: the grid shows the stored numbers again.
    void clearTypedTexts();
    /// Recomputes every point's emf residual with the current parameters.
    void refreshResiduals();

signals:
    void titrationReplaced();
    void pointChanged(int i);
    void displayModeChanged();
    void inputsChanged();
    void stateChanged();
    void verdictChanged();
    void modifiedChanged(bool modified);

private:
    void setModified(bool modified);

    core::Titration m_t;
    WindowState m_state = WindowState::NoData;
    plot::DisplayMode m_displayMode = plot::DisplayMode::Gran;
    int m_cursorPoint = 0;
    core::VerdictLimits m_limits;
    core::CalculationOutcome m_lastOutcome = core::CalculationOutcome::Stopped;
    std::optional<core::Verdict> m_verdict;
    bool m_modified = false;
    bool m_imported = false;

    void replace(core::Titration&& fresh);
    std::optional<CalculatedSnapshot> m_calculated;
};

/// CursorPoint for a newly loaded titration: the middle point, halves to even
/// (7 points give 4, 5 give 2).
int middlePoint(int pointCount);

} // namespace ui
