#include "ImportDialog.h"

#include "Dialogs.h"
#include "core/Format.h"
#include "core/NumberEntry.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

} // namespace

ImportDialog::ImportDialog(const QString& path, std::string bytes, const QString& profile,
                           Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_bytes(std::move(bytes)), m_name(path.toStdString()), m_dialogs(dialogs) {
    setWindowTitle(QStringLiteral("TAMO: Import ") + QFileInfo(path).fileName());
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("&Profile:"), this));
    m_profile = new QComboBox(this);
    m_profile->setObjectName(QStringLiteral("ImportProfile"));
    for (const std::string& name : io::builtInProfileNames()) {
        io::ImportProfile p;
        // A built-in profile always loads: the import tests read every one.
        static_cast<void>(io::loadProfile(name, p));
        m_profile->addItem(qs(name + ": " + p.description), qs(name));
    }
    m_profile->addItem(QStringLiteral("Profile file..."), QString());
    qobject_cast<QLabel*>(top->itemAt(0)->widget())->setBuddy(m_profile);
    top->addWidget(m_profile, 1);
    layout->addLayout(top);

    auto* tables = new QHBoxLayout;
    m_source = makeTable(this);
    m_source->setObjectName(QStringLiteral("ImportSource"));
    m_points = makeTable(this);
    m_points->setObjectName(QStringLiteral("ImportPoints"));
    m_points->setColumnCount(2);
    m_points->setHorizontalHeaderLabels(
        {QStringLiteral("Volume (ml)"), QStringLiteral("emf (mV)")});
    tables->addWidget(m_source, 3);
    tables->addWidget(m_points, 1);
    layout->addLayout(tables, 1);

    m_messages = new QLabel(this);
    m_messages->setObjectName(QStringLiteral("ImportMessages"));
    m_messages->setWordWrap(true);
    QPalette palette = m_messages->palette();
    palette.setColor(QPalette::WindowText, QColor(160, 0, 0));
    m_messages->setPalette(palette);
    layout->addWidget(m_messages);

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
    layout->addLayout(form);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(m_buttons);
    resize(900, 640);

    const QString start = profile.isEmpty() ? QStringLiteral("csv") : profile;
    if (!useProfile(start))
        useProfile(QStringLiteral("csv"));
    connect(m_profile, &QComboBox::activated, this, &ImportDialog::profileChosen);
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
    core::RecordingSink sink;
    m_result = io::importText(m_bytes, m_name, profile, sink);
    QStringList messages;
    for (const core::Message& m : sink.messages)
        messages << qs(m.text);
    m_messages->setText(messages.join('\n'));
    showSource();
    showPoints();
    showConditions();
    updateOk();
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
    m_points->setRowCount(static_cast<int>(m_result.points.size()));
    for (std::size_t i = 0; i < m_result.points.size(); ++i) {
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
    if (!m_result.accepted)
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
    for (std::size_t i = 0; i < m_conditions.size(); ++i)
        r.conditions[i] = m_conditions[i]->text().trimmed().toStdString();
    r.id = m_id->text().toStdString();
    return r;
}

} // namespace ui
