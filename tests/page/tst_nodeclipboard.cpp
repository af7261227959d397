// Cut, copy, paste and duplicate of whole subtrees as steps of the page's
// history, and the clipboard forms they go through. No widgets.
#include "common/OutlineShape.h"
#include "document/OutlineText.h"
#include "document/PageFile.h"
#include "page/NodeClipboard.h"
#include "page/PageDocument.h"
#include "publish/HtmlGenerator.h"

#include <QMimeData>
#include <QTest>

using namespace NodeClipboard;

namespace {



// A page of the outline text (TAB-indented names) whose records differ from
// node to node, with bodies full of bytes that are not valid Shift_JIS.
void Fill(Page& page, const char* outline)
{
    page.ReplaceOutline(ParseOutlineText(outline).topLevel);
    int i = 0;
    for (Node* n : page.NodesInDocumentOrder()) {
        const SjisString body = "<p>" + n->name() + "</p>\r\n\x81\x39\x80\xa0\xfd\xfe" + SjisString(1, '\0') + "\x82";
        n->record() = {body, i % 2 == 0, i % 3 == 0, i % 2 == 1, 7 * i, i};
        ++i;
    }
}

QByteArray Bytes(const Page& page)
{
    return PageFileBytes(ImageOfPage(page)).value();
}

// Depths, names and records of subtrees in document order, byte for byte.
QByteArray SubtreeBytes(const std::vector<const Node*>& nodes)
{
    QByteArray out;
    for (const Node* top : nodes)
        top->forEachInSubtree([&out, top](const Node* n) {
            const TRecord& r = n->record();
            out += QByteArray::number(n->level() - top->level()) + ' ' + QByteArray::fromStdString(n->name()) + '|'
                + QByteArray::fromStdString(r.Body) + '|' + QByteArray::number(r.Publish) + QByteArray::number(r.Hide)
                + QByteArray::number(r.EditSource) + ' ' + QByteArray::number(r.SelStart) + ' '
                + QByteArray::number(r.SelLength) + '\n';
        });
    return out;
}

enum class Op { PasteAfter, PasteAsChild, Duplicate, Cut };

} // namespace

class TestNodeClipboard : public QObject {
    Q_OBJECT
private slots:
    void commandIsOneStepThatUndoesByteForByte_data();
    void commandIsOneStepThatUndoesByteForByte();
    void indentedTextBecomesNodes_data();
    void indentedTextBecomesNodes();
    void copyOffersHtmlAndIndentedNames();
    void refusedDataPastesNothing_data();
    void refusedDataPastesNothing();
};

void TestNodeClipboard::commandIsOneStepThatUndoesByteForByte_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<QString>("selected"); // empty: nothing selected
    QTest::addColumn<QString>("copied");   // the nodes a paste takes from the clipboard
    QTest::addColumn<QString>("after");
    // Every row starts from a(b c(e)) d.
    QTest::newRow("paste-after-leaf") << Op::PasteAfter << "b" << "d" << "a(b d c(e)) d";
    QTest::newRow("paste-two-after-leaf") << Op::PasteAfter << "b" << "d c" << "a(b d c(e) c(e)) d";
    QTest::newRow("paste-subtree-after-last") << Op::PasteAfter << "d" << "a" << "a(b c(e)) d a(b c(e))";
    QTest::newRow("paste-into-own-subtree") << Op::PasteAfter << "e" << "a" << "a(b c(e a(b c(e)))) d";
    QTest::newRow("paste-nothing-selected") << Op::PasteAfter << "" << "c" << "a(b c(e)) d c(e)";
    QTest::newRow("paste-as-child-with-children") << Op::PasteAsChild << "a" << "d" << "a(b c(e) d) d";
    QTest::newRow("paste-as-child-of-leaf") << Op::PasteAsChild << "d" << "c" << "a(b c(e)) d(c(e))";
    QTest::newRow("paste-as-child-nothing-selected") << Op::PasteAsChild << "" << "b" << "a(b c(e)) d b";
    QTest::newRow("duplicate-subtree") << Op::Duplicate << "a" << "" << "a(b c(e)) a(b c(e)) d";
    QTest::newRow("duplicate-child") << Op::Duplicate << "e" << "" << "a(b c(e e)) d";
    QTest::newRow("cut-subtree") << Op::Cut << "c" << "" << "a(b) d";
    QTest::newRow("cut-top-level") << Op::Cut << "a" << "" << "d";
}

