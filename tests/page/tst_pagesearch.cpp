// Find and replace across a page's texts: what matches (folding, whole
// words, regular expressions, the header), where (the editor's positions,
// never half a character), and replace all as one step that undo takes back
// byte for byte.
#include "document/PageFile.h"
#include "editor/EditorText.h"
#include "page/PageDocument.h"
#include "page/PageSearch.h"

#include <QTest>

namespace {

// Options by letter: c case, w whole word, r regular expression,
// j Japanese folding, h user header.
SearchOptions Options(const QString& flags)
{
    SearchOptions o;
    o.caseSensitive = flags.contains(u'c');
    o.wholeWord = flags.contains(u'w');
    o.regularExpression = flags.contains(u'r');
    o.foldJapanese = flags.contains(u'j');
    o.userHeader = flags.contains(u'h');
    return o;
}

// A page of top-level nodes from name, body, name, body... bytes.
void Fill(Page& page, const QByteArrayList& texts, const QByteArray& header)
{
    for (qsizetype i = 0; i + 1 < texts.size(); i += 2) {
        Node* node = page.AddSiblingNode(nullptr);
        page.SetName(node, texts[i].toStdString());
        node->record().Body = texts[i + 1].toStdString();
    }
    page.UserHeader = header.toStdString();
}

QByteArrayList Texts(const Page& page)
{
    QByteArrayList texts;
    for (const Node* node : page.NodesInDocumentOrder())
        texts << QByteArray::fromStdString(node->name()) << QByteArray::fromStdString(node->record().Body);
    return texts;
}

// "n0@0+3 b1@5+2 h@0+4": name of node 0, body of node 1, the header.
QString Describe(const Page& page, const std::vector<PageMatch>& matches)
{
    const std::vector<Node*> nodes = page.NodesInDocumentOrder();
    QStringList parts;
    for (const PageMatch& m : matches) {
        const auto index = std::find(nodes.begin(), nodes.end(), m.place.node) - nodes.begin();
        const QString where = m.place.field == PageTextField::UserHeader ? QStringLiteral("h")
            : (m.place.field == PageTextField::Name ? QStringLiteral("n%1") : QStringLiteral("b%1")).arg(index);
        parts << QStringLiteral("%1@%2+%3").arg(where).arg(m.start).arg(m.length);
    }
    return parts.join(u' ');
}

QByteArray PageBytes(const Page& page)
{
    return PageFileBytes(ImageOfPage(page)).value_or(QByteArray("unwritable"));
}

} // namespace

