// Page files: hand-made byte vectors of every version, the writer's layout,
// and what happens with damaged, foreign and newer files.
#include "document/OutlineText.h"
#include "document/Page.h"
#include "document/PageFile.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray T("\xff");

// Joins fields, each followed by its 0xFF terminator.
QByteArray Fields(std::initializer_list<QByteArray> fields)
{
    QByteArray out;
    for (const QByteArray& f : fields)
        out += f + T;
    return out;
}

const QByteArray Comment = "\x3a\x82\xb1\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcd Tav Outliner 1.8 "
                           "\x82\xc5\x8e\x67\x97\x70\x82\xb3\x82\xea\x82\xe9\x83\x66\x81\x5b\x83\x5e\x83\x74\x83\x40"
                           "\x83\x43\x83\x8b\x82\xc5\x82\xb7\x81\x42\x92\xbc\x90\xda\x95\xd2\x8f\x57\x82\xb7\x82\xe9"
                           "\x82\xb1\x82\xc6\x82\xcd\x94\xf0\x82\xaf\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42";

// n records with the initial values and an empty body.
QByteArray Records(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += Fields({"", "T", "F", "T", "0", "0"});
    return out;
}

class Folder {
public:
    Folder() { QVERIFY(dir_.isValid()); }
    SjisString path() const { return QDir::toNativeSeparators(dir_.path()).toStdString() + "/"; }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(dir_.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString& name) const
    {
        QFile f(dir_.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString& name) const { return QFile::exists(dir_.filePath(name)); }

private:
    QTemporaryDir dir_;
};

PageFileContext Context(const Folder& start)
{
    PageFileContext c;
    c.StartFolder = start.path();
    c.ProgramFolder = "/program/";
    return c;
}

// Points a page at NAME.data in the folder, as the open commands do.
void PointAt(Page& page, const Folder& folder, const char* name)
{
    PointPageAt(page, folder.path() + name);
}

QStringList Names(const Page& page)
{
    QStringList names;
    for (const Node* n : page.NodesInDocumentOrder())
        names << QString::fromStdString(std::string(size_t(n->level()), '>') + n->name());
    return names;
}

} // namespace

class TestPageFile : public QObject {
    Q_OBJECT

private slots:
    void writesEmptyPageAsTagAndEighteenFields()
    {
        Folder folder;
        Page page;
        page.FileName = "empty.html";
        page.DatabasePath = folder.path();
        PageFileResult r = WritePageFile(page, Context(folder));
        QVERIFY2(r.ok(), qPrintable(r.message));
        QCOMPARE(folder.read("empty.data"),
                 "Tav Outliner 1.4" + Fields({Comment, "", "empty.html", "", "", "F", "T", "F", "F", "", "", "F",
                                              "F", "", "", "", "", ""}));
        Page back;
        PointAt(back, folder, "empty.data");
        QVERIFY(ReadPageFile(back, Context(folder)).ok());
        QCOMPARE(back.NodeCount(), 0);
    }

    void writesOutlineAndRecordsInDocumentOrder()
    {
        Folder folder;
        Page page;
        page.FileName = "/elsewhere/site/p.html";
        page.DatabasePath = folder.path();
        page.Title = "T";
        page.CharacterSet = Charset::ShiftJis;
        Node* n1 = page.AddChildNode(nullptr);
        page.RenameNode(n1, "N1");
        page.RenameNode(page.AddChildNode(n1), "N2");
        Node* n3 = page.AddChildNode(n1);
        page.RenameNode(n3, "N3");
        Node* n4 = page.AddChildNode(n3);
        page.RenameNode(n4, "N4");
        n1->record().Body = "line1\r\nline2\r\n";
        n3->record().Hide = true;
        n4->record().Publish = false;
        n4->record().SelStart = 1234;
        n4->record().SelLength = -1;
        const PageFileResult written = WritePageFile(page, Context(folder));
        QVERIFY(written.ok());
        QCOMPARE(written.path, folder.path() + "p.data");
        QCOMPARE(folder.read("p.data"),
                 "Tav Outliner 1.4"
                     + Fields({Comment, "T", "/elsewhere/site/p.html", "", "", "F", "F", "T", "F", "", "", "F", "F", "",
                               "", "", "N1\r\n\tN2\r\n\tN3\r\n\t\tN4\r\n", "",
                               "line1\r\nline2\r\n", "T", "F", "T", "0", "0",
                               "", "T", "F", "T", "0", "0",
                               "", "T", "T", "T", "0", "0",
                               "", "F", "F", "T", "1234", "-1"}));
    }

