// Building the main window. Positions and sizes are in twips.
#include "DataGrid.h"
#include "GridModel.h"
#include "MessageBoxSink.h"
#include "PlotView.h"
#include "Tamo.h"

#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QUndoStack>
#include <QRadioButton>
#include <QToolBar>

#include <memory>

namespace ui {

namespace {

constexpr int kLeft = 120;         ///< the left column
constexpr int kColumnWidth = 3945;
constexpr int kRightLeft = 4440;   ///< the data panel and the plots
constexpr int kLabelHeight = 255;
constexpr int kBoxHeight = 285;
constexpr int kValueLeft = 2520;   ///< the condition values
constexpr int kValueWidth = 855;

} // namespace

void Tamo::place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(m_twips.px(left), m_twips.px(top), m_twips.px(width), m_twips.px(height));
}

QLabel* Tamo::label(QWidget* parent, const QString& objectName, const QString& text, int left,
                    int top, int width) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(objectName);
    place(l, left, top, width, kLabelHeight);
    return l;
}

QLineEdit* Tamo::box(QWidget* parent, const QString& objectName, int left, int top, int width) {
    auto* b = new QLineEdit(parent);
    b->setObjectName(objectName);
    place(b, left, top, width, kBoxHeight);
    b->installEventFilter(this);
    return b;
}

