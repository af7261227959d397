// The bundled sample page does what its text says: published by the real
// tavpub and shown in headless Chromium, its hidden sections, headings and
// converted characters are checked against the claims the page makes.
#include "common/HeadlessChromium.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString SampleFolder = QStringLiteral(TAV_SOURCE_DIR "/resources/sample/");

// Lists every heading, paragraph and list item as "<states>|<tag>|<text>",
// the states being S (shown) or H (hidden) on loading, after clicking every
// toggle anchor once, and after clicking them all again.
const char ProbeScript[] = R"(<script>
window.addEventListener('load', function () {
  var items = Array.prototype.slice.call(document.querySelectorAll('h2,h3,h4,h5,h6,p,li'));
  var states = items.map(function () { return ''; });
  function look() {
    items.forEach(function (e, i) { states[i] += e.getClientRects().length > 0 ? 'S' : 'H'; });
  }
  function clickAll() {
    Array.prototype.forEach.call(document.querySelectorAll('a[onclick]'), function (a) { a.click(); });
  }
  look(); clickAll(); look(); clickAll(); look();
  // No backslash here: this script follows the page's text and so shares
  // the one-byte mode the page ends in.
  var blanks = new RegExp('[' + String.fromCharCode(9, 10, 13, 32) + ']+', 'g');
  var pre = document.createElement('pre');
  pre.id = 'probe';
  pre.textContent = items.map(function (e, i) {
    return states[i] + '|' + e.tagName.toLowerCase() + '|' + e.textContent.replace(blanks, ' ');
  }).join(String.fromCharCode(10));
  document.body.appendChild(pre);
});
</script>
)";

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSampleInBrowser : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QStringList lines_; // the probe's lines for the published sample

    QByteArray tavpub(const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("983973909"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TAVPUB_PATH), args);
        if (!process.waitForFinished(30000) || process.exitCode() != 0)
            qFatal("tavpub %s failed: %s", qPrintable(args.join(' ')), process.readAllStandardError().constData());
        return process.readAllStandardOutput();
    }

private slots:
    void initTestCase()
    {
        const QString chromium = ChromiumPath();
        if (chromium.isEmpty())
            QSKIP("chromium is not installed");
        const QString file = dir_.filePath(QStringLiteral("sample.html"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(tavpub({QStringLiteral("publish"), QStringLiteral("--stdout"), SampleFolder + "sample.data"}));
        out.write(ProbeScript);
        out.close();

        const ChromiumProbe probe = RunChromiumProbe(chromium, file, dir_.filePath(QStringLiteral("profile")));
        QVERIFY2(probe.ok, qPrintable(probe.error));
        const QString& text = probe.text;
        lines_ = text.split(QLatin1Char('\n'));
    }

    // The shipped page file is the one its JSON makes.
    void pageFileIsItsJson()
    {
        const QString data = dir_.filePath(QStringLiteral("imported.data"));
        tavpub({QStringLiteral("import"), SampleFolder + "sample.json", data});
        QCOMPARE(ReadFile(data), ReadFile(SampleFolder + "sample.data"));
    }

    void claimsHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown"); // "<states>|<tag>", empty when the text must not appear
        QTest::newRow("top-level-is-h2") << "はじめに" << "SSS|h2";
        QTest::newRow("third-level-is-h4") << "三段目の見出し" << "SSS|h4";
        QTest::newRow("hidden-node-with-body-heading") << "隠しておくセクション" << "SSS|h2";
        QTest::newRow("hidden-node-with-body-body") << "隠れるのはこの本文だけです" << "HSH|p";
        QTest::newRow("its-child-stays-visible") << "隠れない子ノード" << "SSS|h3";
        QTest::newRow("its-child-body") << "その子ノードは隠れずに表示されます" << "SSS|p";
        QTest::newRow("hidden-empty-node-heading") << "まとめて隠すセクション" << "SSS|h2";
        QTest::newRow("its-child-hides") << "一緒に隠れる子ノード" << "HSH|h3";
        QTest::newRow("its-child-body-hides") << "子ノードも一緒に隠れます" << "HSH|li";
        QTest::newRow("its-grandchild-hides") << "孫ノード" << "HSH|h4";
        QTest::newRow("unpublished-node-absent") << "下書き" << "";
        QTest::newRow("unpublished-body-absent") << "メモ書きに便利です" << "";
        QTest::newRow("half-width-made-full-width") << "ここに書いた半角カタカナは全角" << "SSS|p";
        QTest::newRow("no-half-width-left") << "ｶﾀｶﾅ" << "";
    }
    void claimsHold()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        const QStringList found = lines_.filter(text);
        if (shown.isEmpty()) {
            QCOMPARE(found, QStringList());
            return;
        }
        QVERIFY2(!found.isEmpty(), qPrintable(lines_.join('\n')));
        QVERIFY2(found.first().startsWith(shown + "|"), qPrintable(found.first()));
    }
};

QTEST_GUILESS_MAIN(TestSampleInBrowser)
#include "tst_sample_browser.moc"
