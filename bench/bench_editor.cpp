// Loading a large node body into the editor: the coloured load against a
// plain setPlainText of the same text, and the cost of one keystroke's
// format decision at the end of that text.
#include "editor/ColourEditor.h"
#include "editor/EditorText.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

namespace {

// 1,000,000 bytes of Shift_JIS with 50,000 tags: 25,000 lines of 40 bytes,
// two tags and six double-byte characters each.
SjisString LargeBody()
{
    // <a href="page01.html">, then six double-byte characters, </a>, CR LF
    const SjisString line = "<a href=\"page01.html\">\x83\x8a\x83\x93\x83\x4e\x95\xb6\x8e\x9a\x97\xf1</a>\r\n";
    SjisString body;
    body.reserve(line.size() * 25000);
    for (int i = 0; i < 25000; ++i)
        body += line;
    return body;
}

const QString& LargeText()
{
    static const QString text = EditorText::FromBody(LargeBody());
    return text;
}

ColourEditor& Editor()
{
    static ColourEditor* editor = [] {
        auto* e = new ColourEditor;
        e->resize(640, 400);
        e->show();
        return e;
    }();
    return *editor;
}

// state.range(0): 1 to also lay the whole document out, as scrolling to its end would.
void FinishLoad(benchmark::State& state, ColourEditor& editor)
{
    if (state.range(0))
        benchmark::DoNotOptimize(editor.document()->documentLayout()->documentSize());
}

void BM_PlainSetPlainText(benchmark::State& state)
{
    ColourEditor& editor = Editor();
    for (auto _ : state) {
        editor.setPlainText(LargeText());
        FinishLoad(state, editor);
    }
    state.SetBytesProcessed(state.iterations() * 1000000);
}

void BM_SetColouredText(benchmark::State& state)
{
    ColourEditor& editor = Editor();
    for (auto _ : state) {
        editor.SetColouredText(LargeText());
        FinishLoad(state, editor);
    }
    state.SetBytesProcessed(state.iterations() * 1000000);
}

void BM_ComputeColourRunsOnly(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeColourRuns(LargeText()));
}

void BM_TypingFormatAtEnd(benchmark::State& state)
{
    ColourEditor& editor = Editor();
    editor.SetColouredText(LargeText());
    editor.setSelection(int(LargeText().size()), 0);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    for (auto _ : state)
        benchmark::DoNotOptimize(editor.TypingFormat(&key));
}

// A whole keystroke as the user makes it (format decision, insertion,
// layout of the line), and its Backspace, so the text stays the same.
void BM_KeystrokeAndBackspaceAtEnd(benchmark::State& state)
{
    ColourEditor& editor = Editor();
    editor.SetColouredText(LargeText());
    editor.setSelection(int(LargeText().size()), 0);
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&editor, &key);
        QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(&editor, &back);
    }
}

} // namespace

BENCHMARK(BM_PlainSetPlainText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetColouredText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComputeColourRunsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypingFormatAtEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeystrokeAndBackspaceAtEnd)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
