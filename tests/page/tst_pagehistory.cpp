// The page's history as a whole: seeded random edits of random pages, then
// everything undone and redone, must give back the page byte for byte.
#include "document/PageFile.h"
#include "page/NodeClipboard.h"
#include "page/PageDocument.h"
#include "page/PageTexts.h"

#include <QBuffer>
#include <QTest>

#include <random>

namespace {

using Rng = std::mt19937;

int Below(Rng& rng, int n)
{
    return std::uniform_int_distribution<int>(0, n - 1)(rng);
}

bool OneIn(Rng& rng, int n)
{
    return Below(rng, n) == 0;
}

// Bytes a page file can hold (all but NUL and 0xFF), weighted towards what
// is not valid Shift_JIS: lone lead bytes, 0x80, 0xA0, 0xFD, 0xFE, and now
// and then a lead byte at the very end.
SjisString RandomText(Rng& rng, int maxPieces)
{
    static const char* const pieces[] = {"a",    "<p>",  "\r\n", " ",    "\t",   "\x82\xa0", "\x88\x9f",
                                         "\x81", "\x9f", "\xe0", "\xfc", "\x80", "\xa0",     "\xfd", "\xfe"};
    SjisString text;
    for (int n = Below(rng, maxPieces + 1); n > 0; --n)
        text += OneIn(rng, 4) ? SjisString(1, char(1 + Below(rng, 0xFE))) : pieces[Below(rng, int(std::size(pieces)))];
    if (OneIn(rng, 4))
        text += char(0x81 + Below(rng, 0x1F));
    return text;
}

// What typing, a paste or a cut leaves: a run replaced somewhere in the
// body; now and then the body unchanged, or a new one.
SjisString Edited(Rng& rng, SjisString body)
{
    switch (Below(rng, 6)) {
    case 0: return body;
    case 1: return RandomText(rng, 12);
    default: {
        const auto at = std::size_t(Below(rng, int(body.size()) + 1));
        body.replace(at, std::size_t(Below(rng, 4)), RandomText(rng, 3));
        return body;
    }
    }
}

// Changes each property with a chance of one in `oneIn`.
void Scramble(Rng& rng, PageProperties& p, int oneIn)
{
    for (SjisString* text : {&p.Title, &p.FileName, &p.DatabasePath, &p.Category, &p.CategoryUrl, &p.Doctype,
                             &p.StyleSheetFileName, &p.JavaScriptFileName, &p.FtpSettingName, &p.RemoteFolder,
                             &p.UserHeader})
        if (OneIn(rng, oneIn))
            *text = RandomText(rng, 6);
    for (bool* flag : {&p.Upload, &p.EnableStyleSheet, &p.EnableJavaScript})
        if (OneIn(rng, oneIn))
            *flag = !*flag;
    if (OneIn(rng, oneIn))
        p.CharacterSet = Charset(Below(rng, 3));
}

// Any node of the page, or none.
Node* RandomNode(Rng& rng, const Page& page)
{
    return page.NodeAt(Below(rng, page.NodeCount() + 1));
}

void FillRandomPage(Rng& rng, Page& page)
{
    Scramble(rng, page.properties(), 1);
    for (int n = Below(rng, 14); n > 0; --n) {
        Node* node = page.AddChildNode(OneIn(rng, 3) ? nullptr : RandomNode(rng, page));
        page.RenameNode(node, RandomText(rng, 4));
        node->record() = {RandomText(rng, 10), OneIn(rng, 2), OneIn(rng, 2), OneIn(rng, 2), Below(rng, 50),
                          Below(rng, 5)};
    }
}

// What undoing must give back: the page file and the one property it does
// not hold.
QByteArray Snapshot(const Page& page)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WritePageFileToDevice(page, buffer);
    return buffer.data() + '\xff' + QByteArray::fromStdString(page.DatabasePath);
}

