// The generated HTML text, byte for byte: whole pages against golden files,
// then the head, the node walk and the footer piece by piece.
#include "OutlineBuilder.h"
#include "document/Page.h"
#include "document/TextCodec.h"
#include "publish/HtmlGenerator.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace {

const QDateTime ExampleTime(QDate(2001, 3, 7), QTime(14, 5, 9));

QByteArray Golden(const char* name)
{
    QFile file(QStringLiteral(TAV_TEST_DATA_DIR "/publish/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing golden file %s", name);
    return file.readAll();
}

QByteArray Sjis(const char* utf8)
{
    return QByteArray::fromStdString(TextCodec::Sjis(utf8));
}

// Expected texts write the fixed comments as {hide} and {footer}.
QByteArray Expand(QByteArray text)
{
    text.replace("{hide}", Sjis("<!-- INFO: ここから子ノードは Hide 設定です。-->\n"));
    text.replace("{footer}", Sjis("<!-- INFO: ページフッターです -->\n"));
    return text;
}

// The toggle anchor of node `index` in the capitalised or lower-case set.
QByteArray Anchor(int index, const char* name, bool lower = false)
{
    const QByteArray x = "X" + QByteArray::number(index);
    return (lower ? "<a href=\"JavaScript:\"" : "<A Href=\"JavaScript:\"") + QByteArray(" onClick=\"if( ") + x
        + ".style.display=='none' ) " + x + ".style.display=''; else " + x + ".style.display='none';\">" + name
        + "</A>";
}

QByteArray Hidden(int index, bool lower = false)
{
    return (lower ? "<div id=\"X" : "<Div ID=\"X") + QByteArray::number(index)
        + (lower ? "\" style=\"display:none\">" : "\" Style=\"display:none\">");
}

// The page of the documented example, before its outline.
void SetUpExamplePage(Page& page)
{
    page.Title = "T";
    page.CharacterSet = Charset::Iso2022Jp;
    page.EnableStyleSheet = true;
    page.StyleSheetFileName = "s.css";
    page.Category = "C";
    page.CategoryUrl = "u";
}

GeneratorOptions ExampleOptions(int tagCase = 0)
{
    GeneratorOptions o;
    o.Author = "A";
    o.Email = "m";
    o.SupportUrl = "su";
    o.Generator = true;
    o.DefaultTagCase = tagCase;
    o.DefaultFooterAction = 0;
    return o;
}

QByteArray Generate(const Page& page, const GeneratorOptions& options, const QDateTime& now = ExampleTime)
{
    return QByteArray::fromStdString(GeneratePageHtml(page, options, now));
}

// What lies between the page header (after the stamp line and the optional
// NoScript end) and the footer comment.
QByteArray OutlinePart(const QByteArray& html)
{
    qsizetype start = html.indexOf('\n', html.indexOf("Last Modified: ")) + 1;
    for (const char* end : {"</NoScript>\n", "</noscript>\n"})
        if (html.mid(start).startsWith(end))
            start += qsizetype(strlen(end));
    return html.mid(start, html.indexOf(Expand("{footer}")) - start);
}

QByteArray FooterPart(const QByteArray& html)
{
    return html.mid(html.indexOf(Expand("{footer}")));
}

} // namespace

class TestHtmlGenerator : public QObject {
    Q_OBJECT

private slots:
    void reproducesTheExamplePage()
    {
        Page page;
        SetUpExamplePage(page);
        BuildOutline(page, "0h N1\n1 N2=b\n0 N3");
        QCOMPARE(Generate(page, ExampleOptions()), Golden("example-capitalised.html"));
    }

