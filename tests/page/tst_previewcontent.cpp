// The preview's bytes: the HTML file's own bytes plus, in this copy only, a
// scroll target in each published heading;
// and the builder that makes them off the GUI thread, newest request only.
#include "common/OutlineShape.h"
#include "document/TextCodec.h"
#include "page/PageDocument.h"
#include "page/PreviewBuilder.h"
#include "page/SaveRoad.h"
#include "publish/HtmlWriter.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Generous = 30000; // ms; a loaded two-core machine

const QDateTime Now(QDate(2001, 3, 7), QTime(14, 5, 9));

// Flags by name: "-a" leaves a unpublished, "~a" hides it.
void Mark(Page& page, const QStringList& flags)
{
    for (const QString& flag : flags) {
        TRecord& record = Find(page, flag.mid(1))->record();
        if (flag.startsWith(u'-'))
            record.Publish = false;
        else
            record.Hide = true;
    }
}

PreviewPage Preview(const Page& page, const Settings& settings)
{
    return MakePreviewPage({ImageOfPage(page), settings.generatorOptions(), Now});
}

// Bytes as Latin-1 text: lossless, and the additions are ASCII.
QString Text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

const QRegularExpression AnchorPattern(QStringLiteral("<span id=\"tav-node-\\d+\"></span>"));

} // namespace

