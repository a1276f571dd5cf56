#include "ImportDialog.h"

#include "Dialogs.h"
#include "core/Format.h"
#include "core/NumberEntry.h"
#include "io/FileAccess.h"
#include "io/NativePath.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ui {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

const QColor kAmountColour(255, 236, 170); // the amount column
const QColor kEmfColour(190, 225, 255);    // the emf column
const QColor kSkippedText(150, 150, 150);  // a line that gave no point

const char* const kConditionLabels[] = {"Titrand volume V0 (ml)", "Electrolyte volume V1 (ml)",
                                        "Titrand concentration CT (mol dm-3, acid positive)",
                                        "Burette concentration CB (mol dm-3, alkali negative)"};

QTableWidget* makeTable(QWidget* parent) {
    auto* table = new QTableWidget(parent);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    return table;
}

/// A combo box of choices whose data are the values of an enumeration, in order.
QComboBox* enumChoices(QWidget* parent, const char* objectName, const QStringList& texts) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    for (int i = 0; i < texts.size(); ++i)
        box->addItem(texts[i], i);
    return box;
}

template <typename Enum> Enum chosen(const QComboBox* box) {
    return static_cast<Enum>(box->currentData().toInt());
}

template <typename Enum> void showChoice(QComboBox* box, Enum value) {
    box->setCurrentIndex(box->findData(static_cast<int>(value)));
}

} // namespace

ImportDialog::ImportDialog(const QString& path, std::string bytes, const QString& profile,
                           Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_bytes(std::move(bytes)), m_name(path.toStdString()), m_dialogs(dialogs) {
    setWindowTitle(QStringLiteral("TAMO: Import ") + QFileInfo(path).fileName());
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Profile:"), this);
    top->addWidget(label);
    m_profile = new QComboBox(this);
    m_profile->setObjectName(QStringLiteral("ImportProfile"));
    for (const std::string& name : io::builtInProfileNames()) {
        io::ImportProfile p;
        // A built-in profile always loads: the import tests read every one.
        static_cast<void>(io::loadProfile(name, p));
        m_profile->addItem(qs(name + ": " + p.description), qs(name));
    }
    m_profile->addItem(QStringLiteral("Profile file..."), QString());
    label->setBuddy(m_profile);
    top->addWidget(m_profile, 1);
    auto* save = new QPushButton(QStringLiteral("Save Pro&file..."), this);
    save->setObjectName(QStringLiteral("SaveImportProfile"));
    connect(save, &QPushButton::clicked, this, &ImportDialog::saveProfile);
    top->addWidget(save);
    layout->addLayout(top);

    layout->addLayout(buildPreview(), 1);

    m_messages = new QLabel(this);
    m_messages->setObjectName(QStringLiteral("ImportMessages"));
    m_messages->setWordWrap(true);
    QPalette palette = m_messages->palette();
    palette.setColor(QPalette::WindowText, QColor(160, 0, 0));
    m_messages->setPalette(palette);
    layout->addWidget(m_messages);
    buildConditions();

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    resize(1000, 680);

    const QString start = profile.isEmpty() ? QStringLiteral("csv") : profile;
    if (!useProfile(start))
        useProfile(QStringLiteral("csv"));
    connect(m_profile, &QComboBox::activated, this, &ImportDialog::profileChosen);
}

/// The preview with its clickable column headers; beside it the controls and the points.
QLayout* ImportDialog::buildPreview() {
    auto* tables = new QHBoxLayout;
    m_source = makeTable(this);
    m_source->setObjectName(QStringLiteral("ImportSource"));
    m_source->horizontalHeader()->setSectionsClickable(true);
    m_source->horizontalHeader()->setToolTip(
        QStringLiteral("Click a column's header to read it as the amount or the emf"));
    connect(m_source->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &ImportDialog::headerClicked);
    tables->addWidget(m_source, 3);
    auto* side = new QVBoxLayout;
    buildControls(this);
    auto* controls = new QFormLayout;
    controls->addRow(QStringLiteral("&Data start at line"), m_startLine);
    controls->addRow(QStringLiteral("&Separator"), m_separator);
    controls->addRow(QStringLiteral("De&cimal mark"), m_decimal);
    controls->addRow(QStringLiteral("emf &unit"), m_emfUnit);
    controls->addRow(QStringLiteral("Se&gments"), m_segments);
    side->addLayout(controls);
    m_points = makeTable(this);
    m_points->setObjectName(QStringLiteral("ImportPoints"));
    m_points->setColumnCount(2);
    m_points->setHorizontalHeaderLabels(
        {QStringLiteral("Volume (ml)"), QStringLiteral("emf (mV)")});
    side->addWidget(m_points, 1);
    tables->addLayout(side, 1);
    return tables;
}

void ImportDialog::buildControls(QWidget* parent) {
    m_startLine = new QSpinBox(parent);
    m_startLine->setObjectName(QStringLiteral("ImportStartLine"));
    m_startLine->setRange(0, 1000000);
    m_startLine->setSpecialValueText(QStringLiteral("as the profile says"));
    m_separator = enumChoices(parent, "ImportSeparator",
                              {QStringLiteral("found from the file"), QStringLiteral("tab"),
                               QStringLiteral("semicolon"), QStringLiteral("comma"),
                               QStringLiteral("blanks")});
    m_decimal = enumChoices(
        parent, "ImportDecimal",
        {QStringLiteral("found from the file"), QStringLiteral("point"), QStringLiteral("comma")});
    m_emfUnit = enumChoices(
        parent, "ImportEmfUnit",
        {QStringLiteral("from the header, else mV"), QStringLiteral("mV"), QStringLiteral("V")});
    m_segments = enumChoices(
        parent, "ImportSegments",
        {QStringLiteral("the first run of additions"), QStringLiteral("the runs summed")});
    connect(m_startLine, &QSpinBox::valueChanged, this, &ImportDialog::controlChanged);
    for (QComboBox* box : {m_separator, m_decimal, m_emfUnit, m_segments})
        connect(box, &QComboBox::activated, this, &ImportDialog::controlChanged);
}

void ImportDialog::buildConditions() {
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < m_conditions.size(); ++i) {
        m_conditions[i] = new QLineEdit(this);
        m_conditions[i]->setObjectName(QString::fromLatin1(io::kConditionKeys[i]));
        form->addRow(QString::fromLatin1(kConditionLabels[i]), m_conditions[i]);
        connect(m_conditions[i], &QLineEdit::textChanged, this, &ImportDialog::updateOk);
    }
    m_id = new QLineEdit(this);
    m_id->setObjectName(QStringLiteral("ImportId"));
    form->addRow(QStringLiteral("Identifier"), m_id);
    static_cast<QBoxLayout*>(layout())->addLayout(form);
}

