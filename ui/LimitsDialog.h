#pragma once

#include "core/Verdict.h"

#include <QDialog>
#include <optional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace ui {

/// A limit as typed: one number, "." or "," as decimal separator, an exponent
/// allowed ("1e3" is 1000); none for a text that is anything else.
std::optional<double> typedLimit(const QString& text);

/// The settings dialog of the verdict: the limits an electrode must meet. Each
/// limit is read as typed; OK waits until all of them can be used together.
class LimitsDialog : public QDialog {
    Q_OBJECT
public:
    explicit LimitsDialog(const core::VerdictLimits& limits, QWidget* parent = nullptr);
    core::VerdictLimits limits() const;

private:
    void check();
    /// The limits as typed, or why they cannot be used.
    std::optional<core::VerdictLimits> read(QString& problem) const;

    QLineEdit* m_slopeFactorMin;
    QLineEdit* m_slopeFactorMax;
    QLineEdit* m_rmsMax;
    QLineEdit* m_impurityMax;
    QLineEdit* m_impurityMin;
    QLineEdit* m_alkaliDeviationMax;
    QLineEdit* m_e0Min;
    QLineEdit* m_e0Max;
    QLabel* m_problem;
    QDialogButtonBox* m_buttons;
};

} // namespace ui
