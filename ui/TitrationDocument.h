#pragma once

#include "core/CalibrationRun.h"
#include "core/MessageSink.h"
#include "core/Titration.h"
#include "core/Verdict.h"
#include "io/Import.h"
#include "plot/DisplayMode.h"

#include <QObject>
#include <QUndoStack>
#include <memory>
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

/// Everything an undone command gives back: the titration with its results,
/// and what the document knows of the calculation that made them.
struct DocumentSnapshot {
    core::Titration titration;
    core::CalculationOutcome outcome = core::CalculationOutcome::Stopped;
    std::optional<core::Verdict> verdict;
    std::shared_ptr<const CalculatedSnapshot> calculated; ///< shared, never changed
};

/// The one titration of the window and the work on it. The commands run the
/// road of a titration (load, select, calculate, judge) in one place, each
/// change by hand is an undoable command, and every change is told by a signal.
/// Widgets are views: they read the document and follow its signals; none
/// keeps a number of its own or sequences the work.
class TitrationDocument : public QObject {
    Q_OBJECT
public:
    explicit TitrationDocument(QObject* parent = nullptr);
    ~TitrationDocument() override;

    const core::Titration& titration() const { return m_t; }
    WindowState state() const { return m_state; }
    plot::DisplayMode displayMode() const { return m_displayMode; }
    /// The current point, 1 ... PointCount; 0 when there are no points.
    int cursorPoint() const { return m_cursorPoint; }
    /// Whether results are on show: the last calculation since the load ran to
    /// its end. False before the first calculation and after a stopped one,
    /// whose results are cleared, so that nothing reports the ones before.
    bool hasCurrentResults() const { return m_t.results.E0.has_value(); }
    /// Whether the data differ from the data file: a point was corrected or
    /// switched since the load or the last save (and not undone), or the
    /// titration was imported and not yet saved.
    bool isModified() const { return m_modified; }
    /// The verdict on the last calculation; none when it did not converge, was
    /// stopped, or nothing was calculated since the titration was loaded.
    const std::optional<core::Verdict>& verdict() const { return m_verdict; }
    const core::VerdictLimits& verdictLimits() const { return m_limits; }
    /// The last calculation whose refinement converged; none after a load, or
    /// once a later calculation stopped or did not converge. Boxes typed into
    /// and points edited since do not change it.
    const CalculatedSnapshot* calculated() const { return m_calculated.get(); }
    /// The changes by hand since the load, to undo and redo. Its clean state
    /// is the saved data file.
    QUndoStack& undoStack() { return m_undo; }
    /// New limits; the last calculation is judged again.
    void setVerdictLimits(const core::VerdictLimits& limits);

    /// Reads a data file and evaluates it: the points are selected, the Gran
    /// plot chosen and the titration calculated. A rejected file sends its
    /// messages and changes nothing; an accepted one replaces the titration
    /// (the input boxes stay), places the current point in the middle and
    /// starts a new undo history. Returns whether the file was accepted.
    [[nodiscard]] bool load(const std::string& path, core::MessageSink& sink);
    /// Loads an import (every condition given) as a new titration that has no
    /// data file yet; `source` is the file it was read from. Otherwise as load.
    [[nodiscard]] bool loadImport(const io::ImportResult& import, const std::string& source,
                                  core::MessageSink& sink);
    /// Whether the titration was imported and not yet saved as a data file.
    bool isImported() const { return m_imported; }
    /// Where an imported titration came from (its source file and hash, the
    /// profile, where each condition came from), also once it is saved as a
    /// data file; none for a titration loaded from a data file.
    const std::optional<io::ImportOrigin>& importOrigin() const { return m_importOrigin; }
    /// Calculates the points as they are, from the end-point ratio a freshly
    /// loaded titration starts with, so that the same points and boxes always
    /// give the same numbers. A stopped calculation clears the results and the
    /// verdict.
    core::CalculationOutcome calculate(core::MessageSink& sink);
    /// Writes the titration to the file; an empty text on success, else the
    /// reason. A successful save makes the titration unmodified.
    [[nodiscard]] std::string save(const std::string& path);