// MarkSaved comes last: only some sequences save in the middle.
enum class Op {
    AddSibling, AddChild, Delete, Rename, Move, SetFlags, SetBody, Properties, Paste, ReplaceTexts, Undo, Redo, MarkSaved
};
const char* const OpNames[] = {"AddSibling", "AddChild", "Delete", "Rename",       "Move", "SetFlags",
                               "SetBody",    "PropertiesEdited", "Paste", "ReplaceTexts", "Undo", "Redo",
                               "MarkSaved"};

struct Outcome {
    bool mustNotStep = false; // a refused move, a call that only moves the caret
    const char* error = nullptr;
};

Outcome MoveRandom(Rng& rng, PageDocument& doc, Node* node)
{
    // A quarter of the moves aim into the node's own subtree.
    Node* target = RandomNode(rng, doc.page());
    if (node && OneIn(rng, 4)) {
        const std::vector<Node*> own = doc.page().NodesInDocumentOrder();
        do
            target = own[std::size_t(Below(rng, int(own.size())))];
        while (!target->isInSubtreeOf(node));
    }
    doc.Move(node, target, Placement(Below(rng, 3)));
    return {node && target && target->isInSubtreeOf(node)};
}

// A copy of any node's subtree put in after another node or as its last
// child: a paste, or a duplicate when the two are the same.
Outcome PasteRandom(Rng& rng, PageDocument& doc, Node* target)
{
    const Node* source = OneIn(rng, 3) ? target : RandomNode(rng, doc.page());
    if (!source)
        return {};
    std::vector<std::unique_ptr<Node>> nodes;
    nodes.push_back(NodeClipboard::CopyOfSubtree(*source));
    doc.Insert(std::move(nodes), NodeClipboard::PastePlace(doc.page(), target, OneIn(rng, 2)));
    return {};
}

// Names, bodies and the user header changed at once, as replace-all does.
Outcome ReplaceTextsRandom(Rng& rng, PageDocument& doc)
{
    std::vector<PageTextChange> changes;
    const int count = 1 + Below(rng, 3);
    for (int i = 0; i < count; ++i) {
        Node* node = RandomNode(rng, doc.page());
        const PageTextField field = !node ? PageTextField::UserHeader : PageTextField(Below(rng, 2));
        const PageTextPlace place{field == PageTextField::UserHeader ? nullptr : node, field};
        if (std::any_of(changes.begin(), changes.end(), [&](const PageTextChange& c) { return c.place == place; }))
            continue;
        changes.push_back({place, field == PageTextField::Name ? RandomText(rng, 4) : Edited(rng, TextAt(doc.page(), place))});
    }
    doc.ReplaceTexts(changes);
    return {};
}

Outcome SetBodyRandom(Rng& rng, PageDocument& doc, Node* node)
{
    if (!node)
        return {};
    const TRecord& record = node->record();
    const SjisString body = Edited(rng, record.Body);
    const int start = Below(rng, int(body.size()) + 2);
    const int length = Below(rng, 4);
    if (body != record.Body) {
        doc.SetBody(node, body, start, length);
        return {};
    }
    const TRecord old = record;
    doc.SetBody(node, body, start, length);
    if (record.SelStart != start || record.SelLength != length)
        return {true, "the caret did not move"};
    // Back where it was, so that undoing can be checked byte for byte.
    doc.SetBody(node, body, old.SelStart, old.SelLength);
    return {true};
}

