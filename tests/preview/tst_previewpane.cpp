// The preview pane on a real X server: what a browser shows of the generated
// page (its character set, its style sheet beside the output file, its
// hidden sections), links that leave for the desktop's browser, and the
// window's item that shows the pane and keeps it following the page.
#include "app/TformMain.h"
#include "document/TextCodec.h"
#include "page/PageDocument.h"
#include "preview/PreviewPane.h"
#include "publish/HtmlGenerator.h"
#include "publish/HtmlWriter.h"

#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

namespace {

// The script's value, once the page has run it.
QVariant Eval(PreviewPane& pane, const QString& script)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    pane.view()->page()->runJavaScript(script, [result](const QVariant& v) { *result = v; });
    (void)QTest::qWaitFor([&] { return result->has_value(); }, 20000); // a missing answer fails the comparison
    return result->value_or(QStringLiteral("(no answer)"));
}

// A page with a plain node, a hidden one and a link, its output file in `folder`.
void FillPage(Page& page, const QString& folder, Charset charset, const char* firstBody)
{
    page.ResetPage({});
    page.CharacterSet = charset;
    page.FileName = TextCodec::FromUnicodeWithReferences(folder + "/out.html");
    page.EnableStyleSheet = true;
    page.StyleSheetFileName = "style.css";
    page.EnableJavaScript = false;
    const struct {
        const char* name;
        const char* body;
        bool hide;
    } nodes[] = {
        {"first", firstBody, false},
        {"secret", "\x89\x42\x82\xea\x82\xbd\x96\x7b\x95\xb6", true}, // 隠れた本文
        {"links", "<a id=\"out\" href=\"https://example.org/elsewhere\">out</a> <a id=\"blank\" target=\"_blank\" href=\"https://example.org/new\">new</a><div style=\"height:5000px\"></div>", false},
    };
    for (const auto& n : nodes) {
        Node* node = page.AddChildNode(nullptr);
        page.RenameNode(node, n.name);
        node->record().Body = n.body;
        node->record().Hide = n.hide;
    }
}

QByteArray FileBytes(const Page& page)
{
    return QByteArray::fromStdString(HtmlFileBytes(GeneratePageHtml(page, {}, QDateTime::currentDateTime()), page.CharacterSet));
}

void WriteStyleSheet(const QString& folder)
{
    QFile css(folder + "/style.css");
    QVERIFY(css.open(QIODevice::WriteOnly));
    css.write("body { color: rgb(1, 2, 3); }\n");
}

const char* const Honbun = "\x96\x7b\x95\xb6\x82\xc5\x82\xb7"; // 本文です

} // namespace

class TestPreviewPane : public QObject {
    Q_OBJECT

private slots:
    void showsThePageAsABrowserWould_data()
    {
        QTest::addColumn<Charset>("charset");
        QTest::newRow("iso-2022-jp") << Charset::Iso2022Jp;
        QTest::newRow("shift_jis") << Charset::ShiftJis;
        QTest::newRow("euc-jp") << Charset::EucJp;
    }
    void showsThePageAsABrowserWould()
    {
        QFETCH(Charset, charset);
        QTemporaryDir dir;
        WriteStyleSheet(dir.path());
        Page page;
        FillPage(page, dir.path(), charset, Honbun);
        PreviewPane pane;
        pane.resize(600, 400);
        pane.show();
        QSignalSpy shown(&pane, &PreviewPane::pageShown);
        const QUrl base = QUrl::fromLocalFile(dir.path() + "/out.html");
        pane.showPage(FileBytes(page), QString::fromLatin1(CharsetName(charset).data()), base);
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 20000);
        QCOMPARE(shown.first().first().toBool(), true);

