#include "LimitsDialog.h"

#include "TextColour.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

QDoubleSpinBox* spinBox(double value, double maximum, int decimals, double step, const QString& unit) {
    auto* box = new QDoubleSpinBox;
    box->setRange(0, maximum);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setValue(value);
    box->setSuffix(unit);
    return box;
}

} // namespace

LimitsDialog::LimitsDialog(const core::VerdictLimits& limits, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Verdict settings"));
    m_slopeFactorMin = spinBox(limits.slopeFactorMin, 2, 3, 0.01, {});
    m_slopeFactorMax = spinBox(limits.slopeFactorMax, 2, 3, 0.01, {});
    m_rmsMax = spinBox(limits.rmsMax, 1000, 2, 0.1, QStringLiteral(" mV"));
    m_impurityMax = spinBox(limits.impurityMax, 100, 2, 0.1, QStringLiteral(" %"));
    m_alkaliDeviationMax = spinBox(limits.alkaliDeviationMax, 100, 2, 0.1, QStringLiteral(" %"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Slope factor at least"), m_slopeFactorMin);
    form->addRow(QStringLiteral("Slope factor at most"), m_slopeFactorMax);
    form->addRow(QStringLiteral("rms residual at most"), m_rmsMax);
    form->addRow(QStringLiteral("Protolytic impurity level at most"), m_impurityMax);
    form->addRow(QStringLiteral("Mean alkali concentration within"), m_alkaliDeviationMax);
    m_problem = new QLabel;
    setTextColour(m_problem, QColor(255, 0, 0));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QDoubleSpinBox* box : {m_slopeFactorMin, m_slopeFactorMax})
        connect(box, &QDoubleSpinBox::valueChanged, this, &LimitsDialog::check);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral(
        "An electrode is fit for use when its calibration meets every limit.\n"
        "The alkali concentration is compared with the burette concentration.")));
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);
    check();
}

void LimitsDialog::check() {
    const bool ordered = m_slopeFactorMin->value() <= m_slopeFactorMax->value();
    m_problem->setText(ordered ? QString()
                               : QStringLiteral("The lower slope factor limit is above the upper one."));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(ordered);
}

core::VerdictLimits LimitsDialog::limits() const {
    core::VerdictLimits limits;
    limits.slopeFactorMin = m_slopeFactorMin->value();
    limits.slopeFactorMax = m_slopeFactorMax->value();
    limits.rmsMax = m_rmsMax->value();
    limits.impurityMax = m_impurityMax->value();
    limits.alkaliDeviationMax = m_alkaliDeviationMax->value();
    return limits;
}

} // namespace ui
