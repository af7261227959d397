// Seeded random pages survive a write and a read unchanged, and a page file
// read and written again without edits is the same file, byte for byte.
#include "document/Page.h"
#include "document/PageFile.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <random>

namespace {

class RandomPage {
public:
    explicit RandomPage(unsigned seed) : rng_(seed) {}

    void fill(Page& page)
    {
        page.Title = name();
        page.FileName = "/web/" + name() + ".html";
        page.Category = name();
        page.CategoryUrl = "http://example.org/" + std::to_string(pick(1000));
        page.Upload = coin();
        page.CharacterSet = Charset(pick(3));
        page.Doctype = coin() ? "" : "HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"";
        page.StyleSheetFileName = name();
        page.JavaScriptFileName = name();
        page.EnableStyleSheet = coin();
        page.EnableJavaScript = coin();
        page.FtpSettingName = name();
        page.RemoteFolder = name();
        page.UserHeader = body(false);
        const int count = pick(40);
        std::vector<Node*> made;
        for (int i = 0; i < count; ++i) {
            // Any shape: a new top-level node, or a child of any earlier node.
            Node* parent = made.empty() || pick(4) == 0 ? nullptr : made[size_t(pick(int(made.size())))];
            Node* node = page.AddChildNode(parent);
            page.RenameNode(node, name());
            TRecord& r = node->record();
            r.Body = body(true);
            r.Publish = coin();
            r.Hide = coin();
            r.EditSource = coin();
            r.SelStart = int(rng_()) ;
            r.SelLength = pick(3) == 0 ? -pick(100) : pick(100000);
            made.push_back(node);
        }
    }

private:
    int pick(int n) { return int(rng_() % unsigned(n)); }
    bool coin() { return pick(2) == 0; }

    // ASCII and double-byte JIS X 0208 characters; never a leading blank or a break.
    SjisString name()
    {
        SjisString s;
        const int length = pick(8);
        for (int i = 0; i < length; ++i) {
            if (coin()) {
                s += char('a' + pick(26));
            } else {
                int lead = pick(2) ? 0x81 + pick(0x9F - 0x81 + 1) : 0xE0 + pick(0xEA - 0xE0 + 1);
                int trail = 0x40 + pick(0xFC - 0x40);
                if (trail >= 0x7F)
                    ++trail;
                s += char(lead);
                s += char(trail);
            }
        }
        return s;
    }

    // Lines ended by CR LF (or LF for the header); any byte but 0xFF when
    // `anyBytes`, so invalid Shift_JIS is included.
    SjisString body(bool anyBytes)
    {
        SjisString s;
        const int lines = pick(5);
        for (int l = 0; l < lines; ++l) {
            const int length = pick(60);
            for (int i = 0; i < length; ++i) {
                char c = anyBytes ? char(pick(255)) : char(0x20 + pick(0x5F));
                s += c;
            }
            s += anyBytes ? "\r\n" : "\n";
        }
        return s;
    }

    std::mt19937 rng_;
};

bool SameOutline(const Node::Children& a, const Node::Children& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i]->name() != b[i]->name() || !(a[i]->record() == b[i]->record())
            || !SameOutline(a[i]->children(), b[i]->children()))
            return false;
    }
    return true;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPageFileRoundTrip : public QObject {
    Q_OBJECT

private slots:
    void randomPagesSurviveWriteAndRead_data()
    {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed = 1; seed <= 60; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed-%1").arg(seed))) << seed;
    }

    void randomPagesSurviveWriteAndRead()
    {
        QFETCH(unsigned, seed);
        QTemporaryDir dir;
        const SjisString folder = dir.path().toStdString() + "/";
        PageFileContext context;
        context.StartFolder = folder;

        Page page;
        RandomPage(seed).fill(page);
        page.DatabasePath = folder;
        QVERIFY(WritePageFile(page, context).ok());
        const QString file = TextCodec::NativePath(PagePaths::PageFilePath(page));
        const QByteArray first = ReadAll(file);
        QVERIFY(!first.isEmpty());

        Page back;
        back.DatabasePath = folder;
        back.FileName = page.FileName;
        PageFileResult r = ReadPageFile(back, context);
        QVERIFY2(r.ok(), qPrintable(r.message));
        back.DatabasePath = page.DatabasePath;
        QVERIFY(back.properties() == page.properties());
        QCOMPARE(back.NodeCount(), page.NodeCount());
        QVERIFY(SameOutline(back.topLevelNodes(), page.topLevelNodes()));

        QVERIFY(WritePageFile(back, context).ok());
        QCOMPARE(ReadAll(file), first);
    }
};

QTEST_GUILESS_MAIN(TestPageFileRoundTrip)
#include "tst_pagefile_roundtrip.moc"
