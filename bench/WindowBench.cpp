// The window on the offscreen platform: start-up of the real program to its
// first painted, calculated window; loading and calculating a large titration
// with grid and plots; a repaint of both plots; a point switched on the plot.
#include "io/DataFile.h"
#include "sim/Simulator.h"
#include "ui/UnattendedDialogs.h"
#include "ui/PlotView.h"
#include "ui/Tamo.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <stdexcept>

namespace {

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

/// A simulated titration of so many points in a data file; its path.
QString titrationFile(int points) {
    static std::map<int, QString> files;
    auto it = files.find(points);
    if (it != files.end())
        return it->second;
    sim::Setup setup;
    setup.pointCount = points;
    setup.emfNoise = 0.2;
    const QString path = folder().filePath(QStringLiteral("t%1.txt").arg(points));
    const std::string error =
        io::WriteDataFile(path.toStdString(), io::dataFileTexts(sim::makeTitration(setup)));
    if (!error.empty())
        throw std::runtime_error(error);
    return files.emplace(points, path).first->second;
}

/// A window of 1280 x 800 pixels with the titration loaded and calculated.
struct LoadedWindow {
    ui::UnattendedDialogs dialogs;
    ui::Tamo tamo{dialogs, {folder().filePath(QStringLiteral("TAMO.INI")),
                            folder().path(), folder().filePath(QStringLiteral("logbook.sqlite"))}};
    explicit LoadedWindow(int points) {
        tamo.resize(1280, 800);
        tamo.show();
        tamo.Form_Load(titrationFile(points));
        QApplication::processEvents();
    }
    ui::PlotView* plot(const char* name) { return tamo.findChild<ui::PlotView*>(name); }
};

void BM_StartToCalculatedWindow(benchmark::State& state) {
    const QString file = titrationFile(60);
    for (auto _ : state) {
        QProcess process;
        process.setWorkingDirectory(folder().path());
        process.start(TAMO_EXE, {QStringLiteral("--smoke-test"), file});
        if (!process.waitForFinished(30000) || process.exitCode() != 0)
            state.SkipWithError("tamo did not show the calculated window");
    }
}
BENCHMARK(BM_StartToCalculatedWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadAndCalculate(benchmark::State& state) {
    LoadedWindow w(100);
    const QString file = titrationFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.tamo.loadFile(file);
        QApplication::processEvents(); // the grid and the plots painted
    }
    if (w.tamo.document().titration().PointCount() != state.range(0))
        state.SkipWithError("the titration was not loaded");
}
BENCHMARK(BM_LoadAndCalculate)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RepaintBothPlots(benchmark::State& state) {
    LoadedWindow w(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.plot("ResidualPlot")->redraw();
        w.plot("DataPlot")->redraw();
        w.plot("ResidualPlot")->repaint();
        w.plot("DataPlot")->repaint();
    }
}
BENCHMARK(BM_RepaintBothPlots)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SpaceOnAPoint(benchmark::State& state) {
    LoadedWindow w(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.tamo.DataPlot_KeyDown(32, 0); // recalculates, redraws both plots, refills the grid
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SpaceOnAPoint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
