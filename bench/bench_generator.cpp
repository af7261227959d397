// Generating and writing the HTML of a 10,000-node page, next to writing the
// same page's page file (the other half of File > Save).
#include "document/Page.h"
#include "document/PageFile.h"
#include "document/TextCodec.h"
#include "publish/HtmlGenerator.h"
#include "publish/HtmlWriter.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int NodeCount = 10000;

// 1,000 top-level nodes with 9 children each; every fifth node hidden,
// every seventh unpublished, bodies of a few hundred bytes of Japanese HTML.
void BuildPage(Page& page, Charset charset)
{
    page.Title = TextCodec::Sjis("一万ノードのページ");
    page.CharacterSet = charset;
    page.EnableStyleSheet = true;
    page.StyleSheetFileName = "s.css";
    const SjisString body = TextCodec::Sjis("<p>日本語の本文です。アウトラインの各ノードには、このような段落が入ります。\r\n"
                                            "<b>強調</b>や<a href=\"x.html\">リンク</a>も含みます。</p>\r\n");
    int index = 0;
    auto fill = [&](Node* node) {
        page.RenameNode(node, TextCodec::Sjis("見出し ") + std::to_string(index));
        node->record().Body = index % 11 == 0 ? SjisString() : body;
        node->record().Hide = index % 5 == 0;
        node->record().Publish = index % 7 != 0;
        ++index;
    };
    while (index < NodeCount) {
        Node* top = page.AddChildNode(nullptr);
        fill(top);
        for (int i = 0; i < 9 && index < NodeCount; ++i)
            fill(page.AddChildNode(top));
    }
}

const QDateTime Now(QDate(2001, 3, 7), QTime(14, 5, 9));

void BM_GeneratePageHtml(benchmark::State& state)
{
    Page page;
    BuildPage(page, Charset::ShiftJis);
    size_t bytes = 0;
    for (auto _ : state) {
        SjisString html = GeneratePageHtml(page, GeneratorOptions{}, Now);
        bytes = html.size();
        benchmark::DoNotOptimize(html);
    }
    state.counters["html_bytes"] = double(bytes);
}
BENCHMARK(BM_GeneratePageHtml)->Unit(benchmark::kMillisecond);

void WriteHtml(benchmark::State& state, Charset charset)
{
    QTemporaryDir dir;
    Page page;
    BuildPage(page, charset);
    const SjisString html = GeneratePageHtml(page, GeneratorOptions{}, Now);
    page.FileName = dir.filePath(QStringLiteral("page.html")).toStdString();
    for (auto _ : state) {
        if (!WritePageHtml(page, html, "").ok())
            state.SkipWithError("write failed");
    }
}

void BM_WritePageHtml_ShiftJis(benchmark::State& state) { WriteHtml(state, Charset::ShiftJis); }
void BM_WritePageHtml_Iso2022Jp(benchmark::State& state) { WriteHtml(state, Charset::Iso2022Jp); }
void BM_WritePageHtml_EucJp(benchmark::State& state) { WriteHtml(state, Charset::EucJp); }
BENCHMARK(BM_WritePageHtml_ShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePageHtml_Iso2022Jp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePageHtml_EucJp)->Unit(benchmark::kMillisecond);

// What Save source only costs: generate, convert, write.
void BM_GenerateAndWrite_Iso2022Jp(benchmark::State& state)
{
    QTemporaryDir dir;
    Page page;
    BuildPage(page, Charset::Iso2022Jp);
    page.FileName = dir.filePath(QStringLiteral("page.html")).toStdString();
    for (auto _ : state) {
        const SjisString html = GeneratePageHtml(page, GeneratorOptions{}, Now);
        if (!WritePageHtml(page, html, "").ok())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_GenerateAndWrite_Iso2022Jp)->Unit(benchmark::kMillisecond);

void BM_WritePageFile(benchmark::State& state)
{
    QTemporaryDir dir;
    Page page;
    BuildPage(page, Charset::Iso2022Jp);
    const SjisString path = dir.filePath(QStringLiteral("page.data")).toStdString();
    for (auto _ : state) {
        if (!WritePageFileTo(page, path).ok())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WritePageFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
