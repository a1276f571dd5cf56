#pragma once

#include "MessageBoxSink.h"
#include "SettingsLocation.h"
#include "TitrationDocument.h"
#include "Twips.h"
#include "io/Settings.h"
#include "plot/PlotKind.h"

#include <QMainWindow>
#include <array>
#include <optional>

class QAction;
class QCheckBox;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QToolBar;

namespace ui {

class DataGrid;
class Dialogs;
class GridModel;
class LogbookWindow;
class PlotView;

/// The main window: conditions and results on the left, the data grid below
/// them, the data panel and the two plots on the right. Its slots are the
/// commands of the menus, the toolbar and the boxes; the titration and the
/// work on it belong to the document.
class Tamo : public QMainWindow {
    Q_OBJECT
public:
    Tamo(Dialogs& dialogs, SettingsLocation settings, QWidget* parent = nullptr);
    ~Tamo() override;

    /// Start-up, before the window is first shown: the settings, the initial
    /// states, then the open dialog (or the file named on the command line).
    void Form_Load(const QString& fileToLoad = {});

    /// The size and place the window had when it was last closed (kept in
    /// "TAMO-window.ini" beside the settings file); at the first start a size
    /// that shows 15 rows of the grid, in the design's proportions.
    void restoreGeometryOrFirstSize();
    QString geometryFile() const;

    TitrationDocument& document() { return m_document; }
    bool SettingsChanged() const { return m_settingsChanged; }
    const SettingsLocation& settingsLocation() const { return m_settings; }

public slots:
    void LoadData_Click();
    /// File, Import, Import File: a titrator's or logger's file through an import profile.
    void Import_Click();
    /// File, Import, Save Profile: the profile of the last import, as its dialog left it.
    void SaveImportProfile_Click();
    void SaveData_Click();
    void SaveDataAs_Click();
    void Exit_Click();
    void Calculate_Click();
    void DisplayOption_Click(int index);
    void Help_Click();
    void Quit_Click();
    void RefineGamma_MouseUp(int index);
    void RefinePKw_Click(bool refined);
    void AcidBranch_Click(bool acidOnly);
    void HardCopy_Click();
    void CopyData_Click();
    void DataToClip_Click();
    void ResidToClip_Click();
    void SavePlotAs_Click();
    void SaveResidualsAs_Click();
    void SaveReportAs_Click();
    void Settings_Click();
    void AddToLogbook_Click();
    /// Opens the logbook window (one per main window), reading the logbook afresh.
    void Logbook_Click();
    /// Loads a file as if it had been chosen in the open dialog; a path made
    /// by io::fromNativePath keeps bytes that are not UTF-8.
    void loadFile(const QString& path);
    /// Loads an import as a new, unsaved titration and evaluates it as a load does.
    void loadImported(const io::ImportResult& import, const QString& source);

    // The point cursor on the plots.
    void DataPlot_KeyDown(int keyCode, int shift);
    void DataPlot_MouseDown(double x);

    // Editing in the grid.
    void DataGrid_KeyPress(const QString& typed);
    void DataGrid_DblClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Where a command that calculates sends its messages. The carbonate
    /// warning waits until the plots show the results, and comes before the
    /// grid is filled with them.
    class CalculationMessages {
    public:
        explicit CalculationMessages(Tamo& window);
        ~CalculationMessages();
        operator core::MessageSink&() { return m_sink; }
        void release() { m_sink.release(); }

    private:
        Tamo& m_window;
        MessageBoxSink m_sink;
    };

    // Building the window.
    void buildMenus();
    void buildToolBar();
    void buildLeftColumn();
    void buildConditions();
    void buildGammaFrame();
    void buildCalibrationChoices();
    /// The check boxes and the Gamma frame as the document's inputs have them.
    void showCalibrationChoices();
    io::CalibrationChoices calibrationChoices() const;
    /// The tooltips of the refined results: corrected titrant, correlations, sensitivity.
    void showResultTips();
    void buildResultsFrame();
    void buildGranFrame();
    void buildRightArea();
    void setTabOrder();
    void connectPointViews();
    QLabel* label(QWidget* parent, const QString& objectName, const QString& text, int left,
                  int top, int width);
    QLineEdit* box(QWidget* parent, const QString& objectName, int left, int top, int width);
    void place(QWidget* widget, int left, int top, int width, int height);