void Tamo::buildMenus() {
    QMenuBar* bar = menuBar();
    m_fileMenu = bar->addMenu(QStringLiteral("&File"));
    m_fileMenu->setObjectName(QStringLiteral("FileMenu"));
    QAction* load = m_fileMenu->addAction(QStringLiteral("&Load data"), this, &Tamo::LoadData_Click);
    load->setObjectName(QStringLiteral("LoadData"));
    load->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QMenu* import = m_fileMenu->addMenu(QStringLiteral("&Import"));
    import->setObjectName(QStringLiteral("ImportMenu"));
    import->addAction(QStringLiteral("&Import File..."), this, &Tamo::Import_Click)
        ->setObjectName(QStringLiteral("Import"));
    m_saveImportProfile =
        import->addAction(QStringLiteral("Save &Profile..."), this, &Tamo::SaveImportProfile_Click);
    m_saveImportProfile->setObjectName(QStringLiteral("SaveImportProfile"));
    m_saveImportProfile->setEnabled(false);
    m_saveData = m_fileMenu->addAction(QStringLiteral("&Save data"), this, &Tamo::SaveData_Click);
    m_saveData->setObjectName(QStringLiteral("SaveData"));
    m_saveData->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_saveData->setEnabled(false);
    m_saveDataAs = m_fileMenu->addAction(QStringLiteral("Save data &As"), this, &Tamo::SaveDataAs_Click);
    m_saveDataAs->setObjectName(QStringLiteral("SaveDataAs"));
    m_saveDataAs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    m_saveDataAs->setEnabled(false);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(QStringLiteral("Se&ttings..."), this, &Tamo::Settings_Click)
        ->setObjectName(QStringLiteral("Settings"));
    m_fileMenu->addSeparator();
    QAction* exit = m_fileMenu->addAction(QStringLiteral("E&xit"), this, &Tamo::Exit_Click);
    exit->setObjectName(QStringLiteral("Exit"));

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("MenuEdit"));
    // "Undo switch point 12": the stack names the change that comes next.
    QAction* undo = m_document.undoStack().createUndoAction(this);
    undo->setObjectName(QStringLiteral("Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = m_document.undoStack().createRedoAction(this);
    redo->setObjectName(QStringLiteral("Redo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                        QKeySequence(Qt::CTRL | Qt::Key_Y)});
    edit->addAction(undo);
    edit->addAction(redo);

    m_calculate = bar->addAction(QStringLiteral("&Calculate"), this, &Tamo::Calculate_Click);
    m_calculate->setObjectName(QStringLiteral("Calculate"));

    m_displayMenu = bar->addMenu(QStringLiteral("&Display"));
    m_displayMenu->setObjectName(QStringLiteral("MenuDisplay"));
    m_displayGroup = new QActionGroup(this);
    const QString captions[] = {QStringLiteral("emf versus &Volume"), QStringLiteral("emf versus &pH"),
                                QStringLiteral("&Gran plot")};
    for (int i = 0; i < 3; ++i) {
        QAction* option = m_displayMenu->addAction(captions[i], this, [this, i] { DisplayOption_Click(i); });
        option->setObjectName(QStringLiteral("DisplayOption%1").arg(i));
        option->setCheckable(true);
        m_displayGroup->addAction(option);
        m_displayOption[static_cast<std::size_t>(i)] = option;
    }

    m_resultsMenu = bar->addMenu(QStringLiteral("&Results"));
    m_resultsMenu->setObjectName(QStringLiteral("MenuResults"));
    const std::pair<const char*, const char*> results[] = {
        {"HardCopy", "&Print"},
        {"CopyData", "&Data to clipboard"},
        {"DataToClip", "&Copy Plot to clipboard"},
        {"ResidToClip", "Copy &Residuals to clipboard"}};
    void (Tamo::*const resultCommands[])() = {&Tamo::HardCopy_Click, &Tamo::CopyData_Click,
                                              &Tamo::DataToClip_Click, &Tamo::ResidToClip_Click};
    for (std::size_t i = 0; i < std::size(results); ++i)
        m_resultsMenu->addAction(QString::fromLatin1(results[i].second), this, resultCommands[i])
            ->setObjectName(QString::fromLatin1(results[i].first));
    m_resultsMenu->addSeparator();
    m_resultsMenu->addAction(QStringLiteral("Save Plo&t As..."), this, &Tamo::SavePlotAs_Click)
        ->setObjectName(QStringLiteral("SavePlotAs"));
    m_resultsMenu->addAction(QStringLiteral("Save Re&siduals As..."), this, &Tamo::SaveResidualsAs_Click)
        ->setObjectName(QStringLiteral("SaveResidualsAs"));
    m_resultsMenu->addAction(QStringLiteral("Save Rep&ort As..."), this, &Tamo::SaveReportAs_Click)
        ->setObjectName(QStringLiteral("SaveReportAs"));
    m_resultsMenu->addSeparator();
    m_resultsMenu->addAction(QStringLiteral("&Add to Logbook"), this, &Tamo::AddToLogbook_Click)
        ->setObjectName(QStringLiteral("AddToLogbook"));
    m_resultsMenu->addAction(QStringLiteral("&Logbook..."), this, &Tamo::Logbook_Click)
        ->setObjectName(QStringLiteral("Logbook"));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* helpItem = help->addAction(QStringLiteral("&Help"), this, &Tamo::Help_Click);
    helpItem->setObjectName(QStringLiteral("Help"));
    helpItem->setShortcut(QKeySequence::HelpContents);
    m_version = help->addAction(QStringLiteral("&Version"));
    m_version->setObjectName(QStringLiteral("Version"));
}

void Tamo::buildToolBar() {
    m_toolbar = new QToolBar(m_client);
    m_toolbar->setObjectName(QStringLiteral("Tb"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(m_twips.px(300), m_twips.px(300)));
    struct Button {
        const char* key;
        const char* tooltip;
        std::function<void()> command;
    };
    const Button buttons[] = {
        {"open", "load data file", [this] { LoadData_Click(); }},
        {"save", "Save data", [this] { SaveData_Click(); }},
        {"saveas", "Save data as", [this] { SaveDataAs_Click(); }},
        {"emf_titre", "plot emf vs titre", [this] { DisplayOption_Click(0); }},
        {"emf_ph", "plot emf vs pH", [this] { DisplayOption_Click(1); }},
        {"gran", "Gran plot", [this] { DisplayOption_Click(2); }},
        {"calculate", "Calibration", [this] { Calculate_Click(); }},
        {"print", "Results to printer", [this] { HardCopy_Click(); }},
        {"clip", "Results to clipboard", [this] { CopyData_Click(); }},
        {"help", "help", [this] { Help_Click(); }},
        {"quit", "End calibration", [this] { Quit_Click(); }},
    };
    for (const Button& b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        QAction* action = m_toolbar->addAction(QIcon(QStringLiteral(":/icons/%1.svg").arg(key)),
                                               QString::fromLatin1(b.tooltip));
        action->setObjectName(key);
        action->setToolTip(QString::fromLatin1(b.tooltip));
        connect(action, &QAction::triggered, this, b.command);
        if (key == QLatin1String("saveas") || key == QLatin1String("calculate") ||
            key == QLatin1String("clip"))
            m_toolbar->addSeparator();
    }
    m_toolbar->setEnabled(false);
}

void Tamo::buildLeftColumn() {
    m_titrationId = box(m_client, QStringLiteral("TitrationID"), kLeft, 480, kColumnWidth);
    m_titrationId->setToolTip(QStringLiteral("Identifies the titration curve"));
    buildConditions();
    buildGammaFrame();
    buildResultsFrame();
    buildGranFrame();

    m_gridModel = new GridModel(m_document, std::make_unique<MessageBoxSink>(m_dialogs, this), this);
    m_grid = new DataGrid(*m_gridModel, m_twips, m_client);
    m_grid->setObjectName(QStringLiteral("DataGrid"));
    place(m_grid, kLeft, 7200, kColumnWidth, 1000);
    m_grid->hide();
}

void Tamo::buildConditions() {
    m_dataFrame = new QGroupBox(QStringLiteral("Conditions"), m_client);
    m_dataFrame->setObjectName(QStringLiteral("DataFrame"));
    place(m_dataFrame, kLeft, 720, kColumnWidth, 2385);
    QWidget* f = m_dataFrame;
    label(f, QStringLiteral("TitrandLabel"), QStringLiteral("Titrand volume /ml"), 120, 240, 2340);
    m_v0 = label(f, QStringLiteral("v0"), {}, kValueLeft, 240, kValueWidth);
    label(f, QStringLiteral("Elrctrolyte"), QStringLiteral("Electrolyte solution volume /ml"), 120, 480, 2340);
    m_v1 = label(f, QStringLiteral("v1"), {}, kValueLeft, 480, kValueWidth);
    label(f, QStringLiteral("Label2"), QStringLiteral("Titrand concentration /mol dm<sup>-3</sup>"), 120, 840, 2340);
    m_initial = label(f, QStringLiteral("Initial"), {}, kValueLeft, 840, kValueWidth);
    label(f, QStringLiteral("BuretteLabel"), QStringLiteral("Burette concentration /mol dm<sup>-3</sup>"), 120, 1080, 2340);
    m_burette = label(f, QStringLiteral("Burette"), {}, kValueLeft, 1080, kValueWidth);
    label(f, QStringLiteral("Label7"), QStringLiteral("pKw"), 120, 1470, 540);
    m_pKbox = box(f, QStringLiteral("pKbox"), 720, 1440, kValueWidth);
    label(f, QStringLiteral("Label8"), QStringLiteral("T /<sup>o</sup>C"), 1800, 1470, 660);
    m_tbox = box(f, QStringLiteral("Tbox"), kValueLeft, 1440, kValueWidth);
    label(f, QStringLiteral("Label4"), QStringLiteral("Use data in pH ranges"), 120, 1800, 3000);
    const int rangeLeft[] = {120, 960, 1920, 2760};
    const int rangeWidth[] = {495, 495, 450, 495};
    for (std::size_t i = 0; i < m_range.size(); ++i)
        m_range[i] = box(f, QStringLiteral("Range%1").arg(i + 1), rangeLeft[i], 2040, rangeWidth[i]);
    label(f, QStringLiteral("RangeLabel"), QStringLiteral("to"), 660, 2070, 255)->setAlignment(Qt::AlignCenter);
    label(f, QStringLiteral("Label1"), QStringLiteral("and"), 1455, 2070, 465)->setAlignment(Qt::AlignCenter);
    label(f, QStringLiteral("RangeLabel"), QStringLiteral("to"), 2415, 2070, 300)->setAlignment(Qt::AlignCenter);
}

void Tamo::buildGammaFrame() {
    m_gammaFrame = new QGroupBox(QStringLiteral("Gamma"), m_client);
    m_gammaFrame->setObjectName(QStringLiteral("GammaFrame"));
    place(m_gammaFrame, kLeft, 3120, kColumnWidth, 855);
    const QString captions[] = {QStringLiteral("Constant"), QStringLiteral("Refined")};
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(captions[i], m_gammaFrame);
        option->setObjectName(QStringLiteral("RefineGamma%1").arg(i));
        place(option, 120, 240 + 240 * i, 1200, kLabelHeight);
        connect(option, &QRadioButton::clicked, this, [this, i] { RefineGamma_MouseUp(i); });
        m_refineGamma[static_cast<std::size_t>(i)] = option;
    }
    m_refineGamma[0]->setChecked(true);
    m_gammaBox = box(m_gammaFrame, QStringLiteral("GammaBox"), 1560, 330, kValueWidth);
    m_gammaPm = label(m_gammaFrame, QStringLiteral("pm"), QStringLiteral("±"), 2460, 360, 200);
    m_gammaSd = label(m_gammaFrame, QStringLiteral("GammaSd"), {}, 2700, 360, 1000);
    m_gammaPm->hide();
    m_gammaSd->hide();
    buildCalibrationChoices();
}

void Tamo::buildResultsFrame() {
    m_resultsFrame = new QGroupBox(QStringLiteral("Calibration results"), m_client);
    m_resultsFrame->setObjectName(QStringLiteral("ResultsFrame"));
    place(m_resultsFrame, kLeft, 4080, kColumnWidth, 1455);
    QWidget* f = m_resultsFrame;
    auto valueWithSd = [&](const QString& caption, const QString& valueName, const QString& sdName,
                           int top, QLabel*& value, QLabel*& sd) {
        label(f, valueName + QStringLiteral("Label"), caption, 120, top, 1680);
        value = label(f, valueName, {}, 1800, top, 1000);
        label(f, valueName + QStringLiteral("Pm"), QStringLiteral("±"), 2820, top, 180);
        sd = label(f, sdName, {}, 3000, top, 900);
    };
    valueWithSd(QStringLiteral("E0 /mV"), QStringLiteral("E0Value"), QStringLiteral("E0sd"), 240,
                m_e0Value, m_e0sd);
    valueWithSd(QStringLiteral("slope /mV"), QStringLiteral("SlopeValue"), QStringLiteral("SlopeSd"),
                480, m_slopeValue, m_slopeSd);
    label(f, QStringLiteral("SlopeFactorLabel"), QStringLiteral("slope factor"), 120, 720, 1680);
    m_slopeFactor = label(f, QStringLiteral("SlopeFactor"), {}, 1800, 720, 1000);
    label(f, QStringLiteral("Label6"), QStringLiteral("rms residual /mV"), 120, 960, 1680);
    m_rms = label(f, QStringLiteral("Values6"), {}, 1800, 960, 1000);
    label(f, QStringLiteral("Label9"), QStringLiteral("iterations"), 120, 1200, 1680);
    m_iterations = label(f, QStringLiteral("Values7"), {}, 1800, 1200, 1000);
}

void Tamo::buildGranFrame() {
    m_granFrame = new QGroupBox(QStringLiteral("Gran Plot Results"), m_client);
    m_granFrame->setObjectName(QStringLiteral("GranFrame"));
    place(m_granFrame, kLeft, 5640, kColumnWidth, 1455);
    QWidget* f = m_granFrame;
    label(f, QStringLiteral("GranLabel1"), QStringLiteral("Acid end-point"), 120, 240, 2040);
    m_acidEndPoint = label(f, QStringLiteral("GranLabel6"), {}, 2280, 240, 1500);
    label(f, QStringLiteral("GranLabel2"), QStringLiteral("Alkali end-point"), 120, 480, 2040);
    m_alkaliEndPoint = label(f, QStringLiteral("GranLabel10"), {}, 2280, 480, 1500);
    label(f, QStringLiteral("GranLabel3"), QStringLiteral("Protolytic impurity level"), 120, 720, 2040);
    m_impurity = label(f, QStringLiteral("GranLabel12"), {}, 2280, 720, 1500);
    label(f, QStringLiteral("Label5"), QStringLiteral("Mean alkali concentration"), 120, 960, 2040);
    m_corrAlkali = label(f, QStringLiteral("CorrAlkali"), {}, 2280, 960, 960);
    m_alksd = label(f, QStringLiteral("Alksd"), {}, 3240, 960, 690);
    label(f, QStringLiteral("VerdictLabel"), QStringLiteral("Verdict"), 120, 1200, 960);
    m_verdict = label(f, QStringLiteral("Verdict"), {}, 1080, 1200, 2820);
}

void Tamo::buildRightArea() {
    m_dataPanel = new QWidget(m_client);
    m_dataPanel->setObjectName(QStringLiteral("DataPanel"));
    place(m_dataPanel, kRightLeft, 480, 7200, kLabelHeight);
    label(m_dataPanel, QStringLiteral("pvLabel"), QStringLiteral("Volume"), 0, 0, 720);
    m_dataLabel[0] = label(m_dataPanel, QStringLiteral("DataLabel0"), {}, 720, 0, 1200);
    label(m_dataPanel, QStringLiteral("peLabel"), QStringLiteral("emf"), 2040, 0, 480);
    m_dataLabel[1] = label(m_dataPanel, QStringLiteral("DataLabel1"), {}, 2520, 0, 1200);
    m_pHlabel = label(m_dataPanel, QStringLiteral("pHlabel"), {}, 3840, 0, 1800);
    m_chosen = label(m_dataPanel, QStringLiteral("Chosen"), {}, 5760, 0, 1200);
    m_dataPanel->hide();

    m_dataPlot = new PlotView(m_document, plot::PlotKind::Data, m_client);
    m_dataPlot->setObjectName(QStringLiteral("DataPlot"));
    place(m_dataPlot, kRightLeft, 840, 7200, 5400);
    m_dataPlot->hide();
    m_residualPlot = new PlotView(m_document, plot::PlotKind::Residuals, m_client);
    m_residualPlot->setObjectName(QStringLiteral("ResidualPlot"));
    place(m_residualPlot, kRightLeft, 6360, 7200, 1950);
    m_residualPlot->hide();
}

void Tamo::setTabOrder() {
    QWidget* order[] = {m_titrationId, m_pKbox, m_tbox, m_range[0], m_range[1], m_range[2],
                        m_range[3], m_grid, m_dataPlot, m_residualPlot};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace ui