    /// The titration's data file from now on (after a save, also of an import).
    void setDataFilePath(const std::string& path);
    void setIdentifier(const std::string& text);
    /// A box's text as it is being typed: nothing is calculated.
    void setInput(InputBox box, const std::string& text);
    const std::string& input(InputBox box) const;
    /// The box's text is confirmed (Enter): an undoable command that selects the
    /// points again (a pH range) and calculates. Before a titration is loaded the
    /// text is only kept.
    void confirmInput(InputBox box, core::MessageSink& sink);
    /// Gamma constant (the box back to 1) or refined; an undoable command that calculates.
    void setRefineGamma(bool refined, core::MessageSink& sink);
    /// pKw refined or from its box; an undoable command that calculates.
    void setRefinePKw(bool refined, core::MessageSink& sink);
    /// The branches that calibrate; an undoable command that selects and calculates.
    void setBranch(core::Branch branch, core::MessageSink& sink);
    /// The choices as the settings file keeps them, before any titration is loaded.
    void setStartChoices(const std::string& gamma, bool refineGamma, bool refinePKw,
                         core::Branch branch);
    void setDisplayMode(plot::DisplayMode mode);
    void setCursorPoint(int point);

    /// Switches point i (1-based) between used and ignored, as the grid does:
    /// an undoable command; nothing is recalculated.
    void switchPoint(int i);
    /// Switches point i and calculates, as the plot does: an undoable command,
    /// whose undo gives back the results of before.
    void switchPointAndCalculate(int i, core::MessageSink& sink);
    /// Stores a corrected volume or emf of point i with the text as typed: an
    /// undoable command; nothing is recalculated (the residuals follow).
    void setVolume(int i, double value, const std::string& typed);
    void setEmf(int i, double value, const std::string& typed);

signals:
    /// A new titration: its conditions, its points and no results yet.
    void titrationReplaced();
    /// A calculation ran (or was undone): results, captions, every point's pH,
    /// residuals and use; also after a stopped one, whose results are cleared.
    void resultsChanged();
    /// Point i was switched or corrected by hand.
    void pointChanged(int i);
    /// Point i was switched by hand without a calculation (after pointChanged).
    void pointSwitched(int i);
    void cursorMoved(int point);
    void displayModeChanged();
    void inputsChanged();
    void stateChanged();
    void verdictChanged();
    void modifiedChanged(bool modified);

private:
    friend class DocumentCommand;
    friend class PointEditCommand;

    bool replace(core::Titration&& fresh, core::MessageSink& sink);
    void setState(WindowState state);
    /// The one calculation run of the window; tells its results.
    void run(core::RunFrom from, core::MessageSink& sink);
    /// Pushes a command that changes the inputs and runs from `from`.
    void changeInputs(const QString& text, const core::Inputs& inputs, core::RunFrom from,
                      core::MessageSink& sink);
    DocumentSnapshot snapshot() const;
    void restore(const DocumentSnapshot& s);
    /// The use, volume or emf of point i, as a command sets and resets it.
    void applyUse(int i, bool used);
    void applyVolume(int i, double value, const std::string& typed);
    void applyEmf(int i, double value, const std::string& typed);
    void updateModified();

    core::Titration m_t;
    WindowState m_state = WindowState::NoData;
    plot::DisplayMode m_displayMode = plot::DisplayMode::Gran;
    int m_cursorPoint = 0;
    core::VerdictLimits m_limits;
    core::CalculationOutcome m_lastOutcome = core::CalculationOutcome::Stopped;
    std::optional<core::Verdict> m_verdict;
    std::shared_ptr<const CalculatedSnapshot> m_calculated;
    core::Inputs m_inputsAfterRun; ///< the boxes as the last calculation left them
    bool m_modified = false;
    bool m_imported = false;
    std::optional<io::ImportOrigin> m_importOrigin;
    QUndoStack m_undo;
    core::MessageSink* m_commandSink = nullptr; ///< where a command's first run sends its messages
};

/// CursorPoint for a newly loaded titration: the middle point, halves to even
/// (7 points give 4, 5 give 2).
int middlePoint(int pointCount);

} // namespace ui