        QVERIFY(Eval(pane, "document.body.innerText").toString().contains(QString::fromUtf8("本文です")));
        QCOMPARE(Eval(pane, "getComputedStyle(document.body).color").toString(), QStringLiteral("rgb(1, 2, 3)"));
        // The hidden section's own script opens and closes it.
        const QUrl shownUrl = pane.view()->page()->url();
        const QString display = "getComputedStyle(document.querySelector('div[id^=X]')).display";
        QCOMPARE(Eval(pane, display).toString(), QStringLiteral("none"));
        Eval(pane, "document.querySelector('a[onclick]').click()");
        QCOMPARE(Eval(pane, display).toString(), QStringLiteral("block"));
        Eval(pane, "document.querySelector('a[onclick]').click()");
        QCOMPARE(Eval(pane, display).toString(), QStringLiteral("none"));
        QCOMPARE(pane.view()->page()->url(), shownUrl);
    }

    void linksLeaveForTheBrowserAndReloadsKeepTheScroll()
    {
        QTemporaryDir dir;
        Page page;
        FillPage(page, dir.path(), Charset::ShiftJis, Honbun);
        PreviewPane pane;
        QList<QUrl> opened;
        pane.setLinkOpener([&opened](const QUrl& url) { opened << url; });
        pane.resize(600, 400);
        pane.show();
        QSignalSpy shown(&pane, &PreviewPane::pageShown);
        const QUrl base = QUrl::fromLocalFile(dir.path() + "/out.html");
        pane.showPage(FileBytes(page), "Shift_JIS", base);
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 20000);
        Eval(pane, "window.scrollTo(0, 700)");
        QTRY_COMPARE(pane.view()->page()->scrollPosition().y(), 700.0);

        const QUrl shownUrl = pane.view()->page()->url();
        Eval(pane, "document.getElementById('out').click()");
        QTRY_COMPARE(opened, QList<QUrl>{QUrl("https://example.org/elsewhere")});
        Eval(pane, "document.getElementById('blank').click()");
        QTRY_COMPARE(opened.size(), 2);
        QCOMPARE(opened.last(), QUrl("https://example.org/new"));
        QCOMPARE(pane.view()->page()->url(), shownUrl);
        QCOMPARE(Eval(pane, "window.scrollY").toInt(), 700);

        // Pages given while one loads: only the newest follows it.
        for (const char* text : {"changed", "skipped", "newest"}) {
            FillPage(page, dir.path(), Charset::ShiftJis, text);
            pane.showPage(FileBytes(page), "Shift_JIS", base);
        }
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 3, 20000);
        QVERIFY(Eval(pane, "document.body.innerText").toString().contains("newest"));
        QCOMPARE(Eval(pane, "window.scrollY").toInt(), 700);
        // None was given up half-way.
        for (const QList<QVariant>& arguments : shown)
            QVERIFY(arguments.first().toBool());
    }

    // Larger than what a page can be handed to the engine in one piece.
    void largePagesPreviewWithTheirStyleSheet()
    {
        QTemporaryDir dir;
        WriteStyleSheet(dir.path());
        Page page;
        std::string body;
        for (int i = 0; body.size() < 3'000'000; ++i)
            body += "<p>line " + std::to_string(i) + "</p>\r\n";
        FillPage(page, dir.path(), Charset::EucJp, body.c_str());
        PreviewPane pane;
        pane.show();
        QSignalSpy shown(&pane, &PreviewPane::pageShown);
        pane.showPage(FileBytes(page), "EUC-JP", QUrl::fromLocalFile(dir.path() + "/out.html"));
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, 30000);
        QCOMPARE(shown.first().first().toBool(), true);
        // The end of the page, after the large body, arrived and was decoded.
        QVERIFY(Eval(pane, "document.body.textContent").toString().contains(QString::fromUtf8("隠れた本文")));
        QCOMPARE(Eval(pane, "getComputedStyle(document.body).color").toString(), QStringLiteral("rgb(1, 2, 3)"));
    }

    void windowItemShowsThePaneThatFollowsThePage()
    {
        QTemporaryDir dir;
        PageDocument document;
        Settings settings;
        settings.StartFolder = TextCodec::FromUnicodeWithReferences(dir.path() + "/");
        FillPage(document.page(), dir.path(), Charset::Iso2022Jp, Honbun);
        TformMain window(document, settings);
        window.resize(900, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* item = window.findChild<QAction*>("MainMenu_TW");
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(Qt::Key_F12));
        QVERIFY(!window.previewPane()); // no browser engine until it is asked for

        item->trigger();
        PreviewPane* pane = window.previewPane();
        QVERIFY(pane && pane->isVisible());
        QVERIFY(settings.Preview);
        QTRY_VERIFY_WITH_TIMEOUT(Eval(*pane, "document.body.innerText").toString().contains(QString::fromUtf8("本文です")), 20000);

        // A change of the page shows without a save.
        document.SetBody(document.page().NodesInDocumentOrder().front(), "typed anew", 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(Eval(*pane, "document.body.innerText").toString().contains("typed anew"), 20000);
        QVERIFY(!QFile::exists(dir.path() + "/out.html"));

        item->trigger();
        QVERIFY(!pane->isVisible());
        QVERIFY(!settings.Preview);
    }
};

QTEST_MAIN(TestPreviewPane)
#include "tst_previewpane.moc"
