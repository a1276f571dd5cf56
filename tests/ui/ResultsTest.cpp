// The results out: the report on the clipboard and the printer, the plots on
// the clipboard and in files.

#include "WindowFixture.h"
#include "core/Format.h"
#include "core/Report.h"
#include "io/DataFile.h"
#include "sim/Simulator.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QDir>
#include <QMimeData>
#include <QPageLayout>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>

using namespace uitest;

namespace {

struct Calculated : Window {
    Calculated() { start(copyExample("acid-with-alkali.txt")); }
    QString clipboardText() const { return QApplication::clipboard()->text(); }
};

/// The engine's report with the date of the one on the clipboard.
QString expectedReport(const core::Titration& t, const QString& clipboard) {
    const QString date = clipboard.section(QLatin1Char('\r'), 2, 2).mid(int(strlen("Produced at ")));
    return QString::fromStdString(core::resultsReport(t, t.DataFilePath, date.toStdString(), "\r"));
}

/// One printed word and where it starts.
struct Word {
    QString text;
    double x;
    double y;
    int page;
    double xMax = 0;
};

/// The words of a PDF with their positions (pdftotext -bbox).
QList<Word> printedWords(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished();
    QList<Word> words;
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    const QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QStringLiteral("<page "));
    for (int page = 0; page < pages.size(); ++page)
        for (const auto& m : word.globalMatch(pages[page]))
            words.append({m.captured(4)
                              .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                              .replace(QChar(0xFB00), QStringLiteral("ff")), // the font's ligature
                          m.captured(1).toDouble(), m.captured(2).toDouble(), page,
                          m.captured(3).toDouble()});
    // In reading order: by page, by line (an underscore's box starts lower), from the left.
    std::stable_sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
        if (a.page != b.page)
            return a.page < b.page;
        return std::abs(a.y - b.y) > 4 ? a.y < b.y : a.x < b.x;
    });
    return words;
}

} // namespace

class ResultsTest : public QObject {
    Q_OBJECT
private slots:
    void theReportGoesToTheClipboardWithCarriageReturns();
    void thePrintedReportHasItsLinesAndColumns();
    void aCancelledOrFailingPrintIsNotSilent();
    void aLongReportKeepsToThePage();
    void plotsGoToTheClipboardAsVectorAndRaster_data();
    void plotsGoToTheClipboardAsVectorAndRaster();
    void aCopyLeavesTheScreenMapping();
    void plotsAndReportGoToFiles();
    void theCalibrationChoicesAreUsedShownAndRemembered();
};

void ResultsTest::theReportGoesToTheClipboardWithCarriageReturns() {
    Calculated w;
    QApplication::clipboard()->setText(QStringLiteral("something else"));
    w.find<QAction>("CopyData")->trigger();
    const QString text = w.clipboardText();
    QVERIFY(!text.contains(QLatin1Char('\n')));
    QVERIFY(text.section(QLatin1Char('\r'), 2, 2).startsWith("Produced at "));
    QCOMPARE(text, expectedReport(w.titration(), text));
    QVERIFY(!text.contains("1 ± "));
    // The toolbar's button gives the same; a refined Gamma adds its line after the slope factor.
    w.tamo->RefineGamma_MouseUp(1);
    w.find<QAction>("clip")->trigger();
    const QString refined = w.clipboardText();
    QCOMPARE(refined, expectedReport(w.titration(), refined));
    QVERIFY(QRegularExpression(QStringLiteral("\rslope factor [0-9.]+\rGamma \\(titrant factor\\) [0-9.]+ ± [0-9.]+\r"
                                          "corrected burette concentration -?[0-9.]+\rpKw = 13.78\r"))
                .match(refined)
                .hasMatch());
}