class TestPageSearch : public QObject {
    Q_OBJECT
private slots:
    void findsMatches_data()
    {
        QTest::addColumn<QByteArrayList>("texts");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("expected");

        const QByteArrayList kana{"n", "\xb6\xde\x83\x4b\x82\xaa"}; // ｶﾞガが
        QTest::newRow("folded-voiced-kana") << kana << QByteArray() << QStringLiteral("が") << "j"
                                            << "b0@0+2 b0@2+1 b0@3+1";
        QTest::newRow("folded-halfwidth-pattern") << kana << QByteArray() << QStringLiteral("ｶﾞ") << "j"
                                                  << "b0@0+2 b0@2+1 b0@3+1";
        QTest::newRow("exact-voiced-kana") << kana << QByteArray() << QStringLiteral("が") << "" << "b0@3+1";
        QTest::newRow("folded-never-splits-a-sound-mark")
            << QByteArrayList{"n", "\xb6\xde\x83\x4a"} << QByteArray() << QStringLiteral("カ") << "j" << "b0@2+1";
        QTest::newRow("folded-semi-voiced") << QByteArrayList{"n", "\xca\xdf\x83\x70\xca"} << QByteArray()
                                            << QStringLiteral("ぱ") << "j" << "b0@0+2 b0@2+1";
        QTest::newRow("folded-a") << QByteArrayList{"n", "\xb1\x83\x41\x82\xa0"} << QByteArray()
                                  << QStringLiteral("あ") << "j" << "b0@0+1 b0@1+1 b0@2+1";

        const QByteArrayList letters{"n", "\x82\x60" "A\x82\x81" "a"}; // ＡAａa
        QTest::newRow("folded-width-any-case") << letters << QByteArray() << "A" << "j" << "b0@0+1 b0@1+1 b0@2+1 b0@3+1";
        QTest::newRow("folded-width-case") << letters << QByteArray() << "A" << "jc" << "b0@0+1 b0@1+1";
        QTest::newRow("any-case") << letters << QByteArray() << "A" << "" << "b0@1+1 b0@3+1";
        QTest::newRow("case") << letters << QByteArray() << "A" << "c" << "b0@1+1";

        QTest::newRow("whole-word") << QByteArrayList{"n", "cat concat cat_ cat."} << QByteArray() << "cat" << "w"
                                    << "b0@0+3 b0@16+3";
        // 猫ネコ猫 ネコネコ: a word ends where the kind of character changes.
        QTest::newRow("whole-word-japanese")
            << QByteArrayList{"n", "\x94\x4c\x83\x6c\x83\x52\x94\x4c \x83\x6c\x83\x52\x83\x6c\x83\x52"}
            << QByteArray() << QStringLiteral("ネコ") << "w" << "b0@1+2";

        QTest::newRow("regex") << QByteArrayList{"n", "a12 b3 a4"} << QByteArray() << "a\\d+" << "r"
                               << "b0@0+3 b0@7+2";
        QTest::newRow("regex-folded") << QByteArrayList{"n", "\xb6\xde\x83\x4bx"} << QByteArray()
                                      << QStringLiteral("[ぁ-ん]+") << "rj" << "b0@0+3";
        QTest::newRow("regex-folded-fullwidth-parens-stay-literal")
            << QByteArrayList{"n", "(x)\x81\x69x\x81\x6a"} << QByteArray() << QStringLiteral("（x）") << "rj"
            << "b0@0+3 b0@3+3";
        QTest::newRow("regex-across-a-line-break") << QByteArrayList{"n", "ab\r\ncd\rcd"} << QByteArray() << "b\\ncd"
                                                   << "r" << "b0@1+4";
        QTest::newRow("regex-invalid") << QByteArrayList{"n", "("} << QByteArray() << "(" << "r" << "error";

        QTest::newRow("header-left-out") << QByteArrayList{"n", "x"} << QByteArray("cat") << "cat" << "" << "";
        QTest::newRow("header-searched-last") << QByteArrayList{"n", "cat"} << QByteArray("cat") << "cat" << "h"
                                              << "b0@0+3 h@0+3";
        QTest::newRow("name-before-body") << QByteArrayList{"cat", "cat", "x", "cat"} << QByteArray() << "cat" << ""
                                          << "n0@0+3 b0@0+3 b1@0+3";
        QTest::newRow("crlf-is-one-position") << QByteArrayList{"n", "ab\r\ncd\rcd"} << QByteArray() << "cd" << ""
                                              << "b0@3+2 b0@6+2";

        // Bytes of the pattern inside a double-byte character are no match:
        // ア is 83 41, ヂ is 83 61.
        QTest::newRow("trail-bytes-are-no-letters") << QByteArrayList{"n", "\x83\x41\x83\x61" "Aa"} << QByteArray()
                                                    << "a" << "" << "b0@2+1 b0@3+1";
        // 88 82 is no character and A0 none at all: each shows as a stand-in
        // of two positions.
        QTest::newRow("invalid-bytes-around-a-match") << QByteArrayList{"n", "\x88\x82\xa0\x82\xa0\x81 A\x81"}
                                                      << QByteArray() << QStringLiteral("あ") << "c" << "b0@4+1";
        QTest::newRow("invalid-bytes-around-a-match-folded")
            << QByteArrayList{"n", "\x88\x82\xa0\x82\xa0\x81 A\x81"} << QByteArray() << "a" << "j" << "b0@8+1";
        // A lone 81 shows as U+F0081, a surrogate pair: never half of it.
        const QString lowHalf(QChar(0xDC81));
        QTest::newRow("half-a-stand-in-is-no-match") << QByteArrayList{"n", "\x81 "} << QByteArray() << lowHalf << ""
                                                     << "";
        QTest::newRow("half-a-stand-in-is-no-match-folded") << QByteArrayList{"n", "\x81 "} << QByteArray() << lowHalf
                                                            << "j" << "";
    }
    void findsMatches()
    {
        QFETCH(QByteArrayList, texts);
        QFETCH(QByteArray, header);
        QFETCH(QString, pattern);
        QFETCH(QString, flags);
        QFETCH(QString, expected);
        Page page;
        Fill(page, texts, header);
        // The positions are the editor's.
        for (const Node* node : page.NodesInDocumentOrder())
            QCOMPARE(TextAsShown(node->record().Body, PageTextField::Body), EditorText::FromBody(node->record().Body));

        const PageSearch search(pattern, Options(flags));
        if (expected == u"error") {
            QVERIFY(search.error().contains(QStringLiteral("正規表現")));
            QVERIFY(search.FindAll(page).matches.empty());
            return;
        }
        QVERIFY(search.error().isEmpty());
        QCOMPARE(Describe(page, search.FindAll(page).matches), expected);
    }

