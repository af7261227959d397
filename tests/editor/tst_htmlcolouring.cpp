// Colouring runs, typing classes and the editor's text helpers, without widgets.
#include "editor/EditorText.h"
#include "editor/HtmlColouring.h"

#include <QTest>

namespace {

// One letter per character: T text, S tag symbol, D directive, P parameter.
QString ClassLetters(const QString& text)
{
    static const char letters[] = "TSDP";
    QString out;
    int covered = 0;
    for (const ColourRun& run : ComputeColourRuns(text)) {
        if (run.start != covered)
            return QStringLiteral("gap at %1").arg(covered);
        out += QString(run.length, QChar::fromLatin1(letters[int(run.cls)]));
        covered += run.length;
    }
    return out;
}

} // namespace

class TestHtmlColouring : public QObject {
    Q_OBJECT
private slots:
    void colourRuns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("classes");
        QTest::newRow("link-with-parameter") << "<a href=x>link</a>" << "SDSPPPPPPSTTTTSDDS";
        QTest::newRow("tag-without-parameter") << "<br>" << "SDDS";
        QTest::newRow("lone-less-than") << "1 < 2" << "TTSTT";
        QTest::newRow("lone-less-than-at-end") << "a<" << "TS";
        QTest::newRow("blanks-between-tags-merge") << "<p>  <b>" << "SDSSSSDS";
        QTest::newRow("line-break-between-tags-merges") << "<p>\n<b>x" << "SDSSSDST";
        QTest::newRow("blank-before-text-stays-in-run") << "<p> x" << "SDSST";
        QTest::newRow("space-after-close-is-text") << "<b>x y" << "SDSTTT";
        QTest::newRow("line-break-after-name") << "<a\nhref>" << "SDDDDDDS";
        QTest::newRow("tab-after-name") << "<a\thref=x>" << "SDDDDDDDDS";
        QTest::newRow("comment") << "<!-- note -->" << "SDDDSPPPPPPPS";
        QTest::newRow("open-tag-after-run") << "<a> <b" << "SDSSST";
        QTest::newRow("nested-less-than") << "<<a>" << "SDDS";
        QTest::newRow("two-spaces-after-name") << "<a  b>" << "SDSPPS";
        QTest::newRow("japanese-text") << QString::fromUtf8("<p>\xe3\x81\x82</p>") << "SDSTSDDS";
        QTest::newRow("no-tags") << "plain text" << "TTTTTTTTTT";
        QTest::newRow("empty") << "" << "";
    }
    void colourRuns()
    {
        QFETCH(QString, text);
        QFETCH(QString, classes);
        QCOMPARE(ClassLetters(text), classes);
    }

    void runsAreMerged()
    {
        // A run of tags over blanks is one format operation, not one per tag.
        const std::vector<ColourRun> runs = ComputeColourRuns(u"<p> <br> <hr>");
        QCOMPARE(runs.front(), (ColourRun{0, 1, CharClass::TagSymbol}));
        QCOMPARE(int(runs.size()), 7); // < p "> <" br "> <" hr >
    }

    void typingClass_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("expected");
        QTest::newRow("letter-after-open-name") << "a" << "<a" << int(CharClass::TagDirective);
        QTest::newRow("letter-after-name-and-space") << "h" << "<a " << int(CharClass::TagParameter);
        QTest::newRow("letter-after-closed-tag") << "x" << "<a>" << int(CharClass::Text);
        QTest::newRow("greater-than") << ">" << "<a" << int(CharClass::TagSymbol);
        QTest::newRow("less-than-in-text") << "<" << "hello" << int(CharClass::TagSymbol);
        QTest::newRow("empty-text") << "x" << "" << int(CharClass::Text);
        QTest::newRow("space-in-text-after-tag") << "x" << "<b>x " << int(CharClass::Text);
        QTest::newRow("open-tag-over-lines") << "x" << "<a\nhref" << int(CharClass::TagDirective);
    }
    void typingClass()
    {
        QFETCH(QString, key);
        QFETCH(QString, before);
        QFETCH(int, expected);
        QCOMPARE(int(TypingClass(key[0], before)), expected);
    }

    void backwardScanAcrossPieces()
    {
        BackwardTagScan scan;
        QVERIFY(!scan.feed(u"value"));
        QVERIFY(!scan.feed(u"href="));
        QVERIFY(scan.feed(u"<a "));
        QCOMPARE(scan.result(), CharClass::TagParameter);
    }

    void paragraphTags_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("indented-line-kept-whole") << "  hello" << "<P>  hello</P>\n";
        QTest::newRow("line-starting-with-tag") << "<li>item" << "<li>item\n";
        QTest::newRow("indented-tag") << "   <b>x</b>" << "   <b>x</b>\n";
        QTest::newRow("blank-line") << "a\n\nb" << "<P>a</P>\n\n<P>b</P>\n";
        QTest::newRow("blanks-only-line") << "\t \n" << "\t \n";
        QTest::newRow("final-break-kept-single") << "a\n" << "<P>a</P>\n";
        QTest::newRow("cr-and-crlf-breaks") << "a\r\nb\rc" << "<P>a</P>\n<P>b</P>\n<P>c</P>\n";
        QTest::newRow("empty") << "" << "";
    }
    void paragraphTags()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(AddParagraphTags(text), expected);
    }

    void autoIndentTakesEveryBlankOfTheLine()
    {
        QCOMPARE(AutoIndentText(u"\tfoo bar"), QStringLiteral("\n\t "));
        QCOMPARE(AutoIndentText(u"x"), QStringLiteral("\n"));
    }

    void positions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("offset");
        QTest::newRow("ascii") << "abc" << 2 << 2;
        QTest::newRow("after-line-break") << "a\nb" << 2 << 3;
        QTest::newRow("after-double-byte") << QString::fromUtf8("\xe3\x81\x82" "a") << 1 << 2;
        QTest::newRow("after-half-width-kana") << QString::fromUtf8("\xef\xbd\xb1" "a") << 1 << 1;
        QTest::newRow("after-reference") << QString::fromUtf8("\xf0\x9f\x98\x80" "a") << 2 << 9;
        QTest::newRow("end") << QString::fromUtf8("a\n\xe3\x81\x82") << 3 << 5;
    }
    void positions()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, offset);
        QCOMPARE(EditorText::ByteOffset(text, position), offset);
        QCOMPARE(EditorText::EditorPosition(text, offset), position);
    }

    void offsetInsideCharacterGoesBeforeIt()
    {
        const QString text = QString::fromUtf8("\xe3\x81\x82\n");
        QCOMPARE(EditorText::EditorPosition(text, 1), 0);
        QCOMPARE(EditorText::EditorPosition(text, 3), 1); // between CR and LF
        QCOMPARE(EditorText::EditorPosition(text, 99), 2);
    }

    void bodyConversion_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("storedBack");
        QTest::newRow("crlf") << QByteArray("a\r\nb") << "a\nb" << QByteArray("a\r\nb");
        QTest::newRow("lone-cr-and-lf") << QByteArray("a\rb\nc") << "a\nb\nc" << QByteArray("a\r\nb\r\nc");
        QTest::newRow("japanese") << QByteArray("\x82\xa0") << QString::fromUtf8("\xe3\x81\x82")
                                  << QByteArray("\x82\xa0");
    }
    void bodyConversion()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QFETCH(QByteArray, storedBack);
        QCOMPARE(EditorText::FromBody(body.toStdString()), text);
        QCOMPARE(QByteArray::fromStdString(EditorText::ToBody(text)), storedBack);
    }

    void unencodableCharacterBecomesReference()
    {
        QCOMPARE(EditorText::ToBody(QString::fromUtf8("x\xf0\x9f\x98\x80")), SjisString("x&#x1F600;"));
    }
};

QTEST_GUILESS_MAIN(TestHtmlColouring)
#include "tst_htmlcolouring.moc"
