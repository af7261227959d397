// The page's history on a page of 100,000 nodes: deleting a subtree of
// 10,000 nodes and undoing it, beside the same delete without a history;
// moving a node by the outline's keys;
// a keystroke into a 1 MB body in the real window, and the end of its run
// of typing; and what the GUI thread spends on a recovery copy, beside a
// save of the page file, which is what it spent before.
#include "BenchPages.h"
#include "app/TformMain.h"
#include "document/Page.h"
#include "document/PageFile.h"
#include "editor/ColourEditor.h"
#include "page/PageDocument.h"
#include "page/PageRecovery.h"
#include "page/RecoveryStore.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

namespace {

void ReportMaximum(benchmark::State& state, double maxMs)
{
    state.counters["max_ms"] = maxMs;
}

// --- deleting a subtree and undoing it --------------------------------------

// Without a history: the page deletes the nodes, as the window did before.
void BM_DeleteSubtreeWithoutHistory(benchmark::State& state)
{
    Page page;
    FillPage(page);
    std::mt19937 rng(11);
    for (auto _ : state) {
        state.PauseTiming();
        Node* subtree = page.AddSiblingNode(nullptr);
        AddNodes(page, subtree, SubtreeNodes - 1, rng);
        state.ResumeTiming();
        page.DeleteNode(subtree);
    }
}

// Makes `prepare`, `act` and `undo` in turn, each iteration; times `act`
// when state.range(0) is 0 and `undo` when it is 1, the rest untimed.
void TimeActOrUndo(benchmark::State& state, const std::function<void()>& prepare, const std::function<void()>& act,
                   const std::function<void()>& undo)
{
    const bool timeUndo = state.range(0) == 1;
    double maxMs = 0;
    QElapsedTimer clock;
    const auto run = [&](const std::function<void()>& part, bool timed) {
        if (!timed)
            state.PauseTiming();
        clock.start();
        part();
        if (timed)
            maxMs = std::max(maxMs, double(clock.nsecsElapsed()) / 1e6);
        else
            state.ResumeTiming();
    };
    for (auto _ : state) {
        run(prepare, false);
        run(act, !timeUndo);
        run(undo, timeUndo);
    }
    ReportMaximum(state, maxMs);
    state.SetLabel(timeUndo ? "undo" : "delete");
}

// state.range(0): 0 times the delete, 1 times its undo.
void BM_DeleteSubtreeAndUndo(benchmark::State& state)
{
    PageDocument document;
    Node* subtree = FillPage(document.page());
    TimeActOrUndo(
        state, [] {}, [&] { document.Delete(subtree); }, [&] { document.Undo(); });
}

// The real window on the 100,000-node page, shown; `subtree` is the node
// that holds 10,000.
struct PageWindow {
    PageDocument document;
    Node* subtree = FillPage(document.page());
    Settings settings;
    TformMain window{document, settings};

    PageWindow()
    {
        window.resize(800, 600);
        window.show();
        QApplication::processEvents();
    }
    QAction* command(const char* name) { return window.findChild<QAction*>(QString::fromLatin1(name)); }
};

// The same in the real window: the tree follows the page.
void BM_WindowDeleteSubtreeAndUndo(benchmark::State& state)
{
    PageWindow shown;
    TformMain& window = shown.window;
    Node* subtree = shown.subtree;
    QAction* deleteNode = shown.command("pmnuTreeView_D");
    TimeActOrUndo(
        state,
        [&] {
            window.selectNode(subtree);
            QApplication::processEvents();
        },
        [&] {
            deleteNode->trigger();
            QApplication::processEvents();
        },
        [&] {
            window.UndoPage();
            QApplication::processEvents();
        });
}

// --- moving by the outline's keys ---------------------------------------------

// A move down and back up in the real window, of a top-level node among
// 45,000 siblings with its subtree, as Alt+Shift+Down and Alt+Shift+Up.
void BM_WindowMoveByKey(benchmark::State& state)
{
    PageWindow shown;
    shown.window.selectNode(shown.subtree);
    QApplication::processEvents();
    QAction* down = shown.command("MainMenu_EMD");
    QAction* up = shown.command("MainMenu_EMU");
    double maxMs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        for (QAction* move : {down, up}) {
            clock.start();
            move->trigger();
            QApplication::processEvents();
            maxMs = std::max(maxMs, double(clock.nsecsElapsed()) / 1e6);
        }
    }
    ReportMaximum(state, maxMs);
    state.SetLabel("two moves");
}

