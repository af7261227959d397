// The page model: node placement, deletion, renaming, moves and reset.
#include "document/Page.h"
#include "document/ProgramConstants.h"
#include "document/TextCodec.h"

#include <QTest>

namespace {

// Builds an outline from "name(child,child(grandchild)),name" notation.
void Build(Page& page, Node* parent, const QString& shape, int& pos)
{
    while (pos < shape.size() && shape[pos] != QLatin1Char(')')) {
        QString name;
        while (pos < shape.size() && !QStringLiteral("(),").contains(shape[pos]))
            name += shape[pos++];
        Node* node = page.AddChildNode(parent);
        page.RenameNode(node, name.toStdString());
        if (pos < shape.size() && shape[pos] == QLatin1Char('(')) {
            ++pos;
            Build(page, node, shape, pos);
            ++pos; // ')'
        }
        if (pos < shape.size() && shape[pos] == QLatin1Char(','))
            ++pos;
    }
}

void Build(Page& page, const QString& shape)
{
    int pos = 0;
    Build(page, nullptr, shape, pos);
}

// The outline in the same notation.
QString Describe(const Node::Children& nodes)
{
    QStringList parts;
    for (const auto& n : nodes) {
        QString part = QString::fromStdString(n->name());
        if (n->childCount())
            part += QLatin1Char('(') + Describe(n->children()) + QLatin1Char(')');
        parts << part;
    }
    return parts.join(QLatin1Char(','));
}

QString Describe(const Page& page) { return Describe(page.topLevelNodes()); }

Node* Find(const Page& page, const char* name)
{
    for (Node* n : page.NodesInDocumentOrder())
        if (n->name() == name)
            return n;
    return nullptr;
}

} // namespace

class TestPage : public QObject {
    Q_OBJECT

private slots:
    void addSiblingGoesBeforeSelection()
    {
        Page page;
        Node* only = page.AddSiblingNode(nullptr);
        QCOMPARE(page.NodeCount(), 1);
        QCOMPARE(only->name(), Page::NewNodeName());
        QCOMPARE(only->record(), TRecord{});

        page.RenameNode(only, "a");
        Node* before = page.AddSiblingNode(only);
        page.RenameNode(before, "b");
        QCOMPARE(Describe(page), QStringLiteral("b,a"));
        QCOMPARE(page.NodeAt(0), before);
    }

    void addSiblingWithoutSelectionAppendsTopLevel()
    {
        Page page;
        Build(page, "a(x),b");
        page.RenameNode(page.AddSiblingNode(nullptr), "c");
        QCOMPARE(Describe(page), QStringLiteral("a(x),b,c"));
    }

    void addChildAppendsAndExpands()
    {
        Page page;
        Build(page, "a(x),b");
        Node* a = Find(page, "a");
        a->expanded = false;
        page.RenameNode(page.AddChildNode(a), "y");
        QCOMPARE(Describe(page), QStringLiteral("a(x,y),b"));
        QVERIFY(a->expanded);

        page.RenameNode(page.AddChildNode(nullptr), "c");
        QCOMPARE(Describe(page), QStringLiteral("a(x,y),b,c"));
    }

    void deleteRemovesWholeSubtreeKeepingOrder()
    {
        Page page;
        Build(page, "a,b(c(d(e)),f),g");
        QCOMPARE(page.NodeCount(), 7);
        page.DeleteNode(Find(page, "c"));
        QCOMPARE(page.NodeCount(), 4);
        QCOMPARE(Describe(page), QStringLiteral("a,b(f),g"));
        QCOMPARE(page.NodeAt(2)->name(), SjisString("f"));
        page.DeleteNode(nullptr);
        QCOMPARE(page.NodeCount(), 4);
    }

    void documentOrderIsPreOrder()
    {
        Page page;
        Build(page, "a(b(c),d),e(f)");
        QStringList names;
        for (int i = 0; i < page.NodeCount(); ++i)
            names << QString::fromStdString(page.NodeAt(i)->name());
        QCOMPARE(names.join(QString()), QStringLiteral("abcdef"));
        QCOMPARE(page.NodeAt(6), nullptr);
        QCOMPARE(page.NodeAt(-1), nullptr);
    }

