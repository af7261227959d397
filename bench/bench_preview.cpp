// The live preview on a 1,000-node page and on the 100,000-node page, in the
// new page's character set (iso-2022-jp, the dearest conversion): the copy
// taken on the GUI thread, the generation and conversion on the worker, and
// a whole refresh from a keystroke to the bytes' arrival, and (in a build
// with the pane) to the page shown in the pane, each after the debounce and
// with the longest stall of the GUI thread meanwhile. The pane needs a
// display: run under xvfb-run, with QTWEBENGINE_DISABLE_SANDBOX=1 as root.
#include "BenchPages.h"
#include "page/PageDocument.h"
#include "page/PreviewBuilder.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#ifdef TAV_HAVE_PREVIEW
#include "preview/PreviewPane.h"

#include <QApplication>
#include <QTemporaryDir>
#endif
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

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

// The GUI thread's own processor time, which a loaded machine does not
// inflate the way it inflates wall-clock gaps.
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// A keystroke, then BuildNow as the debounce timer calls it, then the wait
// for the signal that `quitOnDone` connects to the loop. A 1 ms timer ticks
// meanwhile: the widest gap between ticks is the longest the GUI thread
// could not answer (gui_stall_max_ms, wall clock), and the most processor
// time it spent within one gap is how much of that was its own work
// (gui_busy_max_ms) rather than waiting for a core.
using QuitOnDone = std::function<QMetaObject::Connection(QEventLoop&)>;
void KeystrokeTo(benchmark::State& state, Preview& preview, const QuitOnDone& quitOnDone)
{
    double maxStallMs = 0;
    double maxBusyMs = 0;
    QElapsedTimer sinceTick;
    double cpuAtTick = 0;
    const auto tick = [&] {
        maxStallMs = std::max(maxStallMs, Ms(sinceTick));
        const double cpu = ThreadCpuMs();
        maxBusyMs = std::max(maxBusyMs, cpu - cpuAtTick);
        sinceTick.start();
        cpuAtTick = cpu;
    };
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, tick);
    for (auto _ : state) {
        preview.typing += 'x';
        QEventLoop loop;
        const QMetaObject::Connection connection = quitOnDone(loop);
        sinceTick.start();
        cpuAtTick = ThreadCpuMs();
        preview.builder.BuildNow();
        tick();
        ticker.start();
        loop.exec();
        ticker.stop();
        QObject::disconnect(connection);
    }
    state.counters["gui_stall_max_ms"] = maxStallMs;
    state.counters["gui_busy_max_ms"] = maxBusyMs;
}

void BM_KeystrokeToReady(benchmark::State& state)
{
    Preview preview(int(state.range(0)));
    KeystrokeTo(state, preview, [&](QEventLoop& loop) {
        return QObject::connect(&preview.builder, &PreviewBuilder::ready, &loop, &QEventLoop::quit);
    });
}

#ifdef TAV_HAVE_PREVIEW
// As the window does it: the bytes go to the pane, which loads them; the
// refresh is over when the page is shown and its scroll position restored.
void BM_KeystrokeToShownPage(benchmark::State& state)
{
    Preview preview(int(state.range(0)));
    QTemporaryDir folder;
    const QUrl file = QUrl::fromLocalFile(folder.filePath(QStringLiteral("out.html")));
    PreviewPane pane;
    pane.resize(800, 600);
    pane.show();
    QObject::connect(&preview.builder, &PreviewBuilder::ready, &pane,
                     [&](const QByteArray& bytes, const QString& charset, int) { pane.showPage(bytes, charset, file); });
    // The engine starts with the first page: that is not part of a refresh.
    {
        QEventLoop loop;
        QObject::connect(&pane, &PreviewPane::pageShown, &loop, &QEventLoop::quit);
        preview.builder.BuildNow();
        loop.exec();
    }
    KeystrokeTo(state, preview, [&](QEventLoop& loop) {
        return QObject::connect(&pane, &PreviewPane::pageShown, &loop, &QEventLoop::quit);
    });
    state.counters["bytes"] = double(MakePreviewPage(preview.builder.Snapshot()).bytes.size());
}
#endif

} // namespace

BENCHMARK(BM_CopyOnGuiThread)->Arg(1000)->Arg(PageNodes)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_GenerateAndConvert)->Arg(1000)->Arg(PageNodes)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_KeystrokeToReady)->Arg(1000)->Arg(PageNodes)->Unit(benchmark::kMillisecond)->Iterations(10);
#ifdef TAV_HAVE_PREVIEW
// A refresh of the 100,000-node page takes the engine tens of seconds.
BENCHMARK(BM_KeystrokeToShownPage)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_KeystrokeToShownPage)->Arg(PageNodes)->Unit(benchmark::kMillisecond)->Iterations(2);
#endif

int main(int argc, char** argv)
{
#ifdef TAV_HAVE_PREVIEW
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
