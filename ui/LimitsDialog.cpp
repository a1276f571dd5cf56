#include "LimitsDialog.h"

#include "TextColour.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <charconv>
#include <cmath>

namespace ui {

namespace {

/// The limit's shortest exact text, as the settings file keeps it.
QString limitText(double value) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return QString::fromLatin1(buffer.data(), end - buffer.data());
}

QLineEdit* limitBox(const std::optional<double>& value, const QString& name) {
    auto* box = new QLineEdit(value ? limitText(*value) : QString());
    box->setObjectName(name);
    return box;
}

} // namespace

std::optional<double> typedLimit(const QString& text) {
    std::string number = text.trimmed().toStdString();
    for (char& c : number)
        if (c == ',')
            c = '.';
    if (number.starts_with('+'))
        number.erase(0, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || error != std::errc() || end != number.data() + number.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

LimitsDialog::LimitsDialog(const core::VerdictLimits& limits, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Verdict settings"));
    m_slopeFactorMin = limitBox(limits.slopeFactorMin, QStringLiteral("SlopeFactorMin"));
    m_slopeFactorMax = limitBox(limits.slopeFactorMax, QStringLiteral("SlopeFactorMax"));
    m_rmsMax = limitBox(limits.rmsMax, QStringLiteral("RmsMax"));
    m_impurityMax = limitBox(limits.impurityMax, QStringLiteral("ImpurityMax"));
    m_impurityMin = limitBox(limits.impurityMin, QStringLiteral("ImpurityMin"));
    m_alkaliDeviationMax =
        limitBox(limits.alkaliDeviationMax, QStringLiteral("AlkaliDeviationMax"));
    m_e0Min = limitBox(limits.e0Min, QStringLiteral("E0Min"));
    m_e0Max = limitBox(limits.e0Max, QStringLiteral("E0Max"));
    for (QLineEdit* box : {m_e0Min, m_e0Max})
        box->setPlaceholderText(QStringLiteral("off"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Slope factor at least"), m_slopeFactorMin);
    form->addRow(QStringLiteral("Slope factor at most"), m_slopeFactorMax);
    form->addRow(QStringLiteral("rms residual at most (mV)"), m_rmsMax);
    form->addRow(QStringLiteral("Protolytic impurity level at most (%)"), m_impurityMax);
    form->addRow(QStringLiteral("Protolytic impurity level at least (%)"), m_impurityMin);
    form->addRow(QStringLiteral("Mean alkali concentration within (%)"), m_alkaliDeviationMax);
    form->addRow(QStringLiteral("E0 at least (mV)"), m_e0Min);
    form->addRow(QStringLiteral("E0 at most (mV)"), m_e0Max);
    m_problem = new QLabel;
    m_problem->setObjectName(QStringLiteral("LimitsProblem"));
    setTextColour(m_problem, QColor(255, 0, 0));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QLineEdit* box : {m_slopeFactorMin, m_slopeFactorMax, m_rmsMax, m_impurityMax,
                           m_impurityMin, m_alkaliDeviationMax, m_e0Min, m_e0Max})
        connect(box, &QLineEdit::textChanged, this, &LimitsDialog::check);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("An electrode is fit for use when its calibration meets every limit.\n"
                       "The alkali concentration is compared with the burette concentration;\n"
                       "an impurity level below its lower limit is negative carbonate.\n"
                       "Leave the E0 limits empty to judge E0 by no window.")));
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);
    check();
}

std::optional<core::VerdictLimits> LimitsDialog::read(QString& problem) const {
    core::VerdictLimits limits;
    const std::pair<QLineEdit*, double core::VerdictLimits::*> required[] = {
        {m_slopeFactorMin, &core::VerdictLimits::slopeFactorMin},
        {m_slopeFactorMax, &core::VerdictLimits::slopeFactorMax},
        {m_rmsMax, &core::VerdictLimits::rmsMax},
        {m_impurityMax, &core::VerdictLimits::impurityMax},
        {m_impurityMin, &core::VerdictLimits::impurityMin},
        {m_alkaliDeviationMax, &core::VerdictLimits::alkaliDeviationMax},
    };
    for (const auto& [box, limit] : required) {
        const std::optional<double> value = typedLimit(box->text());
        if (!value) {
            problem = QStringLiteral("\"%1\" is not a number.").arg(box->text());
            return std::nullopt;
        }
        limits.*limit = *value;
    }
    for (const auto& [box, limit] : {std::pair{m_e0Min, &core::VerdictLimits::e0Min},
                                     std::pair{m_e0Max, &core::VerdictLimits::e0Max}}) {
        if (box->text().trimmed().isEmpty())
            continue;
        limits.*limit = typedLimit(box->text());
        if (!(limits.*limit)) {
            problem = QStringLiteral("\"%1\" is not a number.").arg(box->text());
            return std::nullopt;
        }
    }
    if (const std::string reason = core::limitsProblem(limits); !reason.empty()) {
        problem = QString::fromStdString(reason);
        problem[0] = problem[0].toUpper();
        problem += QLatin1Char('.');
        return std::nullopt;
    }
    return limits;
}

void LimitsDialog::check() {
    QString problem;
    const bool usable = read(problem).has_value();
    m_problem->setText(usable ? QString() : problem);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(usable);
}

core::VerdictLimits LimitsDialog::limits() const {
    QString problem;
    return read(problem).value_or(core::VerdictLimits{});
}

} // namespace ui