bool ImportDialog::useProfile(const QString& nameOrPath) {
    io::ImportProfile profile;
    if (const std::string error = io::loadProfile(nameOrPath.toStdString(), profile);
        !error.empty()) {
        m_messages->setText(qs(error));
        return false;
    }
    int index = m_profile->findData(nameOrPath);
    if (index < 0) {
        index = m_profile->count() - 1; // before "Profile file..."
        m_profile->insertItem(index, QStringLiteral("file: ") + nameOrPath, nameOrPath);
    }
    m_profile->setCurrentIndex(index);
    m_profileName = nameOrPath;
    m_base = m_working = std::move(profile);
    showControls();
    reimport();
    return true;
}

void ImportDialog::profileChosen(int index) {
    QString name = m_profile->itemData(index).toString();
    if (name.isEmpty())
        name = m_dialogs.openFileName(
            this, QStringLiteral("TAMO: Open import profile"), QFileInfo(qs(m_name)).path(),
            {QStringLiteral("Import profiles (*.ini)"), QStringLiteral("All files (*)")});
    if (name.isEmpty() || !useProfile(name))
        m_profile->setCurrentIndex(std::max(0, m_profile->findData(m_profileName)));
}

void ImportDialog::showControls() {
    const QSignalBlocker blocker(m_startLine);
    m_startLine->setValue(0);
    showChoice(m_separator, m_working.separator);
    showChoice(m_decimal, m_working.decimal);
    showChoice(m_emfUnit, m_working.emfUnit);
    showChoice(m_segments, m_working.segments);
}

void ImportDialog::controlChanged() {
    const int line = m_startLine->value();
    m_working.startLine = line > 0 ? line : m_base.startLine;
    m_working.skipTo = line > 0 ? std::string() : m_base.skipTo;
    m_working.separator = chosen<io::Separator>(m_separator);
    m_working.decimal = chosen<io::DecimalMark>(m_decimal);
    m_working.emfUnit = chosen<io::EmfUnit>(m_emfUnit);
    m_working.segments = chosen<io::Segments>(m_segments);
    reimport();
}

void ImportDialog::headerClicked(int column) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ImportColumnMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString number = QString::number(column + 1);
    menu->addAction(QStringLiteral("Column %1 as the &amount").arg(number), this,
                    [this, column] { assignColumn(column, false); })
        ->setObjectName(QStringLiteral("AsAmount"));
    menu->addAction(QStringLiteral("Column %1 as the &emf").arg(number), this,
                    [this, column] { assignColumn(column, true); })
        ->setObjectName(QStringLiteral("AsEmf"));
    QHeaderView* header = m_source->horizontalHeader();
    menu->popup(
        header->mapToGlobal(QPoint(header->sectionViewportPosition(column), header->height())));
}

void ImportDialog::assignColumn(int column, bool emf) {
    int volume = m_result.volumeColumn, emfColumn = m_result.emfColumn;
    int& chosenColumn = emf ? emfColumn : volume;
    int& other = emf ? volume : emfColumn;
    if (other == column)
        other = chosenColumn; // the two change places
    chosenColumn = column;
    const auto ref = [](int c) { return c >= 0 ? io::ColumnRef{c + 1, {}} : io::ColumnRef{}; };
    m_working.volume = ref(volume);
    m_working.emf = ref(emfColumn);
    reimport();
}