    void replaceAllIsOneStep_data()
    {
        QTest::addColumn<QByteArrayList>("texts");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QByteArrayList>("expected"); // empty: refused, nothing changes
        QTest::addColumn<QByteArray>("expectedHeader");

        QTest::newRow("names-bodies-and-header")
            << QByteArrayList{"cat", "a cat\r\ncat", "dog", "no"} << "cat" << "h" << "dog"
            << QByteArrayList{"dog", "a dog\r\ndog", "dog", "no"} << QByteArray("<dog>");
        QTest::newRow("regex-groups") << QByteArrayList{"n", "a12 b3 a4"} << "a(\\d+)" << "r" << "<\\1>\\n"
                                      << QByteArrayList{"n", "<12>\r\n b3 <4>\r\n"} << QByteArray("<cat>");
        QTest::newRow("folded-kana") << QByteArrayList{"n", "\xb6\xde\x83\x4b\x82\xaa"} << QStringLiteral("が") << "j"
                                     << QStringLiteral("か") << QByteArrayList{"n", "\x82\xa9\x82\xa9\x82\xa9"}
                                     << QByteArray("<cat>");
        // Only the matches are re-encoded: invalid bytes and a lone CR stay.
        QTest::newRow("invalid-bytes-kept") << QByteArrayList{"n", "\x81 A\xa0\x80" "A\r"} << "A" << "c"
                                            << QStringLiteral("あ")
                                            << QByteArrayList{"n", "\x81 \x82\xa0\xa0\x80\x82\xa0\r"}
                                            << QByteArray("<cat>");
        QTest::newRow("lone-cr-kept-folded") << QByteArrayList{"n", "a\rb\xa0\r\nB"} << "b" << "j" << "Z"
                                             << QByteArrayList{"n", "a\rZ\xa0\r\nZ"} << QByteArray("<cat>");
        QTest::newRow("unencodable-in-a-body") << QByteArrayList{"n", "x"} << "x" << "" << QStringLiteral("\U0001F600")
                                               << QByteArrayList{"n", "&#x1F600;"} << QByteArray("<cat>");
        QTest::newRow("unencodable-in-a-name-refused") << QByteArrayList{"x", "x"} << "x" << "h"
                                                       << QStringLiteral("\U0001F600") << QByteArrayList{}
                                                       << QByteArray("<cat>");
        QTest::newRow("name-cleaned") << QByteArrayList{"ab", ""} << "a" << "" << " " << QByteArrayList{"b", ""}
                                      << QByteArray("<cat>");
    }
    void replaceAllIsOneStep()
    {
        QFETCH(QByteArrayList, texts);
        QFETCH(QString, pattern);
        QFETCH(QString, flags);
        QFETCH(QString, replacement);
        QFETCH(QByteArrayList, expected);
        QFETCH(QByteArray, expectedHeader);
        PageDocument document;
        Page& page = document.page();
        Fill(page, texts, "<cat>");
        const QByteArray before = PageBytes(page);

        const PageSearch::Replaced replaced = PageSearch(pattern, Options(flags)).ReplaceAll(page, replacement);
        if (expected.isEmpty()) {
            QVERIFY(replaced.error.contains(QStringLiteral("ノード名")));
            QVERIFY(replaced.changes.empty());
            return;
        }
        QVERIFY(replaced.error.isEmpty());
        document.ReplaceTexts(replaced.changes);
        QCOMPARE(Texts(page), expected);
        QCOMPARE(QByteArray::fromStdString(page.UserHeader), expectedHeader);
        const QByteArray after = PageBytes(page);
        QCOMPARE(document.history().Size(), std::size_t(1));

        document.Undo();
        QCOMPARE(PageBytes(page), before);
        QVERIFY(!document.CanUndo());
        document.Redo();
        QCOMPARE(PageBytes(page), after);
    }

