// The commands of the main window: files, settings, calculation and display.
#include "DataGrid.h"
#include "Dialogs.h"
#include "GridModel.h"
#include "MessageBoxSink.h"
#include "PlotView.h"
#include "Tamo.h"
#include "TextColour.h"
#include "core/Format.h"
#include "io/Import.h"
#include "io/NativePath.h"
#include "io/Settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QToolBar>
#include <filesystem>

namespace ui {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

/// A file's path as the window shows it: bytes that are not UTF-8 as U+FFFD.
QString displayPath(const std::string& nativePath) {
    return QString::fromUtf8(nativePath);
}

const QString kCaptionPrefix = QStringLiteral("TAMO: data from ");

/// A condition label: red for an acid (positive), blue for an alkali (negative).
void showSigned(QLabel* label, const core::Condition& c) {
    label->setText(qs(c.text));
    setTextColour(label, c.value > 0   ? QColor(255, 0, 0)
                         : c.value < 0 ? QColor(0, 0, 255)
                                       : std::optional<QColor>());
}

} // namespace

// ---- Settings ----

void Tamo::showSettings(const io::Settings& settings) {
    m_document.setVerdictLimits(settings.limits);
    m_operatorName = qs(settings.operatorName);
    m_document.setDataFilePath(settings.datafile);
    for (std::size_t i = 0; i < settings.range.size(); ++i)
        m_document.setInput(static_cast<InputBox>(i), settings.range[i]);
    m_document.setInput(InputBox::pKbox, settings.pKw);
    m_document.setInput(InputBox::Tbox, settings.temperature);
    const io::CalibrationChoices& c = settings.choices;
    m_document.setStartChoices(c.gamma, c.refineGamma, c.refinePKw, c.branch);
}

void Tamo::readSettingsAtStartUp() {
    io::Settings defaults = io::defaultSettings({});
    defaults.datafile = m_settings.defaultDataPath.toStdString();
    // The defaults pass through the reader too, so the boxes show number texts.
    io::Settings settings = io::parseSettingsText(io::settingsText(defaults));
    settings.datafile = defaults.datafile;
    m_settingsChanged = false;
    if (!QFileInfo::exists(m_settings.file)) {
        showSettings(settings);
        SaveIni();
    }
    // An unreadable file leaves the values above in the boxes.
    static_cast<void>(io::readSettingsFile(m_settings.file.toStdString(), settings));
    showSettings(settings);
    m_importProfile = qs(settings.importProfile);
    if (!settings.limitsProblem.empty())
        m_dialogs.warning(this,
                          QStringLiteral("The verdict limits in \"%1\" cannot be used: %2. The "
                                         "default limits are used instead.")
                              .arg(m_settings.file, qs(settings.limitsProblem)),
                          kAppTitle);
}

void Tamo::SaveIni() {
    const core::Titration& t = m_document.titration();
    io::Settings settings;
    settings.datafile = t.DataFilePath;
    settings.range = t.inputs.Range;
    settings.pKw = t.inputs.pKbox;
    settings.temperature = t.inputs.Tbox;
    settings.limits = m_document.verdictLimits();
    settings.choices = calibrationChoices();
    settings.importProfile = m_importProfile.toStdString();
    settings.operatorName = m_operatorName.toStdString();
    const std::string error = io::writeSettingsFile(m_settings.file.toStdString(), settings);
    if (error.empty() || m_settingsFailureShown)
        return;
    m_settingsFailureShown = true;
    m_dialogs.warning(this,
                      qs(error) + QStringLiteral("\n\nTAMO goes on with the values in its boxes, "
                                                 "but cannot remember them for the next start."),
                      kAppTitle);
}

// ---- Files ----

QString Tamo::dialogFolder() const {
    QFileInfo info(io::fromNativePath(m_document.titration().DataFilePath));
    if (info.isDir() || info.isFile())
        return info.absoluteFilePath();
    for (QDir dir = info.absoluteDir(); !dir.isRoot(); dir.setPath(QFileInfo(dir.path()).path()))
        if (dir.exists())
            return dir.path();
    return QDir::homePath();
}