void ResultsTest::thePrintedReportHasItsLinesAndColumns() {
    Calculated w;
    const QString pdf = w.path(QStringLiteral("report.pdf"));
    w.dialogs.printer = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
    };
    w.find<QAction>("HardCopy")->trigger();
    QCOMPARE(w.dialogs.printerTitle, QStringLiteral("Select printer"));
    QVERIFY(w.dialogs.shown.isEmpty());
    const QList<Word> words = printedWords(pdf);
    QVERIFY(words.size() > 300);

    QStringList text;
    for (const Word& word : words)
        text << word.text;
    const QString all = text.join(QLatin1Char(' '));
    QVERIFY(all.startsWith("____________________ TAMO: Electrode Calibration Data from " +
                           QString::fromStdString(w.titration().DataFilePath)));
    QVERIFY(all.contains("volume of titrand 25.00 electrolyte volume 25.00"));
    QVERIFY(all.contains("Gran plot results Acid end-point"));
    QVERIFY(!all.contains("Titration ID") && !all.contains("Produced at"));
    QVERIFY(all.contains("volume mV (obs) mV(calc) mV(diff) pH\"obs\""));
    QCOMPARE(all.count("not used"), w.titration().PointCount() - w.titration().UsedCount());

    // Columns from the table's heading: "volume" at column 5, "mV(diff)" at column 35.
    const auto diff = std::find_if(words.begin(), words.end(),
                                   [](const Word& x) { return x.text == QLatin1String("mV(diff)"); });
    QVERIFY(diff != words.end());
    const auto onHeading = [&](const QString& t) {
        return *std::find_if(words.begin(), words.end(), [&](const Word& x) {
            return x.text == t && x.y == diff->y && x.page == diff->page;
        });
    };
    const double left = words.first().x;
    const double width = (diff->x - onHeading(QStringLiteral("volume")).x) / 30;
    const auto column = [&](const Word& x) { return int(std::lround((x.x - left) / width)) + 1; };
    QCOMPARE(column(onHeading(QStringLiteral("volume"))), 5);
    QCOMPARE(column(onHeading(QStringLiteral("mV(calc)"))), 25);
    QCOMPARE(column(onHeading(QStringLiteral("pH\"obs\""))), 45);

    // Every point line: number, volume, then the emfs one column left when not positive.
    int rows = 0, negative = 0;
    for (int i = 0; i < words.size(); ++i) {
        if (words[i].text != QLatin1String("1") || column(words[i]) != 1 || i + 5 >= words.size())
            continue;
        for (int k = i; k + 5 < words.size(); k += 6) {
            if (words[k].text == QLatin1String("not"))
                k += 2; // "not used" after an ignored point
            if (k + 5 >= words.size() || words[k + 5].y != words[k].y || words[k + 5].page != words[k].page)
                break;
            const double calc = words[k + 3].text.toDouble();
            const double diff = words[k + 4].text.toDouble();
            QCOMPARE(column(words[k]), 1);
            QCOMPARE(column(words[k + 1]), 5);
            QCOMPARE(column(words[k + 2]), calc > 0 ? 15 : 14);
            QCOMPARE(column(words[k + 3]), calc > 0 ? 25 : 24);
            QCOMPARE(column(words[k + 4]), diff > 0 ? 35 : 34);
            QCOMPARE(column(words[k + 5]), 45);
            ++rows;
            negative += calc <= 0;
        }
        break;
    }
    QCOMPARE(rows, w.titration().PointCount());
    QVERIFY(negative > 5);
}