Outcome Apply(Rng& rng, PageDocument& doc, Op op)
{
    Page& page = doc.page();
    Node* node = RandomNode(rng, page);
    switch (op) {
    case Op::AddSibling: doc.AddSibling(node); break;
    case Op::AddChild: doc.AddChild(node); break;
    case Op::Delete: doc.Delete(node); break;
    case Op::Rename: doc.Rename(node, RandomText(rng, 4)); break;
    case Op::Move: return MoveRandom(rng, doc, node);
    case Op::SetFlags: doc.SetFlags(node, OneIn(rng, 2), OneIn(rng, 2), OneIn(rng, 2)); break;
    case Op::SetBody: return SetBodyRandom(rng, doc, node);
    case Op::Properties: {
        const PageProperties before = page.properties();
        Scramble(rng, page.properties(), 3);
        doc.PropertiesEdited(before);
        break;
    }
    case Op::Paste: return PasteRandom(rng, doc, node);
    case Op::ReplaceTexts: return ReplaceTextsRandom(rng, doc);
    case Op::Undo: doc.Undo(); break;
    case Op::Redo: doc.Redo(); break;
    case Op::MarkSaved: doc.MarkSaved(); break;
    }
    return {};
}

// Runs one seeded sequence on a saved random page, then undoes and redoes
// all of it. Returns what went wrong, naming the seed and the operation.
QString RunSequence(quint32 seed, int maxLength)
{
    Rng rng(seed);
    PageDocument doc;
    FillRandomPage(rng, doc.page());
    doc.StartOver();
    const QByteArray start = Snapshot(doc.page());
    QByteArray now = start;
    QByteArray saved = start;
    QByteArray top = start; // the page with every step made: what redoing all gives
    bool made = false;
    const bool savesOnTheWay = OneIn(rng, 4);
    // The modified mark may say "modified" of a page that came back to the
    // saved bytes by other steps, never "unmodified" of one that did not.
    auto misleads = [&doc, &saved](const QByteArray& page) { return !doc.IsModified() && page != saved; };
    const int length = 1 + Below(rng, maxLength);
    auto fail = [seed](int index, const char* op, const char* what) {
        return QStringLiteral("seed %1, operation %2 (%3): %4").arg(seed).arg(index).arg(op, what);
    };
    for (int i = 0; i < length; ++i) {
        // Redo is favoured while there is something to redo.
        const auto op = doc.CanRedo() && OneIn(rng, 3)
                            ? Op::Redo
                            : Op(Below(rng, int(savesOnTheWay ? Op::MarkSaved : Op::Redo) + 1));
        const std::size_t size = doc.history().Size();
        const bool couldRedo = doc.CanRedo();
        const Outcome outcome = Apply(rng, doc, op);
        const QByteArray after = Snapshot(doc.page());
        // Short of undo and redo, only a new step changes the history.
        const bool pushed = doc.history().Size() != size || doc.CanRedo() != couldRedo;
        const char* name = OpNames[int(op)];
        if (outcome.error)
            return fail(i, name, outcome.error);
        if (op != Op::Undo && op != Op::Redo) {
            if (outcome.mustNotStep && (pushed || after != now))
                return fail(i, name, "changed the page or made a step");
            if (after != now && !pushed)
                return fail(i, name, "a change that is no step");
            if (pushed && !doc.IsModified())
                return fail(i, name, "a step left the page unmodified");
        }
        if (op == Op::MarkSaved)
            saved = after;
        if (misleads(after))
            return fail(i, name, "unmodified, yet the page differs from the one saved");
        if (!doc.CanRedo()) {
            if (op == Op::Redo && after != top)
                return fail(i, name, "redone to the end, the page differs from the one edited");
            top = after;
        }
        made = made || pushed;
        now = after;
    }

    const std::size_t steps = doc.history().Size();
    for (std::size_t k = 0; k < steps && doc.CanUndo(); ++k)
        doc.Undo();
    if (Snapshot(doc.page()) != start)
        return fail(length, "undo all", "the page differs from the one at the start");
    if ((doc.IsModified() && !savesOnTheWay) || doc.CanUndo() || doc.CanRedo() != made)
        return fail(length, "undo all", "modified, or undo and redo, wrong at the start");
    if (misleads(start))
        return fail(length, "undo all", "unmodified, yet the page differs from the one saved");
    for (std::size_t k = 0; k < steps && doc.CanRedo(); ++k)
        doc.Redo();
    if (Snapshot(doc.page()) != top)
        return fail(length, "redo all", "the page differs from the one edited");
    if ((doc.IsModified() != made && !savesOnTheWay) || doc.CanRedo() || doc.CanUndo() != made)
        return fail(length, "redo all", "modified, or undo and redo, wrong at the end");
    if (misleads(top))
        return fail(length, "redo all", "unmodified, yet the page differs from the one saved");
    return {};
}

