// Drawing the screen plots (scale 1, with the point marks and the cursor) of a
// simulated titration on a QImage of 1000 x 700 pixels.

#include "CalculatedTitration.h"
#include "plot/DataPlot.h"
#include "plot/QPainterCanvas.h"
#include "plot/ResidualPlot.h"

#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <map>

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 700;

const core::Titration& titration(int points) {
    static std::map<int, core::Titration> cache;
    auto it = cache.find(points);
    if (it == cache.end()) {
        sim::Setup setup;
        setup.pointCount = points;
        setup.emfNoise = 0.2;
        it = cache.emplace(points, plottest::calculatedTitration(setup)).first;
    }
    return it->second;
}

plot::DisplayMode modeOf(const benchmark::State& state) {
    return static_cast<plot::DisplayMode>(state.range(1));
}

/// The window's layout: the data plot above, the residual plot below, in one image.
void BM_BothPlots(benchmark::State& state) {
    const core::Titration& t = titration(static_cast<int>(state.range(0)));
    const plot::ScreenDrawing screen{true, t.PointCount() / 2};
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const int dataHeight = kHeight * 7 / 10;
    for (auto _ : state) {
        QPainter painter(&image);
        plot::PlotGeometry g;
        painter.translate(0, dataHeight);
        {
            plot::QPainterCanvas resid(painter, QRect(0, 0, kWidth, kHeight - dataHeight));
            plot::ShowResids(resid, g, t, modeOf(state), 1, kWidth, kHeight - dataHeight, screen);
        }
        painter.resetTransform();
        {
            plot::QPainterCanvas data(painter, QRect(0, 0, kWidth, dataHeight));
            plot::ShowData(data, g, t, modeOf(state), 1, kWidth, dataHeight, screen);
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

/// Each plot alone on the whole image.
template <bool Data> void BM_OnePlot(benchmark::State& state) {
    const core::Titration& t = titration(static_cast<int>(state.range(0)));
    const plot::ScreenDrawing screen{true, t.PointCount() / 2};
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        plot::PlotGeometry g;
        {
            plot::QPainterCanvas canvas(painter, image.rect());
            if (Data)
                plot::ShowData(canvas, g, t, modeOf(state), 1, kWidth, kHeight, screen);
            else
                plot::ShowResids(canvas, g, t, modeOf(state), 1, kWidth, kHeight, screen);
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int mode : {1, 2, 3})
        for (int points : {1000, 100000})
            b->Args({points, mode});
    b->ArgNames({"points", "mode"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BothPlots)->Apply(sizes);
BENCHMARK_TEMPLATE(BM_OnePlot, true)->Name("BM_DataPlot")->Apply(sizes);
BENCHMARK_TEMPLATE(BM_OnePlot, false)->Name("BM_ResidualPlot")->Apply(sizes);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