    void replaceOne_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<int>("start"); // of the match to replace
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QByteArray>("expected"); // empty: the match is not there
        QTest::addColumn<int>("replacedLength");

        QTest::newRow("second-of-two") << QByteArray("a cat cat") << "cat" << "" << 6 << 3 << "dog"
                                       << QByteArray("a cat dog") << 3;
        QTest::newRow("gone") << QByteArray("a cat cat") << "cat" << "" << 3 << 3 << "dog" << QByteArray() << 0;
        QTest::newRow("regex-group") << QByteArray("x\r\n<b>y</b>") << "<(\\w)>" << "r" << 2 << 3 << "[\\1]"
                                     << QByteArray("x\r\n[b]y</b>") << 3;
        QTest::newRow("reference-shows-as-written") << QByteArray("\x82\xa0x") << "x" << "" << 1 << 1
                                                    << QStringLiteral("\U0001F600")
                                                    << QByteArray("\x82\xa0&#x1F600;") << 9;
    }
    void replaceOne()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, pattern);
        QFETCH(QString, flags);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, replacement);
        QFETCH(QByteArray, expected);
        QFETCH(int, replacedLength);
        Page page;
        Fill(page, {"n", body}, {});
        const PageMatch match{{page.NodeAt(0), PageTextField::Body}, 1, start, length};
        PageMatch replaced;
        const PageSearch::Replaced one = PageSearch(pattern, Options(flags)).ReplaceOne(page, match, replacement, &replaced);
        if (expected.isEmpty()) {
            QVERIFY(one.changes.empty());
            return;
        }
        QCOMPARE(one.changes.size(), std::size_t(1));
        QCOMPARE(QByteArray::fromStdString(one.changes.front().text), expected);
        QCOMPARE(replaced.start, start);
        QCOMPARE(replaced.length, replacedLength);
    }

    void adjacentMatch_data()
    {
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("expected");
        // The matches: (1, 0+3), (1, 5+3), (3, 2+2).
        QTest::newRow("from-the-top") << -1 << 0 << 0 << true << 0;
        QTest::newRow("past-the-selected-match") << 1 << 0 << 3 << true << 1;
        QTest::newRow("caret-in-a-later-text") << 2 << 0 << 0 << true << 2;
        QTest::newRow("forward-wraps") << 3 << 2 << 4 << true << 0;
        QTest::newRow("back-before-the-selected-match") << 1 << 5 << 8 << false << 0;
        QTest::newRow("back-wraps") << 1 << 0 << 3 << false << 2;
    }
    void adjacentMatch()
    {
        QFETCH(int, order);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(bool, forward);
        QFETCH(int, expected);
        const std::vector<PageMatch> matches{{{}, 1, 0, 3}, {{}, 1, 5, 3}, {{}, 3, 2, 2}};
        QCOMPARE(AdjacentMatch(matches, {order, start, end}, forward), std::optional<std::size_t>(expected));
    }
};

QTEST_GUILESS_MAIN(TestPageSearch)
#include "tst_pagesearch.moc"