void ImportDialog::saveProfile() {
    const QString path =
        saveImportProfile(m_dialogs, this, m_working, QFileInfo(qs(m_name)).path());
    if (!path.isEmpty())
        useProfile(path); // the identifier names it
}

void ImportDialog::reimport() {
    // Once changed here, the profile's name (and so the identifier) says so.
    m_working.name = m_base.name;
    if (!(m_working == m_base))
        m_working.name += ", changed in the Import dialog";
    core::RecordingSink sink;
    m_result = {};
    if (const std::string error = io::contradiction(m_working); !error.empty())
        sink.message(error);
    else
        m_result = io::importText(m_bytes, m_name, m_working, sink);
    QStringList messages;
    for (const core::Message& m : sink.messages)
        messages << qs(m.text);
    m_messages->setText(messages.join('\n'));
    showSource();
    showPoints();
    showConditions();
    updateOk();
}

void ImportDialog::showSource() {
    std::size_t columns = 0;
    for (const io::SourceRow& row : m_result.rows)
        columns = std::max(columns, row.fields.size());
    m_source->clear();
    m_source->setRowCount(static_cast<int>(m_result.rows.size()));
    m_source->setColumnCount(static_cast<int>(columns));
    QStringList headers, lines;
    for (std::size_t c = 0; c < columns; ++c) {
        const int column = static_cast<int>(c);
        headers << (column == m_result.volumeColumn ? QStringLiteral("%1: amount").arg(c + 1)
                    : column == m_result.emfColumn  ? QStringLiteral("%1: emf").arg(c + 1)
                                                    : QString::number(c + 1));
    }
    m_source->setHorizontalHeaderLabels(headers);
    for (std::size_t r = 0; r < m_result.rows.size(); ++r) {
        const io::SourceRow& row = m_result.rows[r];
        lines << QString::number(row.line);
        for (std::size_t c = 0; c < row.fields.size(); ++c) {
            auto* item = new QTableWidgetItem(qs(row.fields[c]));
            const int column = static_cast<int>(c);
            if (row.point && column == m_result.volumeColumn)
                item->setBackground(kAmountColour);
            else if (row.point && column == m_result.emfColumn)
                item->setBackground(kEmfColour);
            else if (!row.point)
                item->setForeground(kSkippedText);
            m_source->setItem(static_cast<int>(r), column, item);
        }
    }
    m_source->setVerticalHeaderLabels(lines);
    m_source->resizeColumnsToContents();
}

void ImportDialog::showPoints() {
    const std::size_t shown = m_result.accepted ? m_result.points.size() : 0;
    m_points->setRowCount(static_cast<int>(shown));
    for (std::size_t i = 0; i < shown; ++i) {
        const auto& [volume, emf] = m_result.points[i];
        m_points->setItem(static_cast<int>(i), 0,
                          new QTableWidgetItem(qs(core::generalNumberText(volume))));
        m_points->setItem(static_cast<int>(i), 1,
                          new QTableWidgetItem(qs(core::generalNumberText(emf))));
    }
}

/// The conditions the file gives fill their boxes; a box the profile leaves to the
/// user keeps what was typed.
void ImportDialog::showConditions() {
    for (std::size_t i = 0; i < m_conditions.size(); ++i)
        if (m_result.conditions[i])
            m_conditions[i]->setText(qs(*m_result.conditions[i]));
    m_id->setText(qs(m_result.id));
}

bool ImportDialog::canAccept() const {
    if (!m_result.accepted || m_result.emfUnitInDoubt)
        return false;
    return std::all_of(m_conditions.begin(), m_conditions.end(), [](const QLineEdit* box) {
        return core::hasNumber(box->text().toStdString());
    });
}

void ImportDialog::updateOk() {
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(canAccept());
}

io::ImportResult ImportDialog::result() const {
    io::ImportResult r = m_result;
    for (std::size_t i = 0; i < m_conditions.size(); ++i) {
        const std::string text = m_conditions[i]->text().trimmed().toStdString();
        if (r.conditions[i] != text)
            r.origin.conditionSources[i] = io::kTyped;
        r.conditions[i] = text;
    }
    r.id = m_id->text().toStdString();
    return r;
}

QString saveImportProfile(Dialogs& dialogs, QWidget* parent, io::ImportProfile profile,
                          const QString& folder) {
    const QString path = dialogs.saveFileName(parent, QStringLiteral("TAMO: Save import profile"),
                                              folder, {QStringLiteral("Import profiles (*.ini)")});
    if (path.isEmpty())
        return {};
    profile.name = QFileInfo(path).completeBaseName().toStdString();
    for (io::ConditionSource& c : profile.conditions)
        if (c.typed)
            c = {}; // typed for one import, asked for the next
    const std::string text = "# An import profile saved by TAMO (File > Import > Save Profile)\n" +
                             io::profileText(profile);
    if (const std::string error = io::writeFileAtomically(io::toNativePath(path), text);
        !error.empty()) {
        dialogs.warning(parent, qs(error), QStringLiteral("TAMO"));
        return {};
    }
    return path;
}

} // namespace ui