    void moveNode_data()
    {
        QTest::addColumn<QString>("outline");
        QTest::addColumn<QString>("node");
        QTest::addColumn<QString>("target"); // empty: none
        QTest::addColumn<int>("placement");
        QTest::addColumn<QString>("expected");
        const int child = int(Placement::AsLastChild), before = int(Placement::BeforeTarget),
                  sibling = int(Placement::AsLastSibling);
        QTest::newRow("as-last-child") << "a,b(c),d" << "a" << "b" << child << "b(c,a),d";
        QTest::newRow("before-target") << "a,b(c),d" << "d" << "c" << before << "a,b(d,c)";
        QTest::newRow("before-none-is-last-top") << "a(x),b" << "x" << "" << before << "a,b,x";
        QTest::newRow("last-sibling-of-top-level") << "a,b(c),d" << "a" << "b" << sibling << "b(c),d,a";
        QTest::newRow("last-sibling-of-child") << "a,b(c,e),d" << "a" << "c" << sibling << "b(c,e,a),d";
        QTest::newRow("keeps-children") << "a(x(y)),b" << "x" << "b" << child << "a,b(x(y))";
        QTest::newRow("forward-within-siblings") << "a,b,c,d" << "a" << "d" << before << "b,c,a,d";
        QTest::newRow("before-itself") << "a,b,c" << "b" << "b" << before << "a,b,c";
        QTest::newRow("into-own-child") << "a(b(c)),d" << "a" << "c" << child << "a(b(c)),d";
        QTest::newRow("sibling-of-own-child") << "a(b(c)),d" << "a" << "c" << sibling << "a(b(c)),d";
        QTest::newRow("into-itself") << "a,b" << "a" << "a" << child << "a,b";
    }

    void moveNode()
    {
        QFETCH(QString, outline);
        QFETCH(QString, node);
        QFETCH(QString, target);
        QFETCH(int, placement);
        QFETCH(QString, expected);
        Page page;
        Build(page, outline);
        const int count = page.NodeCount();
        Node* moved = Find(page, node.toLatin1().constData());
        TRecord record = moved->record();
        record.Body = "kept";
        moved->record() = record;
        page.MoveNode(moved, target.isEmpty() ? nullptr : Find(page, target.toLatin1().constData()),
                      Placement(placement));
        QCOMPARE(Describe(page), expected);
        QCOMPARE(page.NodeCount(), count);
        QCOMPARE(moved->record(), record);
    }