    void readsEveryVersion_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("expected"); // "property=value;..." checked below

        QTest::newRow("1.1-switches-before-file-names")
            << "Tav Outliner 1.1" + Fields({"c", "Title11", "/w/a.html", "Cat", "http://c/", "T", "F", "s.css", "j.js",
                                            "A\r\n\tB\r\n", "<meta>\n", "bodyA", "T", "T", "T", "bodyB", "F", "F", "F"})
            << "Title=Title11;FileName=/w/a.html;Category=Cat;CategoryUrl=http://c/;EnableStyleSheet=T;"
               "EnableJavaScript=F;StyleSheetFileName=s.css;JavaScriptFileName=j.js;UserHeader=<meta>\n;"
               "Nodes=A,>B;Bodies=bodyA|bodyB;Flags=TTT00|FFF00;Upload=F;Charset=iso;Doctype=KEPT;Ftp=(default);"
               "Remote=public_html";
        QTest::newRow("1.2-file-names-first-then-ftp")
            << "Tav Outliner 1.2" + Fields({"c", "Title12", "/w/b.html", "Cat", "u", "T", "s.css", "j.js", "F", "T",
                                            "myftp", "www/x", "A\r\n", "", "b", "F", "T", "T"})
            << "Title=Title12;FileName=/w/b.html;Upload=T;StyleSheetFileName=s.css;JavaScriptFileName=j.js;"
               "EnableStyleSheet=F;EnableJavaScript=T;Ftp=myftp;Remote=www/x;Nodes=A;Bodies=b;Flags=FTT00;"
               "Charset=iso;Doctype=KEPT";
        QTest::newRow("1.3-charset-no-doctype")
            << "Tav Outliner 1.3" + Fields({"c", "T13", "f.html", "", "", "F", "F", "F", "T", "s", "j", "T", "F",
                                            "ftp", "rem", "A\r\nB", "h", "x", "T", "F", "T", "12", "3", "y", "T",
                                            "F", "T", "abc", "-7"})
            << "Title=T13;Charset=euc;Doctype=KEPT;Ftp=ftp;Remote=rem;Nodes=A,B;Bodies=x|y;Flags=TFT123|TFT0-7";
        QTest::newRow("1.4-all-fields")
            << "Tav Outliner 1.4" + Fields({"c", "T14", "f.html", "", "", "T", "T", "T", "F", "s", "j", "F", "F",
                                            "ftp", "rem", "HTML PUBLIC", "A\r\n\tB\r\n\t\tC\r\n", "h", "a", "T",
                                            "F", "T", "1", "2", "b", "F", "F", "T", "3", "4", "c", "T", "T", "F",
                                            "5", "6"})
            << "Title=T14;Charset=sjis;Doctype=HTML PUBLIC;Nodes=A,>B,>>C;Bodies=a|b|c;"
               "Flags=TFT12|FFT34|TTF56;Upload=T";
        QTest::newRow("1.4-trailing-data-ignored")
            << "Tav Outliner 1.4" + Fields({"c", "T", "f.html", "", "", "F", "T", "F", "F", "", "", "F", "F", "", "",
                                            "", "A\r\n", "", "a", "T", "F", "T", "0", "0", "extra", "junk"})
            << "Nodes=A;Bodies=a";
        QTest::newRow("outline-line-breaks-cr-lf-and-last-line")
            << "Tav Outliner 1.4" + Fields({"c", "T", "f.html", "", "", "F", "T", "F", "F", "", "", "F", "F", "", "",
                                            "", "\t\tA\r\tB\n \tC\rD", ""}) + Records(4)
            << "Nodes=A,>B,>>C,D;Bodies=|||;Flags=TFT00|TFT00|TFT00|TFT00";
        QTest::newRow("outline-dedent-to-ancestor-level")
            << "Tav Outliner 1.4" + Fields({"c", "T", "f.html", "", "", "F", "T", "F", "F", "", "", "F", "F", "", "",
                                            "", "A\r\n\tB\r\n\t\tC\r\n\tD\r\nE\r\n\r\n", ""}) + Records(6)
            << "Nodes=A,>B,>>C,>D,E,";
        QTest::newRow("flags-and-integers-that-do-not-parse")
            << "Tav Outliner 1.4" + Fields({"c", "T", "f.html", "", "", "t", "", "x", "F", "", "", "TRUE", "T", "",
                                            "", "", "A", "", "", "", "F", "1", "12x", "99999999999"})
            << "Upload=F;Charset=iso;EnableStyleSheet=F;EnableJavaScript=T;Flags=FFF00";
    }

    void readsEveryVersion()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, expected);
        Folder folder;
        folder.write("page.data", file);
        Page page;
        page.ResetPage({});
        page.Doctype = "KEPT"; // the page open before
        PointAt(page, folder, "page.data");
        PageFileResult r = ReadPageFile(page, Context(folder));
        QVERIFY2(r.ok(), qPrintable(r.message));

        auto yesNo = [](bool b) { return QString::fromLatin1(b ? "T" : "F"); };
        QStringList bodies, flags;
        for (const Node* n : page.NodesInDocumentOrder()) {
            const TRecord& rec = n->record();
            bodies << QString::fromStdString(rec.Body);
            flags << yesNo(rec.Publish) + yesNo(rec.Hide) + yesNo(rec.EditSource) + QString::number(rec.SelStart)
                    + QString::number(rec.SelLength);
        }
        const QString charset = page.CharacterSet == Charset::EucJp ? "euc"
            : page.CharacterSet == Charset::ShiftJis                 ? "sjis"
                                                                     : "iso";
        const QMap<QString, QString> actual = {
            {"Title", QString::fromStdString(page.Title)},
            {"FileName", QString::fromStdString(page.FileName)},
            {"Category", QString::fromStdString(page.Category)},
            {"CategoryUrl", QString::fromStdString(page.CategoryUrl)},
            {"EnableStyleSheet", yesNo(page.EnableStyleSheet)},
            {"EnableJavaScript", yesNo(page.EnableJavaScript)},
            {"StyleSheetFileName", QString::fromStdString(page.StyleSheetFileName)},
            {"JavaScriptFileName", QString::fromStdString(page.JavaScriptFileName)},
            {"UserHeader", QString::fromStdString(page.UserHeader)},
            {"Upload", yesNo(page.Upload)},
            {"Charset", charset},
            {"Doctype", QString::fromStdString(page.Doctype)},
            {"Ftp", page.FtpSettingName == TextCodec::Sjis("(規定値)") ? "(default)"
                                                                       : QString::fromStdString(page.FtpSettingName)},
            {"Remote", QString::fromStdString(page.RemoteFolder)},
            {"Nodes", Names(page).join(',')},
            {"Bodies", bodies.join('|')},
            {"Flags", flags.join('|')},
        };
        for (const QString& item : expected.split(';')) {
            const QString key = item.section('=', 0, 0);
            QVERIFY2(actual.contains(key), qPrintable(key));
            QCOMPARE(actual[key], item.section('=', 1));
        }
    }

    void readsVersion10FromThreeFiles()
    {
        Folder folder;
        folder.write("old.tree", "Top\r\n\tChild\r\nSecond");
        folder.write("old.page", "[Fundamental]\r\nTitle=Old page\r\n  category = Cat1 \r\n[Externals]\r\n"
                                 "EnableStyleSheet=0\r\nEnableJavaScript=2\r\nJavaScriptFileName=\"x.js\"\r\n");
        folder.write("old.data", "Tav Outliner 1.0" + Fields({"comment", "<user>", "b1", "T", "T", "F", "b2", "F",
                                                               "F", "T", "b3", "T", "F", "T"}));
        Page page;
        PointAt(page, folder, "old.data");
        PageFileResult r = ReadPageFile(page, Context(folder));
        QVERIFY2(r.ok(), qPrintable(r.message));
        QCOMPARE(Names(page), QStringList({"Top", ">Child", "Second"}));
        QCOMPARE(page.Title, SjisString("Old page"));
        QCOMPARE(page.Category, SjisString("Cat1"));
        QCOMPARE(page.FileName, SjisString("/program/untitled.html"));
        QCOMPARE(page.DatabasePath, SjisString("/program/"));
        QVERIFY(!page.EnableStyleSheet);
        QVERIFY(page.EnableJavaScript);
        QCOMPARE(page.StyleSheetFileName, SjisString("untitled.css"));
        QCOMPARE(page.JavaScriptFileName, SjisString("x.js"));
        QCOMPARE(page.UserHeader, SjisString("<user>"));
        QCOMPARE(page.NodeAt(1)->record().Body, SjisString("b2"));
        QVERIFY(!page.NodeAt(1)->record().Publish);
        QVERIFY(page.NodeAt(0)->record().Hide);
        QVERIFY(!page.NodeAt(0)->record().EditSource);
    }

    // A file the read needs and cannot open is named in the message.
    void missingFilesAreNamed_data()
    {
        QTest::addColumn<QByteArray>("written"); // the page file's bytes; empty: no page file
        QTest::addColumn<QString>("pointedAt");
        QTest::addColumn<QString>("named");
        QTest::newRow("version-1.0-without-its-tree") << QByteArray("Tav Outliner 1.0" + Fields({"c", ""}))
                                                      << "old.data" << "old.tree";
        QTest::newRow("no-page-file") << QByteArray() << "none.html" << "none.data";
    }
    void missingFilesAreNamed()
    {
        QFETCH(QByteArray, written);
        QFETCH(QString, pointedAt);
        QFETCH(QString, named);
        Folder folder;
        if (!written.isEmpty())
            folder.write(pointedAt, written);
        Page page;
        PointAt(page, folder, pointedAt.toStdString().c_str());
        PageFileResult r = ReadPageFile(page, Context(folder));
        QCOMPARE(r.status, PageFileStatus::CannotOpen);
        QVERIFY2(r.message.contains(named), qPrintable(r.message));
    }

    void foreignAndNewerFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        // %1: the file's path.
        QTest::newRow("newer-version") << QByteArray("Tav Outliner 2.0") + T << int(PageFileStatus::NewerFormat)
                                       << QString::fromUtf8("“%1” は新しいバージョン形式のファイルです。Tav Outliner 2.0 以降をお使いください。");
        QTest::newRow("short-file-with-name") << QByteArray("Tav Outliner") << int(PageFileStatus::NewerFormat)
                                              << QString::fromUtf8("“%1” は新しいバージョン形式のファイルです。Tav Outliner 以降をお使いください。");
        QTest::newRow("other-content") << QByteArray("<html><body>hello</body></html>")
                                       << int(PageFileStatus::UnknownFormat)
                                       << QString::fromUtf8("“%1” は対応していない形式のファイルです。\n");
        QTest::newRow("empty-file") << QByteArray() << int(PageFileStatus::UnknownFormat)
                                    << QString::fromUtf8("“%1” は対応していない形式のファイルです。\n");
    }

    void foreignAndNewerFilesAreRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(QString, message);
        Folder folder;
        folder.write("x.data", file);
        Page page;
        page.Title = "before";
        PointAt(page, folder, "x.data");
        PageFileResult r = ReadPageFile(page, Context(folder));
        QCOMPARE(int(r.status), status);
        QCOMPARE(r.message, message.arg(QString::fromStdString(folder.path() + "x.data")));
        QVERIFY(r.isUnknownFormat());
        QVERIFY(!r.opened());
        QCOMPARE(page.Title, SjisString("before"));
        QCOMPARE(UnknownFormatCaption(), QString::fromUtf8("未知の形式"));
    }

    void levelJumpStopsTheRead()
    {
        Folder folder;
        folder.write("j.data", "Tav Outliner 1.4" + Fields({"c", "T", "f.html", "", "", "F", "T", "F", "F", "", "",
                                                              "F", "F", "", "", "", "A\r\n\t\tB\r\n", "", "a"}));
        Page page;
        PointAt(page, folder, "j.data");
        PageFileResult r = ReadPageFile(page, Context(folder));
        QCOMPARE(r.status, PageFileStatus::BadOutline);
        QVERIFY(r.message.contains("2"));
        QVERIFY(!r.opened());
    }

    void truncatedFileKeepsWhatWasReadAndIsBackedUpOnSave()
    {
        Folder folder;
        const QByteArray whole = "Tav Outliner 1.4" + Fields({"c", "Title", "t.html", "", "", "F", "T", "F", "F", "",
                                                                "", "F", "F", "", "", "", "A\r\nB\r\n", "hdr",
                                                                "first body", "T", "T", "T", "5", "0",
                                                                "second body that is cut"});
        const QByteArray cut = whole.left(whole.size() - 8);
        folder.write("t.data", cut);
        Page page;
        PointAt(page, folder, "t.data");
        PageFileResult r = ReadPageFile(page, Context(folder));
        QCOMPARE(r.status, PageFileStatus::Damaged);
        QVERIFY(r.opened());
        QVERIFY(r.message.contains("t.data"));
        QCOMPARE(page.NodeCount(), 2);
        QCOMPARE(page.NodeAt(0)->record().SelStart, 5);
        QCOMPARE(page.NodeAt(1)->record().Body, SjisString("second body that"));
        QVERIFY(page.NodeAt(1)->record().Publish); // not read: initial value

        page.DatabasePath = folder.path();
        page.FileName = "t.html";
        QVERIFY(WritePageFile(page, Context(folder)).ok());
        QCOMPARE(folder.read("t.data.bak"), cut);
        QVERIFY(page.DamagedPageFile.empty());
        // Only the first save keeps a backup.
        folder.write("t.data.bak", "older");
        QVERIFY(WritePageFile(page, Context(folder)).ok());
        QCOMPARE(folder.read("t.data.bak"), QByteArray("older"));
    }

    void textWithTerminatorByteIsRefused_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("named");
        QTest::newRow("title") << "title" << QString::fromUtf8("タイトル");
        QTest::newRow("user-header") << "header" << QString::fromUtf8("ユーザ定義ヘッダ");
        QTest::newRow("node-name") << "name" << QString::fromUtf8("ノード名「bad");
        QTest::newRow("node-body") << "body" << QString::fromUtf8("ノード「good」の本文");
    }

    void textWithTerminatorByteIsRefused()
    {
        QFETCH(QString, where);
        QFETCH(QString, named);
        Folder folder;
        folder.write("r.data", "old content");
        Page page;
        page.DatabasePath = folder.path();
        page.FileName = "r.html";
        Node* node = page.AddChildNode(nullptr);
        page.RenameNode(node, "good");
        if (where == "title")
            page.Title = "a\xff";
        else if (where == "header")
            page.UserHeader = "\xff";
        else if (where == "name")
            page.RenameNode(node, "bad\xff");
        else
            node->record().Body = "x\xffy";
        PageFileResult r = WritePageFile(page, Context(folder));
        QCOMPARE(r.status, PageFileStatus::UnstorableText);
        QVERIFY2(r.message.contains(named), qPrintable(r.message));
        QCOMPARE(folder.read("r.data"), QByteArray("old content"));
    }

    void missingDocumentRootFallsBackToStartFolder()
    {
        Folder start;
        Page page;
        page.DatabasePath = "/no/such/folder/";
        page.FileName = "/no/such/folder/x.html";
        PageFileResult r = WritePageFile(page, Context(start));
        QVERIFY(r.ok());
        QCOMPARE(page.DatabasePath, start.path());
        QVERIFY(start.exists("x.data"));
    }

    void failedWriteIsReported()
    {
        Page page;
        PageFileResult r = WritePageFileTo(page, "/no/such/folder/x.data");
        QCOMPARE(r.status, PageFileStatus::CannotWrite);
        QVERIFY(r.message.contains("/no/such/folder/x.data"));
    }

    void openPointsAtDataFileWhateverTheExtension()
    {
        Page page;
        PointPageAt(page, "/site/docs/index.html");
        QCOMPARE(page.FileName, SjisString("index.html"));
        QCOMPARE(page.DatabasePath, SjisString("/site/docs/"));
        QCOMPARE(PagePaths::PageFilePath(page), SjisString("/site/docs/index.data"));
    }
};

QTEST_GUILESS_MAIN(TestPageFile)
#include "tst_pagefile.moc"