    // The steps of the commands.
    void SaveIni();
    /// The lines that close the printed and the saved report: verdict, operator, version.
    std::vector<std::string> closingLines() const;
    void readSettingsAtStartUp();
    /// Asks "Save changes to the data of FILE?" when the points were corrected
    /// or switched, or whether to save an import not yet saved as a data file;
    /// false when the user cancelled (or the save failed).
    bool mayDropData();
    /// "TAMO: data from PATH" (or "imported from"), marked while the data are modified.
    void showCaption();
    /// A titration loaded or imported: its conditions and title, and nothing of
    /// the one before (grid rows, plots, verdict) while its calculation's messages show.
    void showNewTitration();
    /// Where Save data As offers to write: the data file, or for an import a
    /// .txt file beside its source.
    QString saveFolder() const;
    /// Refuses a report when the last calculation was stopped; true when refused.
    bool refuseWithoutResults();
    /// The first size: the design's proportions, at least 15 grid rows, within the screen.
    QSize firstSize() const;
    void saveWindowGeometry() const;
    /// The settings into the document: the boxes, the data file path, the verdict's limits.
    void showSettings(const io::Settings& settings);
    void FillDataGrid();
    void CursorData(int k);
    void showConditions();
    void showResults();
    void showInputs();
    void showVerdict();
    /// Menus, toolbar, frames and plots offered in the document's state.
    void showState();
    /// What a calculation (or its undo) changed: the result frames, the grid, the data panel.
    void showCalculation();
    /// The data panel and the grid follow the current point.
    void followCursor(int k);
    /// The keys go to the data plot once it is on show.
    void focusPlot();
    void Form_Resize();
    void boxEnterReleased(QObject* box);
    QString dialogFolder() const;
    void endNow();
    void copyPlot(plot::PlotKind kind);
    void savePlotAs(plot::PlotKind kind);
    /// A file name in the data file's folder: its base name and the ending.
    QString besideDataFile(const QString& ending) const;

    Dialogs& m_dialogs;
    CalculationMessages* m_calculationMessages = nullptr; ///< of the command under way
    SettingsLocation m_settings;
    QString m_importProfile; ///< the import profile used last
    /// The profile of the last import as its dialog changed it, for Save Profile.
    std::optional<io::ImportProfile> m_lastImportProfile;
    TitrationDocument m_document;
    Twips m_twips;
    bool m_settingsChanged = false;
    bool m_settingsFailureShown = false;
    bool m_endingNow = false;

    QWidget* m_client = nullptr; ///< the design area, in twips
    QToolBar* m_toolbar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_saveData = nullptr;
    QAction* m_saveDataAs = nullptr;
    QAction* m_saveImportProfile = nullptr;
    QAction* m_calculate = nullptr;
    QMenu* m_displayMenu = nullptr;
    QMenu* m_resultsMenu = nullptr;
    QActionGroup* m_displayGroup = nullptr;
    std::array<QAction*, 3> m_displayOption{};
    QAction* m_version = nullptr;

    QLineEdit* m_titrationId = nullptr;
    QGroupBox* m_dataFrame = nullptr;
    QGroupBox* m_gammaFrame = nullptr;
    QGroupBox* m_resultsFrame = nullptr;
    QGroupBox* m_granFrame = nullptr;
    QLabel* m_v0 = nullptr;
    QLabel* m_v1 = nullptr;
    QLabel* m_initial = nullptr;
    QLabel* m_burette = nullptr;
    QLineEdit* m_pKbox = nullptr;
    QLineEdit* m_tbox = nullptr;
    std::array<QLineEdit*, 4> m_range{};
    QLineEdit* m_gammaBox = nullptr;
    std::array<QRadioButton*, 2> m_refineGamma{};
    QLabel* m_gammaSd = nullptr;
    QLabel* m_gammaPm = nullptr;
    QCheckBox* m_refinePKw = nullptr;
    QCheckBox* m_acidBranch = nullptr;

    QLabel* m_e0Value = nullptr;
    QLabel* m_e0sd = nullptr;
    QLabel* m_slopeValue = nullptr;
    QLabel* m_slopeSd = nullptr;
    QLabel* m_slopeFactor = nullptr;
    QLabel* m_rms = nullptr;        ///< Values(6)
    QLabel* m_iterations = nullptr; ///< Values(7)
    QLabel* m_acidEndPoint = nullptr;   ///< GranLabel(6)
    QLabel* m_alkaliEndPoint = nullptr; ///< GranLabel(10)
    QLabel* m_impurity = nullptr;       ///< GranLabel(12)
    QLabel* m_corrAlkali = nullptr;
    QLabel* m_alksd = nullptr;
    QLabel* m_verdict = nullptr;

    QWidget* m_dataPanel = nullptr;
    std::array<QLabel*, 2> m_dataLabel{};
    QLabel* m_pHlabel = nullptr;
    QLabel* m_chosen = nullptr;

    GridModel* m_gridModel = nullptr;
    DataGrid* m_grid = nullptr;
    PlotView* m_dataPlot = nullptr;
    PlotView* m_residualPlot = nullptr;
    QString m_operatorName; ///< who last kept a record; remembered in the settings file
    LogbookWindow* m_logbookWindow = nullptr; ///< made when first opened; a child of the window
};

/// What the reports and the logbook say after a stopped calculation.
inline const QString kNoResultsMessage =
    QStringLiteral("There are no results to report: the last calculation was stopped. "
                   "Calculate again once the points and the boxes allow it.");

/// "TAMO Version " and the first, second and fourth numbers of the version.
QString versionCaption(const QString& fourPartVersion);

} // namespace ui