void ResultsTest::aLongReportKeepsToThePage() {
    Window w;
    QString folder = w.path(QStringLiteral("records"));
    for (int i = 0; i < 4; ++i)
        folder += QStringLiteral("/a-rather-long-folder-of-the-laboratory-%1").arg(i);
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/titration-with-many-points.txt");
    const sim::Setup setup{.pointCount = 120, .seed = 3};
    QCOMPARE(io::WriteDataFile(file.toStdString(), io::dataFileTexts(sim::makeTitration(setup))),
             std::string());
    w.start(file);
    const QString pdf = w.path(QStringLiteral("long.pdf"));
    w.dialogs.printer = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        p.setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
    };
    w.tamo->HardCopy_Click();
    QVERIFY(w.dialogs.shown.isEmpty());
    const QList<Word> words = printedWords(pdf);
    // A4 is 595 points wide; 15 mm are 42.5 points.
    for (const Word& word : words)
        QVERIFY2(word.x >= 42 && word.xMax <= 595.3 - 42, qPrintable(word.text));
    QString all;
    for (const Word& word : words)
        all += word.text;
    QVERIFY(all.contains(file)); // wrapped, not cut
    // Point 100 and its volume stand apart, in their shortest form.
    const auto hundred = std::find_if(words.begin(), words.end(),
                                      [](const Word& x) { return x.text == QLatin1String("100"); });
    QVERIFY(hundred != words.end() && hundred + 1 != words.end());
    QVERIFY((hundred + 1)->x > hundred->xMax + 1);
    QCOMPARE((hundred + 1)->text,
             QString::fromStdString(core::generalNumberText(w.titration().points[99].Volume)));
    QCOMPARE(words.last().text, QStringLiteral(TAMO_VERSION));
    QVERIFY(all.contains("Verdict:") && all.contains("Operator:"));
}

void ResultsTest::aCancelledOrFailingPrintIsNotSilent() {
    Calculated w;
    w.find<QAction>("print")->trigger(); // cancelled: nothing printed, nothing said
    QVERIFY(w.dialogs.shown.isEmpty());
    QCOMPARE(w.dialogs.printerTitle, QStringLiteral("Select printer"));
    w.dialogs.printer = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(w.path(QStringLiteral("missing/report.pdf")));
    };
    w.tamo->HardCopy_Click();
    QCOMPARE(w.dialogs.messages(),
             QStringList{"The report could not be printed: the printer did not accept the document."});
}

void ResultsTest::plotsGoToTheClipboardAsVectorAndRaster_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("viewBox");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Gran plot") << "DataToClip" << 2 << "50.93mm" << "0 0 8250 5093"
                               << QStringList{"Experimental data: ", "Gran function", "volume/ml"};
    QTest::newRow("emf against volume") << "DataToClip" << 0 << "50.93mm" << "0 0 8250 5093"
                                        << QStringList{"E/mV", "volume/ml"};
    QTest::newRow("emf against pH") << "DataToClip" << 1 << "50.93mm" << "0 0 8250 5093"
                                    << QStringList{"E/mV", ">pH<"};
    QTest::newRow("residuals") << "ResidToClip" << 0 << "25.46mm" << "0 0 8250 2546"
                               << QStringList{"observed-calculated emf", "diff /mV"};
}

void ResultsTest::plotsGoToTheClipboardAsVectorAndRaster() {
    QFETCH(QString, command);
    QFETCH(int, view);
    QFETCH(QString, height);
    QFETCH(QString, viewBox);
    QFETCH(QStringList, texts);
    Calculated w;
    w.tamo->DisplayOption_Click(view);
    w.find<QAction>(command.toLatin1().constData())->trigger();
    const QMimeData* picture = QApplication::clipboard()->mimeData();
    QVERIFY(picture->hasFormat(QStringLiteral("image/svg+xml")));
    QVERIFY(picture->hasImage());
    const QString svg = QString::fromUtf8(picture->data(QStringLiteral("image/svg+xml")));
    QVERIFY(svg.contains(QStringLiteral("width=\"82.5mm\" height=\"%1\"").arg(height)));
    QVERIFY(svg.contains(QStringLiteral("viewBox=\"%1\"").arg(viewBox)));
    for (const QString& t : texts)
        QVERIFY2(svg.contains(t), qPrintable(t));
    // Black only: no coloured point marks and no cursor line.
    static const QRegularExpression colour(QStringLiteral("(stroke|fill)=\"#([0-9a-f]{6})\""));
    for (const auto& m : colour.globalMatch(svg))
        QVERIFY2(m.captured(2) == QLatin1String("000000") || m.captured(2) == QLatin1String("ffffff"),
                 qPrintable(m.captured(0)));
    const QImage image = qvariant_cast<QImage>(picture->imageData());
    // 300 dots per inch of the picture's size, to the nearest dot.
    QCOMPARE(image.width(), 974);
    QVERIFY(std::abs(image.height() - viewBox.section(' ', 3).toDouble() * 300 / 2540) <= 0.5);
}