    void reproducesLowerCasePageWithJavaScript()
    {
        Page page;
        page.Title = "a<b \"c\"";
        page.Doctype = "HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\"";
        page.CharacterSet = Charset::ShiftJis;
        page.EnableStyleSheet = true;
        page.StyleSheetFileName = "s.css";
        page.EnableJavaScript = true;
        page.JavaScriptFileName = "j.js";
        page.UserHeader = "<meta name=\"k\">\r\n";
        page.Category = "C";
        page.CategoryUrl = "u";
        BuildOutline(page, Sjis("0h 日本語=b0\\r\\nline2\n1 N1\n0h N2\n1 N3=b3"));
        GeneratorOptions options = ExampleOptions(1);
        options.Generator = false;
        options.DefaultFooterAction = 1;
        QCOMPARE(Generate(page, options, QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58))),
                 Golden("lowercase-javascript.html"));
    }

    void nodeWalk_data()
    {
        QTest::addColumn<int>("tagCase");
        QTest::addColumn<QByteArray>("outline");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("no-nodes") << 0 << QByteArray() << QByteArray();
        QTest::newRow("plain-body") << 0 << QByteArray("0 N=b") << QByteArray("<H2>N</H2>\n<Div>\nb\n</Div>\n");
        QTest::newRow("plain-empty-body") << 0 << QByteArray("0 N") << QByteArray("<H2>N</H2>\n");
        QTest::newRow("body-line-breaks-kept") << 0 << QByteArray("0 N=a\\r\\nb")
                                               << QByteArray("<H2>N</H2>\n<Div>\na\r\nb\n</Div>\n");
        QTest::newRow("levels-up-to-h7")
            << 0 << QByteArray("0 A\n1 B\n2 C\n3 D\n4 E\n5 F")
            << QByteArray("<H2>A</H2>\n<H3>B</H3>\n<H4>C</H4>\n<H5>D</H5>\n<H6>E</H6>\n<H7>F</H7>\n");
        QTest::newRow("unpublished-children-appear")
            << 0 << QByteArray("0- U=x\n1 C=c\n2 G") << QByteArray("<H3>C</H3>\n<Div>\nc\n</Div>\n<H4>G</H4>\n");
        QTest::newRow("hidden-body-children-visible")
            << 0 << QByteArray("0h H=b\n1 C")
            << "<H2>" + Anchor(0, "H") + "</H2>\n" + Hidden(0) + "\nb\n</Div>\n<H3>C</H3>\n";
        QTest::newRow("section-encloses-descendants")
            << 0 << QByteArray("0h S\n1 A\n2 B\n0 N")
            << "<H2>" + Anchor(0, "S") + "</H2>\n" + Hidden(0) + "{hide}<H3>A</H3>\n<H4>B</H4>\n</Div>\n<H2>N</H2>\n";
        QTest::newRow("section-closed-at-end")
            << 0 << QByteArray("0h S\n1 A") << "<H2>" + Anchor(0, "S") + "</H2>\n" + Hidden(0) + "{hide}<H3>A</H3>\n</Div>\n";
        QTest::newRow("section-closed-by-unpublished")
            << 0 << QByteArray("0h S\n1 A\n0- U=x")
            << "<H2>" + Anchor(0, "S") + "</H2>\n" + Hidden(0) + "{hide}<H3>A</H3>\n</Div>\n";
        QTest::newRow("section-closed-by-higher-level")
            << 0 << QByteArray("0 P\n1h S\n2 A\n0 Q")
            << "<H2>P</H2>\n<H3>" + Anchor(1, "S") + "</H3>\n" + Hidden(1) + "{hide}<H4>A</H4>\n</Div>\n<H2>Q</H2>\n";
        QTest::newRow("nested-sections")
            << 0 << QByteArray("0h O\n1 A\n2h I\n3 B\n1 C\n0 D")
            << "<H2>" + Anchor(0, "O") + "</H2>\n" + Hidden(0) + "{hide}<H3>A</H3>\n<H4>" + Anchor(2, "I") + "</H4>\n"
                   + Hidden(2) + "{hide}<H5>B</H5>\n</Div>\n<H3>C</H3>\n</Div>\n<H2>D</H2>\n";
        QTest::newRow("nested-sections-closed-at-end")
            << 0 << QByteArray("0h O\n1h I")
            << "<H2>" + Anchor(0, "O") + "</H2>\n" + Hidden(0) + "{hide}<H3>" + Anchor(1, "I") + "</H3>\n" + Hidden(1)
                   + "{hide}</Div>\n</Div>\n";
        QTest::newRow("indices-count-unpublished")
            << 0 << QByteArray("0- U\n0h H=b") << "<H2>" + Anchor(1, "H") + "</H2>\n" + Hidden(1) + "\nb\n</Div>\n";
        QTest::newRow("unpublished-hidden-opens-nothing") << 0 << QByteArray("0-h U\n1 C") << QByteArray("<H3>C</H3>\n");
        QTest::newRow("name-and-body-unescaped")
            << 0 << QByteArray("0 a<b>&\"=<p>x</p>") << QByteArray("<H2>a<b>&\"</H2>\n<Div>\n<p>x</p>\n</Div>\n");
        QTest::newRow("lower-plain") << 1 << QByteArray("0 N=b\n1 M") << QByteArray("<h2>N</h2>\n<div>\nb\n</div>\n<h3>M</h3>\n");
        QTest::newRow("lower-hidden-body")
            << 1 << QByteArray("0h H=b") << "<h2>" + Anchor(0, "H", true) + "</h2>\n" + Hidden(0, true) + "\nb\n</div>\n";
        QTest::newRow("lower-section")
            << 1 << QByteArray("0h S\n1 A")
            << "<h2>" + Anchor(0, "S", true) + "</h2>\n" + Hidden(0, true) + "{hide}<h3>A</h3>\n</div>\n";
    }
    void nodeWalk()
    {
        QFETCH(int, tagCase);
        QFETCH(QByteArray, outline);
        QFETCH(QByteArray, expected);
        Page page;
        SetUpExamplePage(page);
        BuildOutline(page, outline);
        QCOMPARE(OutlinePart(Generate(page, ExampleOptions(tagCase))), Expand(expected));
    }

    // Every Div the walk opens is closed, in order, whatever the outline.
    void sectionsAlwaysBalance()
    {
        QRandomGenerator random(20010307);
        for (int round = 0; round < 200; ++round) {
            QByteArray outline;
            int level = 0;
            for (int i = 0, n = random.bounded(1, 30); i < n; ++i) {
                level = i == 0 ? 0 : random.bounded(0, level + 2);
                const char* flags[] = {"", "h", "-", "-h"};
                outline += QByteArray::number(level) + flags[random.bounded(4)] + " n"
                    + (random.bounded(2) ? "=b\n" : "\n");
            }
            Page page;
            BuildOutline(page, outline);
            const QByteArray part = OutlinePart(Generate(page, ExampleOptions()));
            int depth = 0;
            for (qsizetype at = 0; (at = part.indexOf("Div", at)) >= 0; at += 3) {
                depth += part.at(at - 1) == '/' ? -1 : 1;
                QVERIFY2(depth >= 0, outline.constData());
            }
            QVERIFY2(depth == 0, outline.constData());
        }
    }

    void head_data()
    {
        QTest::addColumn<int>("tagCase");
        QTest::addColumn<int>("charset");
        QTest::addColumn<bool>("generator");
        QTest::addColumn<bool>("styleSheet");
        QTest::addColumn<bool>("javaScript");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("euc-plain") << 0 << int(Charset::EucJp) << false << false << false
                                   << QByteArray("<Html>\n<Head>\n"
                                                 "<Meta HTTP-EQUIV=\"content-type\" Content=\"text/html; charset=euc-jp\">\n"
                                                 "<Meta Name=\"Author\" Content=\"A\">\n<Title>T</Title>\n");
        QTest::newRow("sjis-script-only")
            << 0 << int(Charset::ShiftJis) << true << false << true
            << "<Html>\n<Head>\n<Meta HTTP-EQUIV=\"content-type\" Content=\"text/html; charset=Shift_JIS\">\n"
               "<Meta Name=\"Author\" Content=\"A\">\n<Meta Name=\"Generator\" Content=\"Tav Outliner 1.8\">\n"
               "<Title>T</Title>\n" + Sjis("<!-- INFO: 共有ライブラリ -->\n")
                + "<Script Language=\"JavaScript\" Src=\"j.js\"></Script>\n";
        QTest::newRow("lower-jis-both")
            << 1 << int(Charset::Iso2022Jp) << true << true << true
            << "<html>\n<head>\n<meta http-equiv=\"content-type\" content=\"text/html; charset=iso-2022-jp\">\n"
               "<meta name=\"Author\" content=\"A\">\n<meta name=\"Generator\" content=\"Tav Outliner 1.8\">\n"
               "<title>T</title>\n" + Sjis("<!-- INFO: 共有ライブラリ -->\n")
                + "<link Href=\"s.css\" rel=\"StyleSheet\" type=\"text/css\">\n"
                  "<script language=\"JavaScript\" src=\"j.js\"></script>\n";
        QTest::newRow("lower-euc") << 1 << int(Charset::EucJp) << false << false << false
                                   << QByteArray("<html>\n<head>\n"
                                                 "<meta http-equiv=\"content-type\" content=\"text/html; charset=euc-jp\">\n"
                                                 "<meta name=\"Author\" content=\"A\">\n<title>T</title>\n");
    }
    void head()
    {
        QFETCH(int, tagCase);
        QFETCH(int, charset);
        QFETCH(bool, generator);
        QFETCH(bool, styleSheet);
        QFETCH(bool, javaScript);
        QFETCH(QByteArray, expected);
        Page page;
        page.Title = "T";
        page.CharacterSet = Charset(charset);
        page.EnableStyleSheet = styleSheet;
        page.StyleSheetFileName = "s.css";
        page.EnableJavaScript = javaScript;
        page.JavaScriptFileName = "j.js";
        GeneratorOptions options = ExampleOptions(tagCase);
        options.Generator = generator;
        const QByteArray html = Generate(page, options);
        const QByteArray doctype = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">\n";
        QVERIFY(html.startsWith(doctype));
        QCOMPARE(html.mid(doctype.size(), html.indexOf(Sjis("<!-- INFO: ユーザ定義")) - doctype.size()), expected);
        QCOMPARE(html.contains("NoScript") || html.contains("noscript") || html.contains("Header("), javaScript);
    }

    void emptyValuesStillWriteTheirElements()
    {
        Page page;
        GeneratorOptions options = ExampleOptions();
        options.Author.clear();
        const QByteArray html = Generate(page, options);
        QVERIFY(html.contains("<Meta Name=\"Author\" Content=\"\">\n<Meta Name=\"Generator\""));
        QVERIFY(html.contains("<Title></Title>\n"));
        QVERIFY(html.contains("<H1></H1>\n"));
    }

    void pageHeaderWithJavaScript()
    {
        Page page;
        SetUpExamplePage(page);
        page.EnableJavaScript = true;
        page.UserHeader = "<x>";
        const QByteArray html = Generate(page, ExampleOptions());
        const QByteArray expected = Sjis("<!-- INFO: ユーザ定義ヘッダーです -->\n<x>\n</Head>\n\n<Body Lang=\"ja\">\n"
                                         "<!-- INFO: ページヘッダーです -->\n")
            + "<Script>Header( \"T\" )</Script>\n<NoScript>\n<H1>T</H1>\n<HR>\n"
              "<Div Class=\"LastModified\">Last Modified: 03/07/2001 14:05:09</Div>\n</NoScript>\n"
            + Expand("{footer}");
        QVERIFY2(html.contains(expected), html.constData());
    }

    void footer_data()
    {
        QTest::addColumn<int>("tagCase");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("javaScript");
        QTest::addColumn<QByteArray>("defaultFooter");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray capsCopyright = "<HR><Div Class=\"Footer\">&#34;<A Href=\"u\">C</A>&#34;, "
                                         "Copyright &#169;2001 A, All Rights Reserved.</Div>\n";
        const QByteArray lowerCopyright = "<hr><div class=\"Footer\">&#34;<a href=\"u\">C</a>&#34;, "
                                          "Copyright &#169;2001 A, All Rights Reserved.</div>\n";
        const QByteArray capsCall = "<Script>Footer( \"u\", \"C\", \"A\", \"m\", \"su\" )</Script>\n<NoScript>\n";
        const QByteArray lowerCall = "<script>Footer( \"u\", \"C\", \"A\", \"m\", \"su\" )</script>\n<noscript>\n";
        const QByteArray capsTail = "\n</Body>\n</Html>";
        const QByteArray lowerTail = "\n</body>\n</html>";

        QTest::newRow("caps-corrections-javascript")
            << 0 << 0 << true << QByteArray()
            << capsCall + capsCopyright
                   + "<Div Class=\"Footer\">Requests for Corrections to <A Href=\"mailto:m\">A</A>.</Div>\n</NoScript>\n"
                   + capsTail;
        QTest::newRow("caps-author-support")
            << 0 << 1 << false << QByteArray()
            << capsCopyright
                   + "<Div Class=\"Footer\">Author: <A Href=\"mailto:m\">A</A>, Requests for Corrections to "
                     "<A Href=\"su\">Support</A>.</Div>\n"
                   + capsTail;
        QTest::newRow("lower-corrections")
            << 1 << 0 << false << QByteArray()
            << lowerCopyright
                   + "<div class=\"Footer\">Requests for Corrections to <a href=\"mailto:m\">A</A>.</div>\n" + lowerTail;
        QTest::newRow("lower-author-support-javascript")
            << 1 << 1 << true << QByteArray()
            << lowerCall + lowerCopyright
                   + "<div class=\"Footer\">Author: <a href=\"mailto:m\">A</a>, Requests for Corrections to "
                     "<a href=\"su\">Support</a>.</div>\n</noscript>\n"
                   + lowerTail;
        QTest::newRow("own-footer-verbatim") << 0 << 2 << false << QByteArray("<p>f</p>") << "<p>f</p>" + capsTail;
        QTest::newRow("own-footer-javascript")
            << 1 << 2 << true << QByteArray("<p>f</p>\r\n") << lowerCall + "<p>f</p>\r\n</noscript>\n" + lowerTail;
        QTest::newRow("own-footer-empty-javascript") << 0 << 2 << true << QByteArray()
                                                     << capsCall + "</NoScript>\n" + capsTail;
        QTest::newRow("unknown-action") << 0 << 3 << false << QByteArray("<p>f</p>") << capsTail;
        QTest::newRow("unknown-action-javascript") << 0 << -1 << true << QByteArray()
                                                   << capsCall + "</NoScript>\n" + capsTail;
    }
    void footer()
    {
        QFETCH(int, tagCase);
        QFETCH(int, action);
        QFETCH(bool, javaScript);
        QFETCH(QByteArray, defaultFooter);
        QFETCH(QByteArray, expected);
        Page page;
        SetUpExamplePage(page);
        page.EnableJavaScript = javaScript;
        BuildOutline(page, "0 N=b");
        GeneratorOptions options = ExampleOptions(tagCase);
        options.DefaultFooterAction = action;
        options.DefaultFooter = defaultFooter.toStdString();
        QCOMPARE(FooterPart(Generate(page, options)), Expand("{footer}" + expected));
    }

    void clock_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QByteArray>("stamp");
        QTest::addColumn<QByteArray>("year");
        QTest::newRow("padded") << QDateTime(QDate(2009, 1, 2), QTime(3, 4, 5)) << QByteArray("01/02/2009 03:04:05")
                                << QByteArray("2009");
        QTest::newRow("midnight") << QDateTime(QDate(2030, 12, 31), QTime(0, 0, 0))
                                  << QByteArray("12/31/2030 00:00:00") << QByteArray("2030");
        QTest::newRow("24-hour") << QDateTime(QDate(1999, 10, 11), QTime(23, 59, 59))
                                 << QByteArray("10/11/1999 23:59:59") << QByteArray("1999");
    }
    void clock()
    {
        QFETCH(QDateTime, now);
        QFETCH(QByteArray, stamp);
        QFETCH(QByteArray, year);
        Page page;
        SetUpExamplePage(page);
        const QByteArray html = Generate(page, ExampleOptions(), now);
        QVERIFY(html.contains("Last Modified: " + stamp + "</Div>\n"));
        QVERIFY(html.contains("Copyright &#169;" + year + " A,"));
    }

    void doctypeOnly_data()
    {
        QTest::addColumn<int>("tagCase");
        QTest::addColumn<QByteArray>("doctype");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tag-case-2") << 2 << QByteArray() << QByteArray("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">\n");
        QTest::newRow("tag-case-negative") << -1 << QByteArray("html") << QByteArray("<!DOCTYPE html>\n");
    }
    void doctypeOnly()
    {
        QFETCH(int, tagCase);
        QFETCH(QByteArray, doctype);
        QFETCH(QByteArray, expected);
        Page page;
        SetUpExamplePage(page);
        page.Doctype = doctype.toStdString();
        BuildOutline(page, "0h N=b");
        QCOMPARE(Generate(page, ExampleOptions(tagCase)), expected);
    }
};

QTEST_GUILESS_MAIN(TestHtmlGenerator)
#include "tst_htmlgenerator.moc"
