// The window's calibration choices beside Gamma: pKw refined, the acid branch
// alone; and the tooltips of what the converging refinement adds.
#include "MessageBoxSink.h"
#include "Tamo.h"
#include "core/Calculation.h"
#include "core/Format.h"
#include "core/Report.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace ui {

namespace {

constexpr int kChoicesTop = 600;
constexpr int kChoiceHeight = 255;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

/// The correlation matrix of the refined parameters, one row a line.
QString correlationText(const core::ResultValues& r) {
    const std::size_t n = r.refined.size();
    QString text = QStringLiteral("Correlations of the refined parameters");
    for (std::size_t i = 0; i < n; ++i) {
        text += QLatin1Char('\n') + qs(r.refined[i]) + QLatin1Char(':');
        for (std::size_t j = 0; j < n; ++j)
            text += QLatin1Char(' ') + qs(core::formatNumber(r.correlation[i * n + j], "0.000"));
    }
    return text;
}

/// Makes the sensitivity tooltip of a label when it is asked for: three more
/// calculations, which a window of a hundred thousand points should not pay
/// for at every calculation.
class SensitivityTip : public QObject {
public:
    SensitivityTip(const TitrationDocument& document, QLabel* label)
        : QObject(label), m_document(document), m_label(label) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_label && event->type() == QEvent::ToolTip)
            m_label->setToolTip(
                m_document.hasCurrentResults()
                    ? qs(core::sensitivityText(core::E0sensitivity(m_document.titration())))
                    : QString());
        return false;
    }

private:
    const TitrationDocument& m_document;
    QLabel* m_label;
};

} // namespace

void Tamo::buildCalibrationChoices() {
    m_refinePKw = new QCheckBox(QStringLiteral("refine pKw"), m_gammaFrame);
    m_refinePKw->setObjectName(QStringLiteral("RefinePKw"));
    place(m_refinePKw, 1560, kChoicesTop, 1140, kChoiceHeight);
    connect(m_refinePKw, &QCheckBox::clicked, this, &Tamo::RefinePKw_Click);
    m_acidBranch = new QCheckBox(QStringLiteral("acid only"), m_gammaFrame);
    m_acidBranch->setObjectName(QStringLiteral("AcidBranch"));
    m_acidBranch->setToolTip(QStringLiteral(
        "Calibrate from the first pH range alone, with the Nernstian slope at the temperature"));
    place(m_acidBranch, 2700, kChoicesTop, 1200, kChoiceHeight);
    connect(m_acidBranch, &QCheckBox::clicked, this, &Tamo::AcidBranch_Click);
}

void Tamo::showCalibrationChoices() {
    const core::Inputs& in = m_document.titration().inputs;
    m_refineGamma[in.RefineGamma ? 1 : 0]->setChecked(true);
    m_gammaBox->setEnabled(!in.RefineGamma);
    m_gammaSd->setVisible(in.RefineGamma);
    m_gammaPm->setVisible(in.RefineGamma);
    m_refinePKw->setChecked(in.RefinePKw);
    m_acidBranch->setChecked(in.branch == core::Branch::Acid);
}

io::CalibrationChoices Tamo::calibrationChoices() const {
    const core::Inputs& in = m_document.titration().inputs;
    return {in.GammaBox, in.RefineGamma, in.RefinePKw, in.branch};
}

void Tamo::RefinePKw_Click(bool refined) {
    m_settingsChanged = true;
    {
        CalculationMessages sink(*this);
        m_document.setRefinePKw(refined, sink);
    }
    focusPlot();
}

void Tamo::AcidBranch_Click(bool acidOnly) {
    m_settingsChanged = true;
    {
        CalculationMessages sink(*this);
        m_document.setBranch(acidOnly ? core::Branch::Acid : core::Branch::Both, sink);
    }
    focusPlot();
}

void Tamo::showResultTips() {
    const core::Titration& t = m_document.titration();
    const core::ResultValues& r = t.results;
    const QString corrected =
        t.inputs.RefineGamma && r.gamma
            ? QStringLiteral("corrected burette concentration ") +
                  qs(core::formatNumber(t.Burette.value * *r.gamma, core::kConcentrationPattern))
            : QString();
    m_gammaBox->setToolTip(corrected);
    m_gammaSd->setToolTip(corrected);
    m_e0sd->setToolTip(r.refined.empty() ? QString() : correlationText(r));
    m_pKbox->setToolTip(t.inputs.RefinePKw && r.pKw
                            ? QStringLiteral("refined pKw ") + qs(t.captions.PKwValue) +
                                  QStringLiteral(" ± ") + qs(t.captions.PKwSd)
                            : QString());
    if (!m_e0Value->findChild<SensitivityTip*>())
        m_e0Value->installEventFilter(new SensitivityTip(m_document, m_e0Value));
}

} // namespace ui