bool Tamo::mayDropData() {
    if (!m_document.isModified())
        return true;
    const core::Titration& t = m_document.titration();
    // An import's source is never written: the question is of the titration read from it.
    const QString question =
        !m_document.isImported()
            ? QStringLiteral("Save changes to the data of %1?").arg(displayPath(t.DataFilePath))
        : t.TitrationID.empty()
            ? QStringLiteral("Save the imported titration as a data file (%1)?")
                  .arg(QFileInfo(saveFolder()).fileName())
            : QStringLiteral("Save the imported titration \"%1\" as a data file?")
                  .arg(qs(t.TitrationID));
    switch (m_dialogs.ask(this, question, kAppTitle)) {
    case Answer::Yes:
        SaveData_Click();
        return !m_document.isModified();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void Tamo::showCaption() {
    const QString path = displayPath(m_document.titration().DataFilePath);
    setWindowTitle(m_document.isImported()
                       ? QStringLiteral("TAMO: imported from ") + path +
                             QStringLiteral(" (not saved: Save data As writes a data file)[*]")
                       : kCaptionPrefix + path + QStringLiteral("[*]"));
    setWindowModified(m_document.isModified());
}

void Tamo::showNewTitration() {
    showConditions();
    showCaption();
    showVerdict();
    if (!m_grid->isHidden())
        m_gridModel->refill();
    for (PlotView* plot : {m_dataPlot, m_residualPlot})
        if (!plot->isHidden())
            plot->redraw();
}

QString Tamo::saveFolder() const {
    if (!m_document.isImported())
        return dialogFolder();
    const std::string& source = m_document.titration().DataFilePath;
    return io::fromNativePath(
        io::importedDataPath(std::filesystem::path(source).parent_path().string(), source));
}

void Tamo::LoadData_Click() {
    if (!mayDropData())
        return;
    const QString path = m_dialogs.openFileName(
        this, QStringLiteral("TAMO: Open calibration data file"), dialogFolder(),
        {QStringLiteral("TAMO data (*.txt)"), QStringLiteral("All files (*)")});
    if (!path.isEmpty())
        loadFile(path);
}

void Tamo::loadFile(const QString& chosen) {
    const QString path = chosen.trimmed();
    {
        CalculationMessages sink(*this);
        if (!m_document.load(io::toNativePath(path), sink))
            return; // the titration loaded before stays, with its path and caption
    }
    SaveIni();
    showCaption();
    focusPlot();
}

void Tamo::SaveData_Click() {
    if (m_document.isImported()) {
        SaveDataAs_Click(); // an import has no data file yet, and its source is not one
        return;
    }
    const std::string error = m_document.save(m_document.titration().DataFilePath);
    if (!error.empty())
        m_dialogs.warning(this, qs(error), kAppTitle);
}

void Tamo::SaveDataAs_Click() {
    const QString path = m_dialogs
                             .saveFileName(this, QStringLiteral("Save calibration data file"),
                                           saveFolder(), {QStringLiteral("TAMO data (*.txt)")})
                             .trimmed();
    if (path.isEmpty())
        return;
    const std::string error = m_document.save(io::toNativePath(path));
    if (!error.empty()) {
        m_dialogs.warning(this, qs(error), kAppTitle);
        return; // the titration keeps the file it came from
    }
    m_document.setDataFilePath(io::toNativePath(QFileInfo(path).absoluteFilePath()));
    showCaption();
}

// ---- States ----

void Tamo::showState() {
    if (m_document.state() == WindowState::NoData)
        return;
    m_gammaFrame->show();
    m_calculate->setEnabled(true);
    m_saveData->setEnabled(true);
    m_saveDataAs->setEnabled(true);
    if (m_document.state() != WindowState::Calculated)
        return;
    m_grid->discardEdit();
    m_displayMenu->setEnabled(true);
    m_resultsMenu->setEnabled(true);
    m_dataPanel->show();
    m_resultsFrame->show();
    m_granFrame->show();
    m_toolbar->setEnabled(true);
    // Shown before the results arrive, so that the plots draw them.
    m_residualPlot->show();
    m_dataPlot->show();
}

// ---- Calculation and display ----

void Tamo::focusPlot() {
    if (!m_dataPlot->isHidden())
        m_dataPlot->setFocus();
}

void Tamo::Calculate_Click() {
    {
        CalculationMessages sink(*this);
        m_document.calculate(sink);
    }
    focusPlot();
}

Tamo::CalculationMessages::CalculationMessages(Tamo& window)
    : m_window(window), m_sink(window.m_dialogs, &window, core::MessageId::NegativeCarbonate) {
    m_window.m_calculationMessages = this;
}

Tamo::CalculationMessages::~CalculationMessages() {
    m_window.m_calculationMessages = nullptr;
}

void Tamo::showCalculation() {
    showResults();
    if (m_document.hasCurrentResults())
        showResultTips();
    if (m_calculationMessages)
        m_calculationMessages->release(); // the plots have drawn the results
    FillDataGrid();
    CursorData(m_document.cursorPoint());
}

void Tamo::DisplayOption_Click(int index) {
    m_document.setDisplayMode(static_cast<plot::DisplayMode>(index + 1));
    focusPlot();
}

void Tamo::FillDataGrid() {
    m_gridModel->refill();
    m_grid->show();
    m_grid->applyLayout();
    m_grid->setCurrentIndex(QModelIndex());
    m_grid->FitGridWidth();
    m_grid->FitGridHeight();
    Form_Resize();
}

void Tamo::CursorData(int k) {
    const core::Titration& t = m_document.titration();
    if (k < 1 || k > t.PointCount()) {
        for (QLabel* label : {m_dataLabel[0], m_dataLabel[1], m_chosen, m_pHlabel})
            label->clear();
        return;
    }
    const core::Point& p = t.points[static_cast<std::size_t>(k - 1)];
    m_dataLabel[0]->setText(qs(core::formatNumber(p.Volume, "##0.0#####")));
    m_dataLabel[1]->setText(qs(core::formatNumber(p.EmfObs, "##0.0##")));
    m_chosen->setText(p.UsePoint ? QStringLiteral("use") : QStringLiteral("ignore"));
    setTextColour(m_chosen, p.UsePoint ? QColor(0, 0, 255) : QColor(255, 0, 255));
    m_pHlabel->setText(QStringLiteral("pH(calc)= ") + qs(core::formatNumber(p.PointPH, "#0.000")));
}

void Tamo::showConditions() {
    const core::Titration& t = m_document.titration();
    m_titrationId->setText(qs(t.TitrationID));
    m_titrationId->setCursorPosition(0);
    m_v0->setText(qs(t.v0.text));
    m_v1->setText(qs(t.v1.text));
    showSigned(m_initial, t.Initial);
    showSigned(m_burette, t.Burette);
    showResults();
}

void Tamo::showResults() {
    const core::ResultCaptions& c = m_document.titration().captions;
    const std::pair<QLabel*, const std::string*> labels[] = {
        {m_e0Value, &c.E0Value},       {m_e0sd, &c.E0sd},
        {m_slopeValue, &c.SlopeValue}, {m_slopeSd, &c.SlopeSd},
        {m_slopeFactor, &c.SlopeFactor}, {m_rms, &c.Values6},
        {m_iterations, &c.Values7},    {m_acidEndPoint, &c.GranLabel6},
        {m_alkaliEndPoint, &c.GranLabel10}, {m_impurity, &c.GranLabel12},
        {m_corrAlkali, &c.CorrAlkali}, {m_alksd, &c.Alksd},
        {m_gammaSd, &c.GammaSd}};
    for (const auto& [label, text] : labels)
        label->setText(qs(*text));
}

void Tamo::showInputs() {
    const auto show = [](QLineEdit* box, const std::string& text) {
        const QString value = qs(text);
        if (box->text() != value)
            box->setText(value);
    };
    for (std::size_t i = 0; i < m_range.size(); ++i)
        show(m_range[i], m_document.input(static_cast<InputBox>(i)));
    show(m_pKbox, m_document.input(InputBox::pKbox));
    show(m_tbox, m_document.input(InputBox::Tbox));
    show(m_gammaBox, m_document.input(InputBox::GammaBox));
    showCalibrationChoices();
}

void Tamo::RefineGamma_MouseUp(int index) {
    m_settingsChanged = true;
    {
        CalculationMessages sink(*this);
        m_document.setRefineGamma(index == 1, sink);
    }
    focusPlot();
}

// ---- Help ----

void Tamo::Help_Click() {
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString beside = programFolder.filePath(QStringLiteral("tamo.html"));
    const QString installed = QDir::cleanPath(programFolder.filePath(kInstalledManual));
    const QString manual = QFileInfo::exists(beside) ? beside : installed;
    if (!QFileInfo::exists(manual)) {
        m_dialogs.warning(
            this, QStringLiteral("The user manual \"%1\" cannot be found.").arg(beside), kAppTitle);
        return;
    }
    if (!m_dialogs.openWithDesktop(manual))
        m_dialogs.warning(this,
                          QStringLiteral("The user manual \"%1\" could not be opened: no program "
                                         "to show HTML pages was found.")
                              .arg(manual),
                          kAppTitle);
}

} // namespace ui