class TestPreviewContent : public QObject {
    Q_OBJECT
private slots:
    void anchorsSitInPublishedHeadings_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<int>("tagCase");
        QTest::addColumn<QString>("headings"); // index:level:name of each anchored heading
        QTest::addColumn<QString>("targets");  // where selecting each node scrolls to
        QTest::newRow("flat") << "a b c" << QStringList() << 0 << "0:2:a 1:2:b 2:2:c" << "0 1 2";
        QTest::newRow("unpublished parent counts") << "a(b(c)) d" << QStringList{"-a"} << 0 << "1:3:b 2:4:c 3:2:d"
                                                   << "- 1 2 3";
        QTest::newRow("unpublished: the heading before") << "a b(c) d" << QStringList{"-b"} << 0 << "0:2:a 2:3:c 3:2:d"
                                                         << "0 0 2 3";
        QTest::newRow("toggle heading, lower case") << "a(b) c" << QStringList{"~a"} << 1 << "0:2:a 1:3:b 2:2:c"
                                                    << "0 1 2";
        QTest::newRow("no nodes") << "" << QStringList() << 0 << "" << "";
    }
    void anchorsSitInPublishedHeadings()
    {
        QFETCH(QString, shape);
        QFETCH(QStringList, flags);
        QFETCH(int, tagCase);
        Page page;
        BuildOutline(page, shape);
        Mark(page, flags);
        Settings settings;
        settings.DefaultTagCase = tagCase;
        const QString html = Text(Preview(page, settings).bytes);
        // Right after the heading's start tag, or inside the toggle link.
        const QRegularExpression heading(QStringLiteral("<H(\\d)>(?:<A [^>]*>)?<span id=\"tav-node-(\\d+)\"></span>([^<]*)</"),
                                         QRegularExpression::CaseInsensitiveOption);
        QStringList found;
        for (const auto& m : heading.globalMatch(html))
            found << m.captured(2) + u':' + m.captured(1) + u':' + m.captured(3);
        QFETCH(QString, headings);
        QCOMPARE(found.join(u' '), headings);
        QCOMPARE(html.count(AnchorPattern), found.size());
        QStringList scrolls;
        for (const Node* node : page.NodesInDocumentOrder()) {
            const QString id = PreviewAnchorIdOf(page, node);
            scrolls << (id.isEmpty() ? QStringLiteral("-") : id.mid(QStringLiteral("tav-node-").size()));
        }
        QFETCH(QString, targets);
        QCOMPARE(scrolls.join(u' '), targets);
    }

    void previewDiffersFromTheSavedFileOnlyByItsAdditions_data()
    {
        QTest::addColumn<int>("charset");
        QTest::addColumn<int>("tagCase");
        QTest::addColumn<bool>("scripts");
        QTest::addColumn<QString>("charsetName");
        QTest::newRow("iso-2022-jp") << int(Charset::Iso2022Jp) << 0 << false << "iso-2022-jp";
        QTest::newRow("Shift_JIS, scripts") << int(Charset::ShiftJis) << 0 << true << "Shift_JIS";
        QTest::newRow("EUC-JP, lower case") << int(Charset::EucJp) << 1 << true << "EUC-JP";
        QTest::newRow("doctype only") << int(Charset::Iso2022Jp) << 2 << false << "iso-2022-jp";
    }
    void previewDiffersFromTheSavedFileOnlyByItsAdditions()
    {
        QFETCH(int, charset);
        QFETCH(int, tagCase);
        QFETCH(bool, scripts);
        QTemporaryDir folder;
        Page page;
        BuildOutline(page, QStringLiteral("a(b(c) d) e"));
        Mark(page, {QStringLiteral("-b"), QStringLiteral("~a")});
        Find(page, QStringLiteral("c"))->record().Body = TextCodec::Sjis("<p>日本語の本文</p>\r\n<img src=\"p.png\">");
        page.RenameNode(Find(page, QStringLiteral("e")), TextCodec::Sjis("見出し"));
        page.CharacterSet = Charset(charset);
        page.EnableJavaScript = page.EnableStyleSheet = scripts;
        page.StyleSheetFileName = "s.css";
        page.FileName = TextCodec::Sjis(QDir(folder.path()).filePath(QStringLiteral("p.html")).toUtf8().constData());
        Settings settings;
        settings.DefaultTagCase = tagCase;

        const PreviewPage preview = Preview(page, settings);
        QVERIFY(SavePageFiles(page, settings, {false, nullptr, Now}).ok());
        QFile saved(TextCodec::NativePath(page.FileName));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray file = saved.readAll();
        QCOMPARE(file, QByteArray::fromStdString(HtmlFileBytes(GeneratePageHtml(page, settings.generatorOptions(), Now),
                                                               page.CharacterSet)));
        QString stripped = Text(preview.bytes);
        const bool hasHead = tagCase != 2;
        QCOMPARE(stripped.count(AnchorPattern), hasHead ? 4 : 0);
        stripped.remove(AnchorPattern);
        QCOMPARE(stripped.toLatin1(), file);
        QFETCH(QString, charsetName);
        QCOMPARE(preview.charsetName, charsetName);
    }

    void sixteenMegabytePageGenerates()
    {
        Page page;
        const SjisString body = TextCodec::Sjis(QStringLiteral("<p>本文%1</p>\r\n").arg(QString(1000, u'字')).toUtf8().constData());
        const int nodes = int(16 * 1024 * 1024 / body.size()) + 1;
        for (int i = 0; i < nodes; ++i)
            page.AddSiblingNodeAfter(nullptr)->record().Body = body;
        const QByteArray bytes = Preview(page, Settings()).bytes;
        QVERIFY(bytes.size() > 16 * 1024 * 1024);
        QVERIFY(bytes.endsWith("</Html>\r\n"));
        QVERIFY(bytes.contains(PreviewAnchorId(nodes - 1).toLatin1()));
    }

    // Many requests in a burst bring one result, the last; touches wait for
    // the pause, and an inactive builder ignores them.
    void builderBringsOnlyTheNewest()
    {
        PageDocument document;
        BuildOutline(document.page(), QStringLiteral("a b c"));
        Node* typedInto = Find(document.page(), QStringLiteral("b"));
        // Large enough that the worker finishes some of the burst's builds.
        for (int i = 0; i < 3000; ++i)
            document.page().AddSiblingNodeAfter(nullptr)->record().Body = std::string(300, 'x');
        Settings settings;
        PreviewBuilder builder(document, settings);
        builder.SetDelay(20);
        SjisString typing;
        builder.SetLiveBody([&] { return std::optional<PageRecovery::LiveBody>({typedInto, typing, 0, 0}); });
        QSignalSpy ready(&builder, &PreviewBuilder::ready);

        int last = 0;
        for (int i = 0; i < 30; ++i) {
            typing = "typed " + std::to_string(i);
            last = builder.BuildNow();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty() && ready.last()[2].toInt() == last, Generous);
        QCOMPARE(ready.size(), 1);
        QVERIFY(ready[0][0].toByteArray().contains("typed 29"));
        QVERIFY(typedInto->record().Body.empty()); // the typing stays the editor's

        ready.clear();
        for (int i = 0; i < 5; ++i)
            builder.Touch();
        QTRY_VERIFY_WITH_TIMEOUT(!ready.isEmpty(), Generous);
        QCOMPARE(ready[0][2].toInt(), last + 1);
        builder.SetActive(false);
        builder.Touch();
        QCOMPARE(builder.BuildNow(), last + 2); // the touch made no request
    }
};

QTEST_GUILESS_MAIN(TestPreviewContent)
#include "tst_previewcontent.moc"