void TestNodeClipboard::commandIsOneStepThatUndoesByteForByte()
{
    QFETCH(Op, op);
    QFETCH(QString, selected);
    QFETCH(QString, copied);
    QFETCH(QString, after);
    PageDocument doc;
    Page& page = doc.page();
    Fill(page, "a\n\tb\n\tc\n\t\te\nd");
    const QByteArray before = Bytes(page);
    Node* node = Find(page, selected);
    const GeneratorOptions html;

    std::vector<const Node*> sources{node}; // what the command copies
    if (!copied.isEmpty()) {
        sources.clear();
        for (const QString& name : copied.split(QLatin1Char(' ')))
            sources.push_back(Find(page, name));
    }
    if (op == Op::Cut) {
        QVERIFY(Copy(sources, html).data);
        doc.Delete(node);
    } else {
        const QByteArray copiedBytes = SubtreeBytes(sources);
        std::vector<std::unique_ptr<Node>> nodes;
        if (op == Op::Duplicate)
            nodes.push_back(CopyOfSubtree(*node));
        else
            nodes = Paste(*Copy(sources, html).data).nodes;
        const NodePlace place = PastePlace(page, node, op == Op::PasteAsChild);
        Node* first = doc.Insert(std::move(nodes), place);
        const auto at = [&](int row) {
            return place.parent ? place.parent->child(row) : page.topLevelNodes()[size_t(row)].get();
        };
        QCOMPARE(first, at(place.row));
        std::vector<const Node*> inserted;
        for (int row = place.row; row < place.row + int(sources.size()); ++row)
            inserted.push_back(at(row));
        QCOMPARE(SubtreeBytes(inserted), copiedBytes);
    }
    QCOMPARE(Shape(page.topLevelNodes()), after);
    QCOMPARE(doc.history().Size(), size_t(1));
    const QByteArray made = Bytes(page);

    doc.Undo();
    QCOMPARE(Bytes(page), before);
    doc.Redo();
    QCOMPARE(Bytes(page), made);
}

void TestNodeClipboard::indentedTextBecomesNodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shape");
    QTest::newRow("tabs") << "a\n\tb\n\t\tc\nd" << "a(b(c)) d";
    QTest::newRow("two-blank-steps") << "a\n  b\n    c\n  e\nd" << "a(b(c) e) d";
    QTest::newRow("tab-equals-four-blanks") << "a\n\tb\n    c\n  \td" << "a(b c d)";
    QTest::newRow("jump-of-two-levels") << "a\n\t\tb\n\t\tc\n\td" << "a(b c d)";
    QTest::newRow("between-two-levels") << "a\n    b\n  c\n  \te" << "a(b c(e))";
    QTest::newRow("first-line-indented") << "\t\ta\n\tb\nc" << "a b c";
    QTest::newRow("blank-lines-and-trailing-blanks") << "a\n\n  \t\n\tb \t\n" << "a(b)";
    QTest::newRow("cr-lf-and-lone-cr") << "a\r\n\tb\rc\r\n" << "a(b) c";
    QTest::newRow("ideographic-space") << QString::fromUtf8("a\n\xe3\x80\x80" "b\n  c") << "a(b c)";
    QTest::newRow("outside-shift-jis") << QString::fromUtf8("\xf0\x9f\x98\x80x") << "&#x1F600;x";
    QTest::newRow("empty") << "" << "";
}

void TestNodeClipboard::indentedTextBecomesNodes()
{
    QFETCH(QString, text);
    QFETCH(QString, shape);
    QMimeData data;
    data.setText(text);
    QVERIFY(CanPaste(data));
    QCOMPARE(Shape(Paste(data).nodes), shape);
}

void TestNodeClipboard::copyOffersHtmlAndIndentedNames()
{
    Page page;
    page.ReplaceOutline(ParseOutlineText("a\n\tb\n\t\tc").topLevel);
    Find(page, "a")->record().Hide = true;
    Find(page, "b")->record().Body = "x";
    Find(page, "c")->record().Publish = false;
    GeneratorOptions options;
    options.DefaultTagCase = 1;
    const Copied copied = Copy({page.topLevelNodes().front().get()}, options);
    QCOMPARE(copied.data->text(), QStringLiteral("a\n\tb\n\t\tc\n"));
    QCOMPARE(copied.data->html().toUtf8(),
             "<h2><a href=\"JavaScript:\" onClick=\"if( X0.style.display=='none' ) X0.style.display=''; "
             "else X0.style.display='none';\">a</A></h2>\n"
             "<div id=\"X0\" style=\"display:none\"><!-- INFO: ここから子ノードは Hide 設定です。-->\n"
             "<h3>b</h3>\n<div>\nx\n</div>\n</div>\n");

    // The one byte the page file cannot hold: the copy is refused, not cut short.
    Find(page, "b")->record().Body = "\xff";
    const Copied refused = Copy({page.topLevelNodes().front().get()}, options);
    QVERIFY(!refused.data);
    QVERIFY(refused.error.contains(QLatin1Char('b')));
}

void TestNodeClipboard::refusedDataPastesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes"); // of our own form
    const QByteArray good = [] {
        Page page;
        page.ReplaceOutline(ParseOutlineText("a\n\tb").topLevel);
        return Copy({page.topLevelNodes().front().get()}, {}).data->data(NodesMimeType);
    }();
    QTest::newRow("not-a-page-file") << QByteArray("a\n\tb");
    QTest::newRow("older-version") << QByteArray("Tav Outliner 1.0") + good.mid(16);
    QTest::newRow("cut-short") << good.chopped(3);
    QTest::newRow("level-jump") << QByteArray(good).replace("\tb", "\t\tb");
}

void TestNodeClipboard::refusedDataPastesNothing()
{
    QFETCH(QByteArray, bytes);
    QMimeData data;
    data.setData(NodesMimeType, bytes);
    data.setText(QStringLiteral("not used"));
    const Pasted pasted = Paste(data);
    QVERIFY(pasted.nodes.empty());
    QVERIFY(!pasted.error.isEmpty());
}

QTEST_GUILESS_MAIN(TestNodeClipboard)
#include "tst_nodeclipboard.moc"