constexpr int MaxSteps = int(PageHistory::MaxSteps);
constexpr qsizetype MaxBytes = qsizetype(PageHistory::MaxBytes);

} // namespace

class TestPageHistory : public QObject {
    Q_OBJECT
private slots:
    void randomEditsUndoneGiveBackTheSavedPage();
    void boundedHistoryKeepsTheNewestSteps_data();
    void boundedHistoryKeepsTheNewestSteps();
};

void TestPageHistory::randomEditsUndoneGiveBackTheSavedPage()
{
    // TAV_HISTORY_SEED=n replays the one sequence a failure names.
    const auto only = quint32(qEnvironmentVariableIntValue("TAV_HISTORY_SEED"));
    const quint32 first = only ? only : 1;
    const quint32 last = only ? only : 2000;
    for (quint32 seed = first; seed <= last; ++seed) {
        const QString failure = RunSequence(seed, 40);
        if (!failure.isEmpty())
            QFAIL(qPrintable(failure));
    }
}

void TestPageHistory::boundedHistoryKeepsTheNewestSteps_data()
{
    QTest::addColumn<int>("renames");
    QTest::addColumn<int>("savedAfter");   // renames made when the page was saved
    QTest::addColumn<qsizetype>("body");   // bytes typed into the node at the end; 0: none
    QTest::addColumn<int>("kept");
    QTest::addColumn<bool>("savedInReach"); // undoing all that is left reaches the saved page
    QTest::newRow("as many steps as kept") << MaxSteps << 0 << qsizetype(0) << MaxSteps << true;
    QTest::newRow("one more drops the saved state") << MaxSteps + 1 << 0 << qsizetype(0) << MaxSteps << false;
    QTest::newRow("saved after the dropped step") << MaxSteps + 1 << 1 << qsizetype(0) << MaxSteps << true;
    QTest::newRow("body within the budget") << 1 << 0 << MaxBytes / 2 << 2 << true;
    QTest::newRow("body beyond the budget") << 1 << 0 << MaxBytes + 1 << 1 << false;
    QTest::newRow("body beyond, saved after") << 1 << 1 << MaxBytes + 1 << 1 << true;
}

void TestPageHistory::boundedHistoryKeepsTheNewestSteps()
{
    QFETCH(int, renames);
    QFETCH(int, savedAfter);
    QFETCH(qsizetype, body);
    QFETCH(int, kept);
    QFETCH(bool, savedInReach);

    PageDocument doc;
    Node* node = doc.page().AddChildNode(nullptr);
    doc.StartOver();
    QByteArray saved = Snapshot(doc.page());
    for (int i = 1; i <= renames; ++i) {
        doc.Rename(node, "n" + std::to_string(i));
        if (i == savedAfter) {
            doc.MarkSaved();
            saved = Snapshot(doc.page());
        }
    }
    if (body > 0)
        doc.SetBody(node, SjisString(std::size_t(body), 'x'), 0, 0);

    QCOMPARE(doc.history().Size(), std::size_t(kept));
    QVERIFY(kept == 1 || doc.history().Bytes() <= PageHistory::MaxBytes);
    while (doc.CanUndo())
        doc.Undo();
    QCOMPARE(doc.IsModified(), !savedInReach);
    if (savedInReach)
        QCOMPARE(Snapshot(doc.page()), saved);
}

QTEST_GUILESS_MAIN(TestPageHistory)
#include "tst_pagehistory.moc"