    void renameKeepsOneStorableLine_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("plain") << QByteArray("name") << QByteArray("name");
        QTest::newRow("leading-tab-and-blanks") << QByteArray("\t  name ") << QByteArray("name ");
        QTest::newRow("crlf-becomes-blank") << QByteArray("a\r\nb") << QByteArray("a b");
        QTest::newRow("lone-cr-and-lf") << QByteArray("a\rb\nc") << QByteArray("a b c");
        QTest::newRow("leading-break") << QByteArray("\r\n\tx") << QByteArray("x");
        QTest::newRow("empty") << QByteArray("") << QByteArray("");
        QTest::newRow("sjis-trail-0x0a-like-bytes-untouched") << QByteArray("\x82\xa0\x95\x5c") << QByteArray("\x82\xa0\x95\x5c");
    }

    void renameKeepsOneStorableLine()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, stored);
        Page page;
        Node* node = page.AddSiblingNode(nullptr);
        node->record().Body = "body";
        page.RenameNode(node, typed.toStdString());
        QCOMPARE(QByteArray::fromStdString(node->name()), stored);
        QCOMPARE(node->record().Body, SjisString("body"));
    }

    void resetKeepsNamesAndDoctype()
    {
        Page page;
        page.Title = "t";
        page.FileName = "/x/a.html";
        page.DatabasePath = "/x/";
        page.Doctype = "html";
        page.Category = "old";
        page.CharacterSet = Charset::EucJp;
        page.FtpSettingName = "other";
        Build(page, "a(b)");
        NewPageDefaults defaults;
        defaults.Upload = true;
        defaults.RemoteFolder = "www";
        defaults.JavaScriptFileName = "s.js";
        page.ResetPage(defaults);
        QCOMPARE(page.Title, SjisString("t"));
        QCOMPARE(page.FileName, SjisString("/x/a.html"));
        QCOMPARE(page.DatabasePath, SjisString("/x/"));
        QCOMPARE(page.Doctype, SjisString("html"));
        QCOMPARE(page.Category, SjisString("Tav Outliner 1.8 Document"));
        QCOMPARE(page.CategoryUrl, SjisString(ProgramConstants::HomePageAddress));
        QCOMPARE(page.UserHeader, TextCodec::Sjis("<!-- TODO: ユーザ定義ヘッダを記述してください -->\n"));
        QCOMPARE(page.CharacterSet, Charset::Iso2022Jp);
        QCOMPARE(page.FtpSettingName, TextCodec::Sjis("(規定値)"));
        QVERIFY(page.Upload);
        QCOMPARE(page.RemoteFolder, SjisString("www"));
        QCOMPARE(page.JavaScriptFileName, SjisString("s.js"));
        QCOMPARE(page.StyleSheetFileName, SjisString("untitled.css"));
        QCOMPARE(page.NodeCount(), 0);
        QVERIFY(page.topLevelNodes().empty());
    }

    void charsetPrecedence_data()
    {
        QTest::addColumn<bool>("iso");
        QTest::addColumn<bool>("sjis");
        QTest::addColumn<bool>("euc");
        QTest::addColumn<int>("expected");
        QTest::newRow("none") << false << false << false << int(Charset::Iso2022Jp);
        QTest::newRow("iso") << true << false << false << int(Charset::Iso2022Jp);
        QTest::newRow("sjis") << false << true << false << int(Charset::ShiftJis);
        QTest::newRow("sjis-and-euc") << false << true << true << int(Charset::EucJp);
        QTest::newRow("iso-and-sjis") << true << true << false << int(Charset::ShiftJis);
        QTest::newRow("all") << true << true << true << int(Charset::EucJp);
    }

    void charsetPrecedence()
    {
        QFETCH(bool, iso);
        QFETCH(bool, sjis);
        QFETCH(bool, euc);
        QFETCH(int, expected);
        QCOMPARE(int(CharsetFromFlags(iso, sjis, euc)), expected);
    }

    void displayStateFollowsFlags()
    {
        TRecord r;
        QCOMPARE(DisplayStateOf(r), DisplayState::Normal);
        r.Hide = true;
        QCOMPARE(DisplayStateOf(r), DisplayState::Hidden);
        r.Publish = false;
        QCOMPARE(DisplayStateOf(r), DisplayState::Unpublished);
        r.Hide = false;
        QCOMPARE(DisplayStateOf(r), DisplayState::Unpublished);
    }

    void observersSeeMovesWithDestinationBeforeDetach()
    {
        struct Recorder : OutlineObserver {
            QStringList events;
            void nodeAboutToBeMoved(Node* n, Node* parent, int row) override
            {
                events << QStringLiteral("move %1 to %2:%3")
                              .arg(QString::fromStdString(n->name()),
                                   parent ? QString::fromStdString(parent->name()) : QStringLiteral("-"))
                              .arg(row);
            }
            void nodeAboutToBeRemoved(Node* n) override { events << "remove " + QString::fromStdString(n->name()); }
            void outlineReset() override { events << "reset"; }
        } recorder;
        Page page;
        Build(page, "a,b,c");
        page.addObserver(&recorder);
        page.MoveNode(Find(page, "a"), Find(page, "c"), Placement::AsLastSibling);
        page.DeleteNode(Find(page, "b"));
        page.ResetPage({});
        page.removeObserver(&recorder);
        QCOMPARE(recorder.events, QStringList({"move a to -:3", "remove b", "reset"}));
    }

    void deepOutlineIsDestroyedWithoutRecursion()
    {
        Page page;
        Node* n = nullptr;
        for (int i = 0; i < 200000; ++i)
            n = page.AddChildNode(n);
        QCOMPARE(page.NodeCount(), 200000);
        page.ResetPage({});
        QCOMPARE(page.NodeCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPage)
#include "tst_page.moc"
