#include "Tamo.h"

#include "DataGrid.h"
#include "Dialogs.h"
#include "GridModel.h"
#include "MessageBoxSink.h"
#include "PlotView.h"

#include <QAction>
#include <algorithm>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QToolBar>

// The icons are compiled into this static library; its resources must be registered.
static void registerIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace ui {

namespace {

/// The design size of the window's client area, twips.
constexpr int kDesignWidth = 11880;
constexpr int kDesignHeight = 8595;
constexpr int kToolBarHeight = 420;
/// The client height that shows the data grid with its header and 15 rows.
constexpr int kFirstClientHeight = 7200 + 270 + 16 * 240 + 60;
constexpr int kRightLeft = 4440; ///< the data panel and the plots, unless the grid is wider
constexpr int kGridGap = 60;     ///< between a wide grid and the plots
const QString kGeometryKey = QStringLiteral("window/geometry");

} // namespace

QString versionCaption(const QString& fourPartVersion) {
    const QStringList n = fourPartVersion.split(QLatin1Char('.'));
    auto part = [&](int i) { return i < n.size() ? QString::number(n[i].toInt()) : QStringLiteral("0"); };
    return QStringLiteral("TAMO Version %1.%2.%3").arg(part(0), part(1), part(3));
}

Tamo::Tamo(Dialogs& dialogs, SettingsLocation settings, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_settings(std::move(settings)),
      m_twips(logicalDpiX()) {
    registerIcons();
    setObjectName(QStringLiteral("Tamo"));
    setWindowTitle(kAppTitle);
    setAcceptDrops(true);
    // The layout is measured for an 8 point sans-serif font.
    setFont(QFont(QStringLiteral("Arial"), 8));
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(m_client);

    buildMenus();
    buildToolBar();
    buildLeftColumn();
    buildRightArea();
    setTabOrder();
    connectPointViews();

    connect(&m_document, &TitrationDocument::titrationReplaced, this, &Tamo::showNewTitration);
    connect(&m_document, &TitrationDocument::resultsChanged, this, &Tamo::showCalculation);
    connect(&m_document, &TitrationDocument::stateChanged, this, &Tamo::showState);
    connect(&m_document, &TitrationDocument::cursorMoved, this, &Tamo::followCursor);
    connect(&m_document, &TitrationDocument::inputsChanged, this, &Tamo::showInputs);
    connect(&m_document, &TitrationDocument::pointChanged, this, [this](int i) {
        m_gridModel->refreshRow(i);
        if (i == m_document.cursorPoint())
            CursorData(i);
    });
    connect(&m_document, &TitrationDocument::verdictChanged, this, &Tamo::showVerdict);
    connect(&m_document, &TitrationDocument::modifiedChanged, this, &Tamo::setWindowModified);
    connect(&m_document, &TitrationDocument::displayModeChanged, this, [this] {
        m_displayOption[static_cast<std::size_t>(m_document.displayMode()) - 1]->setChecked(true);
    });
    connect(m_titrationId, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_document.setIdentifier(text.toStdString()); });
    const std::pair<QLineEdit*, InputBox> boxes[] = {
        {m_range[0], InputBox::Range1}, {m_range[1], InputBox::Range2},
        {m_range[2], InputBox::Range3}, {m_range[3], InputBox::Range4},
        {m_pKbox, InputBox::pKbox},     {m_tbox, InputBox::Tbox},
        {m_gammaBox, InputBox::GammaBox}};
    for (const auto& [edit, which] : boxes)
        connect(edit, &QLineEdit::textEdited, this, [this, which = which](const QString& text) {
            m_document.setInput(which, text.toStdString());
        });
    showInputs();

    m_client->installEventFilter(this);
    m_client->resize(m_twips.px(kDesignWidth), m_twips.px(kDesignHeight));
    resize(m_twips.px(kDesignWidth), m_twips.px(kDesignHeight) + menuBar()->sizeHint().height());
}

Tamo::~Tamo() {
    // Closing the window after the document is gone would store an open cell edit into it.
    m_grid->discardEdit();
}

void Tamo::Form_Load(const QString& fileToLoad) {
    readSettingsAtStartUp();
    m_document.setInput(InputBox::GammaBox, "1");
    m_version->setText(versionCaption(QStringLiteral(TAMO_VERSION)));
    m_calculate->setEnabled(false);
    m_resultsMenu->setEnabled(false);
    m_displayMenu->setEnabled(false);
    m_gammaFrame->hide();
    m_resultsFrame->hide();
    m_granFrame->hide();
    m_grid->hide();
    m_toolbar->setEnabled(false);
    if (fileToLoad.isEmpty())
        LoadData_Click();
    else
        loadFile(fileToLoad);
}

void Tamo::Form_Resize() {
    if (isMinimized())
        return;
    const double W = m_twips.twips(m_client->width());
    const double H = m_twips.twips(m_client->height());
    m_toolbar->setGeometry(0, 0, m_client->width(), m_twips.px(kToolBarHeight));
    // Before the window is first shown too: the remembered size arrives then.
    if (!m_grid->isHidden())
        m_grid->FitGridHeight();
    // A grid widened by its texts pushes the data panel and the plots to the right.
    const double right =
        !m_grid->isHidden()
            ? std::max<double>(kRightLeft, m_twips.twips(m_grid->geometry().right() + 1) + kGridGap)
            : kRightLeft;
    for (QWidget* w :
         {m_dataPanel, static_cast<QWidget*>(m_dataPlot), static_cast<QWidget*>(m_residualPlot)})
        w->move(m_twips.px(right), w->y());
    const double plotWidth = W - right - 240;
    if (plotWidth >= 0) {
        m_dataPlot->resize(m_twips.px(plotWidth), m_dataPlot->height());
        m_residualPlot->resize(m_twips.px(plotWidth), m_residualPlot->height());
    }
    const double plotHeight = (H - 840) * 0.7;
    const double residTop =
        840 + (plotHeight >= 0 ? plotHeight : m_twips.twips(m_dataPlot->height())) + 120;
    if (plotHeight >= 0)
        m_dataPlot->resize(m_dataPlot->width(), m_twips.px(plotHeight));
    m_residualPlot->move(m_residualPlot->x(), m_twips.px(residTop));
    if (const double residHeight = H - residTop - 255; residHeight >= 0)
        m_residualPlot->resize(m_residualPlot->width(), m_twips.px(residHeight));
}

QSize Tamo::firstSize() const {
    const double scale = std::max(1.0, double(kFirstClientHeight) / kDesignHeight);
    QSize size(m_twips.px(kDesignWidth * scale),
               m_twips.px(kDesignHeight * scale) + menuBar()->sizeHint().height());
    if (const QScreen* s = screen())
        size = size.boundedTo(s->availableGeometry().size());
    return size;
}

QString Tamo::geometryFile() const {
    return QFileInfo(m_settings.file).dir().filePath(QStringLiteral("TAMO-window.ini"));
}

void Tamo::restoreGeometryOrFirstSize() {
    const QSettings stored(geometryFile(), QSettings::IniFormat);
    if (!restoreGeometry(stored.value(kGeometryKey).toByteArray()))
        resize(firstSize());
}

void Tamo::saveWindowGeometry() const {
    // QSettings replaces its file atomically. A size that cannot be kept is no
    // loss worth a message: the next start opens at the first size.
    QSettings stored(geometryFile(), QSettings::IniFormat);
    stored.setValue(kGeometryKey, saveGeometry());
    stored.sync();
}

bool Tamo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize) {
        Form_Resize();
        return false;
    }
    if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_titrationId && !key->isAutoRepeat())
            SaveIni();
        else if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat())
            boxEnterReleased(watched);
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tamo::boxEnterReleased(QObject* box) {
    const auto range = std::find(m_range.begin(), m_range.end(), box);
    if (range == m_range.end() && box != m_pKbox && box != m_tbox)
        return;
    m_settingsChanged = true;
    if (m_document.state() == WindowState::NoData)
        return; // nothing loaded to select or calculate
    const InputBox which = range != m_range.end()
                               ? static_cast<InputBox>(range - m_range.begin())
                               : box == m_pKbox ? InputBox::pKbox : InputBox::Tbox;
    {
        CalculationMessages sink(*this);
        m_document.confirmInput(which, sink);
    }
    focusPlot();
}

void Tamo::closeEvent(QCloseEvent* event) {
    if (!m_endingNow) {
        if (!mayDropData()) {
            event->ignore();
            return;
        }
        if (m_settingsChanged &&
            m_dialogs.question(this, QStringLiteral("Save changed INI file data? "),
                               QStringLiteral("Closing down TAMO")))
            SaveIni();
    }
    saveWindowGeometry();
    event->accept();
}

void Tamo::Quit_Click() {
    if (!mayDropData())
        return;
    if (m_settingsChanged && m_dialogs.question(this, QStringLiteral("Save changed INI file data?"),
                                                QStringLiteral("Closing TAMO")))
        SaveIni();
    endNow();
}

void Tamo::Exit_Click() {
    if (mayDropData())
        endNow();
}

void Tamo::endNow() {
    m_endingNow = true;
    close();
}

void Tamo::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void Tamo::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    if (mayDropData())
        loadFile(urls.first().toLocalFile());
}

} // namespace ui