void ResultsTest::aCopyLeavesTheScreenMapping() {
    Calculated w;
    const plot::PlotGeometry data = w.dataPlot()->plotGeometry();
    const plot::PlotGeometry residuals = w.residualPlot()->plotGeometry();
    const QImage before = w.dataPlot()->picture();
    w.tamo->DataToClip_Click();
    w.tamo->ResidToClip_Click();
    QVERIFY(w.dataPlot()->plotGeometry() == data);
    QVERIFY(w.residualPlot()->plotGeometry() == residuals);
    QCOMPARE(w.dataPlot()->picture(), before);
    // The cursor moves and comes back on the same pixels.
    QTest::keyClick(w.dataPlot(), Qt::Key_Right);
    QTest::keyClick(w.dataPlot(), Qt::Key_Left);
    QCOMPARE(w.dataPlot()->picture(), before);
}

void ResultsTest::plotsAndReportGoToFiles() {
    Calculated w;
    const QString plot = w.path(QStringLiteral("gran"));
    w.dialogs.saveAnswers << plot << w.path(QStringLiteral("resid.png")) << w.path(QStringLiteral("report"));
    w.find<QAction>("SavePlotAs")->trigger(); // no extension: the first filter's, SVG
    w.find<QAction>("SaveResidualsAs")->trigger();
    w.find<QAction>("SaveReportAs")->trigger();
    QVERIFY(w.dialogs.shown.isEmpty());
    QVERIFY(readAll(plot + ".svg").contains("viewBox=\"0 0 8250 5093\""));
    QVERIFY(readAll(w.path(QStringLiteral("resid.png"))).startsWith("\x89PNG"));
    const QByteArray report = readAll(w.path(QStringLiteral("report.txt")));
    QVERIFY(report.startsWith("TAMO: Electrode Calibration\nData from "));
    QVERIFY(!report.contains('\r'));
    QCOMPARE(report.count('\n'), 25 + w.titration().PointCount());
    QVERIFY(report.contains("\n\nVerdict: electrode OK\nOperator: "));
    QVERIFY(report.endsWith("\nTAMO version " TAMO_VERSION "\n"));

    w.dialogs.saveAnswers << w.path(QStringLiteral("missing/gran.pdf"));
    w.tamo->SavePlotAs_Click();
    QCOMPARE(w.dialogs.messages().size(), 1);
    QVERIFY(w.dialogs.messages().first().contains(w.path(QStringLiteral("missing/gran.pdf"))));
}

QTEST_MAIN(ResultsTest)
void ResultsTest::theCalibrationChoicesAreUsedShownAndRemembered() {
    Calculated w;
    QVERIFY(w.find<QGroupBox>("GammaFrame")->isVisible());
    w.tamo->RefineGamma_MouseUp(1);
    QVERIFY(w.box("GammaBox")->toolTip().startsWith("corrected burette concentration -0.0"));
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(w.find<QLabel>("E0Value"), &help);
    QVERIFY(w.find<QLabel>("E0Value")->toolTip().startsWith("E0 moves "));
    w.find<QCheckBox>("RefinePKw")->click();
    QVERIFY(w.titration().results.pKw.has_value());
    QVERIFY(w.find<QLabel>("E0sd")->toolTip().contains("pKw: "));
    QVERIFY(w.box("pKbox")->toolTip().startsWith("refined pKw 13."));
    w.find<QCheckBox>("RefinePKw")->click();
    w.find<QCheckBox>("AcidBranch")->click();
    QCOMPARE(w.text("GranLabel10"), QString::fromUtf8(core::kNotDetermined));
    QVERIFY(!w.titration().results.impurityPercent);
    w.dialogs.questionAnswers << true;
    w.tamo->close();
    QFile ini(w.settingsFile());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    for (const char* line :
         {"<refinegamma>1</refinegamma>", "<refinepkw>0</refinepkw>", "<branch>acid</branch>"})
        QVERIFY2(text.contains(line), line);
}

#include "ResultsTest.moc"
