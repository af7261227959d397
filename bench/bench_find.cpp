// Find and replace on the 100,000-node page, with a word in every tenth
// body (10,000 bodies): finding every match, with the options that take
// the bytes' road and those that decode every text; replacing all 10,000
// through the document as one step, and undoing that step.
#include "BenchPages.h"
#include "document/TextCodec.h"
#include "page/PageDocument.h"
#include "page/PageSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int WordEvery = 10;

// The page with " needle ガイド" in every tenth body.
void FillFindPage(Page& page)
{
    FillPage(page);
    const SjisString word = " needle " + TextCodec::Sjis("ガイド");
    const std::vector<Node*> nodes = page.NodesInDocumentOrder();
    for (std::size_t i = 0; i < nodes.size(); i += WordEvery)
        nodes[i]->record().Body += word;
}

struct Variant {
    const char* label;
    const char* pattern; // UTF-8
    SearchOptions options;
};

const Variant Variants[] = {
    {"ascii word, any case (bytes)", "needle", {}},
    {"ascii word, case (bytes)", "needle", {.caseSensitive = true}},
    {"japanese word, case (bytes)", "ガイド", {.caseSensitive = true}},
    {"ascii word, folding (decoded)", "needle", {.foldJapanese = true}},
    {"japanese word, folding (decoded)", "がいど", {.foldJapanese = true}},
    {"ascii word, whole word (decoded)", "needle", {.wholeWord = true}},
    {"regular expression (decoded)", "need\\w+", {.regularExpression = true}},
};

void ReportMaximum(benchmark::State& state, double maxMs)
{
    state.counters["max_ms"] = maxMs;
}

// state.range(0): the variant.
void BM_FindAll(benchmark::State& state)
{
    static Page page; // made once for all variants
    if (page.NodeCount() == 0)
        FillFindPage(page);
    const Variant& variant = Variants[state.range(0)];
    double maxMs = 0;
    std::size_t found = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        const PageSearch search(QString::fromUtf8(variant.pattern), variant.options);
        found = search.FindAll(page).matches.size();
        maxMs = std::max(maxMs, double(clock.nsecsElapsed()) / 1e6);
    }
    ReportMaximum(state, maxMs);
    state.counters["matches"] = double(found);
    state.SetLabel(variant.label);
}

// state.range(0): the variant; state.range(1): 0 times the replace, 1 its undo.
void BM_ReplaceAllAndUndo(benchmark::State& state)
{
    PageDocument document;
    FillFindPage(document.page());
    const Variant& variant = Variants[state.range(0)];
    const bool timeUndo = state.range(1) == 1;
    double maxMs = 0;
    int replaced = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        if (timeUndo)
            state.PauseTiming();
        clock.start();
        const PageSearch search(QString::fromUtf8(variant.pattern), variant.options);
        const PageSearch::Replaced all = search.ReplaceAll(document.page(), QStringLiteral("pin"));
        document.ReplaceTexts(all.changes);
        replaced = all.count;
        if (!timeUndo)
            maxMs = std::max(maxMs, double(clock.nsecsElapsed()) / 1e6);
        if (timeUndo)
            state.ResumeTiming();
        else
            state.PauseTiming();
        clock.start();
        document.Undo();
        if (timeUndo)
            maxMs = std::max(maxMs, double(clock.nsecsElapsed()) / 1e6);
        else
            state.ResumeTiming();
    }
    ReportMaximum(state, maxMs);
    state.counters["replaced"] = replaced;
    state.SetLabel(std::string(variant.label) + (timeUndo ? ", undo" : ", replace"));
}

} // namespace

BENCHMARK(BM_FindAll)->DenseRange(0, int(std::size(Variants)) - 1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ReplaceAllAndUndo)
    ->ArgsProduct({{0, 3}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
