// The live preview on a 1,000-node page and on the 100,000-node page, in the
// new page's character set (iso-2022-jp, the dearest conversion): the copy
// taken on the GUI thread, the generation and conversion on the worker, and
// a whole refresh from a keystroke to the bytes' arrival (the debounce and
// the pane's load excluded), with the longest stall of the GUI thread meanwhile.
#include "BenchPages.h"
#include "page/PageDocument.h"
#include "page/PreviewBuilder.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// state.range(0): the number of nodes.
void Fill(Page& page, int nodes)
{
    if (nodes == PageNodes) {
        FillPage(page);
        return;
    }
    std::mt19937 rng(7);
    AddNodes(page, nullptr, nodes, rng);
}

// A page, its builder and a run of typing in the middle node.
struct Preview {
    PageDocument document;
    Settings settings;
    PreviewBuilder builder{document, settings};
    Node* typedInto = nullptr;
    SjisString typing;

    explicit Preview(int nodes)
    {
        Fill(document.page(), nodes);
        typedInto = document.page().NodeAt(nodes / 2);
        typing = typedInto->record().Body;
        builder.SetLiveBody([this] { return std::optional<PageRecovery::LiveBody>({typedInto, typing, 0, 0}); });
    }
};

double Ms(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

void BM_CopyOnGuiThread(benchmark::State& state)
{
    Preview preview(int(state.range(0)));
    double maxMs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        benchmark::DoNotOptimize(preview.builder.Snapshot());
        maxMs = std::max(maxMs, Ms(clock));
    }
    state.counters["max_ms"] = maxMs;
}

void BM_GenerateAndConvert(benchmark::State& state)
{
    Preview preview(int(state.range(0)));
    const PreviewSource source = preview.builder.Snapshot();
    std::size_t size = 0;
    for (auto _ : state)
        size = std::size_t(MakePreviewPage(source).bytes.size());
    state.counters["bytes"] = double(size);
}

// A keystroke, then BuildNow as the debounce timer calls it, then the wait
// for `ready`. A 1 ms timer ticks meanwhile: the widest gap between ticks
// is the longest the GUI thread could not answer.
void BM_KeystrokeToReady(benchmark::State& state)
{
    Preview preview(int(state.range(0)));
    double maxStallMs = 0;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        maxStallMs = std::max(maxStallMs, Ms(sinceTick));
        sinceTick.start();
    });
    for (auto _ : state) {
        preview.typing += 'x';
        QEventLoop loop;
        const auto connection = QObject::connect(&preview.builder, &PreviewBuilder::ready, &loop, &QEventLoop::quit);
        clock.start();
        preview.builder.BuildNow();
        maxStallMs = std::max(maxStallMs, Ms(clock));
        sinceTick.start();
        ticker.start();
        loop.exec();
        ticker.stop();
        QObject::disconnect(connection);
    }
    state.counters["gui_stall_max_ms"] = maxStallMs;
}

} // namespace

BENCHMARK(BM_CopyOnGuiThread)->Arg(1000)->Arg(PageNodes)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_GenerateAndConvert)->Arg(1000)->Arg(PageNodes)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_KeystrokeToReady)->Arg(1000)->Arg(PageNodes)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
