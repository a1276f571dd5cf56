#pragma once

#include "core/Verdict.h"

#include <QDialog>

class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;

namespace ui {

/// The settings dialog of the verdict: the limits an electrode must meet.
class LimitsDialog : public QDialog {
    Q_OBJECT
public:
    explicit LimitsDialog(const core::VerdictLimits& limits, QWidget* parent = nullptr);
    core::VerdictLimits limits() const;

private:
    void check();

    QDoubleSpinBox* m_slopeFactorMin;
    QDoubleSpinBox* m_slopeFactorMax;
    QDoubleSpinBox* m_rmsMax;
    QDoubleSpinBox* m_impurityMax;
    QDoubleSpinBox* m_alkaliDeviationMax;
    QLabel* m_problem;
    QDialogButtonBox* m_buttons;
};

} // namespace ui