// --- typing into a 1 MB body ---------------------------------------------------

// 1,000,000 bytes of Shift_JIS with 50,000 tags, as the editor benchmark has.
SjisString LargeBody()
{
    const SjisString line = "<a href=\"page01.html\">\x83\x8a\x83\x93\x83\x4e\x95\xb6\x8e\x9a\x97\xf1</a>\r\n";
    SjisString body;
    for (int i = 0; i < 25000; ++i)
        body += line;
    return body;
}

struct TypingWindow {
    PageDocument document;
    Settings settings;
    std::unique_ptr<TformMain> window;
    Node* node = nullptr;
    ColourEditor* editor = nullptr;

    TypingWindow()
    {
        FillPage(document.page());
        node = document.page().AddSiblingNode(nullptr);
        node->record().Body = LargeBody();
        window = std::make_unique<TformMain>(document, settings);
        window->resize(800, 600);
        window->show();
        window->selectNode(node);
        QApplication::processEvents();
        editor = window->findChild<ColourEditor*>();
        editor->setFocus();
        editor->setSelection(int(editor->text().size()), 0);
    }
    void Key(int key, const QString& text = QString())
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(editor, &press);
    }
};

// A keystroke and its Backspace, each as the window takes it: the editor,
// the typing run, the caption and the recovery timer.
void BM_WindowKeystrokeInto1MB(benchmark::State& state)
{
    TypingWindow typing;
    for (auto _ : state) {
        typing.Key(Qt::Key_X, QStringLiteral("x"));
        typing.Key(Qt::Key_Backspace);
    }
    state.SetLabel("two keystrokes");
}

// A run of typing ends (a pause, another node): the 1 MB body becomes a
// step of the history, a few bytes of it kept.
void BM_WindowTypingRunEndsIn1MB(benchmark::State& state)
{
    TypingWindow typing;
    double maxMs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        state.PauseTiming();
        typing.Key(Qt::Key_X, QStringLiteral("x"));
        state.ResumeTiming();
        clock.start();
        typing.window->StoreBoundNode();
        maxMs = std::max(maxMs, double(clock.nsecsElapsed()) / 1e6);
    }
    ReportMaximum(state, maxMs);
    state.counters["history_steps"] = double(typing.document.history().Size());
}

// --- the recovery copy ----------------------------------------------------------

// What the GUI thread spends on one copy of the 100,000-node page: its bytes
// are made there, the file is written by the store's own thread.
void BM_RecoveryCopyOnGuiThread(benchmark::State& state)
{
    QTemporaryDir folder;
    RecoveryStore store(folder.path());
    PageDocument document;
    FillPage(document.page());
    document.page().FileName = "bench.html";
    document.page().DatabasePath = (folder.path() + "/").toStdString();
    document.MarkUnsaved();
    PageRecovery recovery(document, store);
    double maxMs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        recovery.WriteNow();
        maxMs = std::max(maxMs, double(clock.nsecsElapsed()) / 1e6);
        state.PauseTiming();
        store.WaitUntilDone(60000);
        state.ResumeTiming();
    }
    ReportMaximum(state, maxMs);
}

// Before the copies, the GUI thread wrote the page only when saved: the
// whole page file, written and synced where it is.
void BM_SavePageFileOnGuiThread(benchmark::State& state)
{
    QTemporaryDir folder;
    Page page;
    FillPage(page);
    const SjisString path = (folder.path() + "/bench.data").toStdString();
    for (auto _ : state) {
        if (!WritePageFileTo(page, path).ok())
            state.SkipWithError("write failed");
    }
}

} // namespace

BENCHMARK(BM_DeleteSubtreeWithoutHistory)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_DeleteSubtreeAndUndo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WindowDeleteSubtreeAndUndo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WindowMoveByKey)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_WindowKeystrokeInto1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowTypingRunEndsIn1MB)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_RecoveryCopyOnGuiThread)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SavePageFileOnGuiThread)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
