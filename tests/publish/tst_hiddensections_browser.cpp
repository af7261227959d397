// A generated page in a real browser: the toggle anchors open and close
// their sections, a section opened by a hidden empty node holds the node's
// descendants, and a "~" and a "\" after Japanese text reach the browser as
// they are in every character set. A script appended to a copy of the page
// clicks the anchors and writes what it saw into the DOM, which headless
// Chromium dumps.
#include "common/HeadlessChromium.h"
#include "OutlineBuilder.h"
#include "publish/HtmlGenerator.h"
#include "publish/HtmlWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Nodes: 0 S (hidden, empty) > 1 A > 2 B; 3 H (hidden, body) > 4 C; 5 N.
// Each heading's text is its name; the script finds headings by text. N's
// body is Japanese text followed by a link and a Windows path.
const char Outline[] = "0h S\n1 A=a\n2 B=b\n0h H=body of H\n1 C=c\n"
                       "0 N=\x93\xfa\x96\x7b<a id=\"home\" href=\"/~user/\">home</a><code id=\"path\">C:\\tmp</code>";
const char ProbeScript[] = R"(<script>
window.addEventListener('load', function () {
  var out = [];
  function heading(name) {
    return Array.prototype.find.call(document.querySelectorAll('h2,h3,h4'),
                                     function (h) { return h.textContent === name; });
  }
  function seen(name) { return heading(name).getClientRects().length > 0 ? 'shown' : 'hidden'; }
  function state(id) { return document.getElementById(id).getClientRects().length > 0 ? 'shown' : 'hidden'; }
  var anchors = document.querySelectorAll('a[onclick]');
  var x0 = document.getElementById('X0');
  out.push('anchors=' + anchors.length);
  out.push('X0-holds-A-B=' + (x0.contains(heading('A')) && x0.contains(heading('B'))));
  out.push('X0-holds-H=' + x0.contains(heading('H')));
  out.push('start:X0=' + state('X0') + ',B=' + seen('B') + ',X3=' + state('X3') + ',C=' + seen('C'));
  anchors[0].click();
  out.push('open:X0=' + state('X0') + ',B=' + seen('B') + ',X3=' + state('X3'));
  anchors[1].click();
  out.push('both:X3=' + state('X3') + ',C=' + seen('C'));
  anchors[0].click();
  out.push('closed:X0=' + state('X0') + ',A=' + seen('A') + ',N=' + seen('N'));
  out.push('link=' + document.getElementById('home').getAttribute('href'));
  out.push('path=' + document.getElementById('path').textContent);
  var pre = document.createElement('pre');
  pre.id = 'probe';
  pre.textContent = out.join(' ');
  document.body.appendChild(pre);
});
</script>
)";

const char Expected[] = "anchors=2 X0-holds-A-B=true X0-holds-H=false "
                        "start:X0=hidden,B=hidden,X3=hidden,C=shown "
                        "open:X0=shown,B=shown,X3=hidden "
                        "both:X3=shown,C=shown "
                        "closed:X0=hidden,A=hidden,N=shown "
                        "link=/~user/ path=C:\\tmp";

} // namespace

class TestHiddenSectionsInBrowser : public QObject {
    Q_OBJECT

private slots:
    void toggleAnchorsShowAndHideSections_data()
    {
        QTest::addColumn<int>("tagCase");
        QTest::addColumn<Charset>("charset");
        QTest::newRow("capitalised") << 0 << Charset::ShiftJis;
        QTest::newRow("lower-case") << 1 << Charset::ShiftJis;
        QTest::newRow("iso-2022-jp") << 0 << Charset::Iso2022Jp;
    }
    void toggleAnchorsShowAndHideSections()
    {
        QFETCH(int, tagCase);
        QFETCH(Charset, charset);
        const QString chromium = ChromiumPath();
        if (chromium.isEmpty())
            QSKIP("chromium is not installed");
        QTemporaryDir dir;
        Page page;
        page.Title = "Sections";
        page.CharacterSet = charset;
        BuildOutline(page, Outline);
        GeneratorOptions options;
        options.DefaultTagCase = tagCase;
        const SjisString html = GeneratePageHtml(page, options, QDateTime::currentDateTime());
        const std::string bytes = HtmlFileBytes(html, page.CharacterSet);
        const QString file = dir.filePath(QStringLiteral("page.html"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes.data(), qint64(bytes.size()));
        out.write(ProbeScript);
        out.close();

        const ChromiumProbe probe = RunChromiumProbe(chromium, file, dir.filePath(QStringLiteral("profile")));
        QVERIFY2(probe.ok, qPrintable(probe.error));
        QCOMPARE(probe.text, QString::fromLatin1(Expected));
    }
};

QTEST_GUILESS_MAIN(TestHiddenSectionsInBrowser)
#include "tst_hiddensections_browser.moc"
