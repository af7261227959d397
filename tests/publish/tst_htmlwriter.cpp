// The HTML file on disk: converted bytes, the final CR LF, where it goes and
// what a failed write leaves behind.
#include "OutlineBuilder.h"
#include "document/TextCodec.h"
#include "publish/HtmlGenerator.h"
#include "publish/HtmlWriter.h"
#include "publish/Jconvert.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <iconv.h>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Decodes with the C library's converter, an implementation independent of ours.
std::optional<QString> Decode(const QByteArray& bytes, const char* charset)
{
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == iconv_t(-1))
        return std::nullopt;
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = size_t(in.size());
    size_t outLeft = size_t(out.size());
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == size_t(-1) || inLeft != 0)
        return std::nullopt;
    return QString::fromUtf8(out.constData(), out.size() - qsizetype(outLeft));
}

// A small Japanese page: the generated text holds Shift_JIS comments, names
// and a body with CR LF line breaks.
SjisString JapanesePage(Page& page, Charset charset)
{
    page.Title = TextCodec::Sjis("日本語のページ");
    page.CharacterSet = charset;
    BuildOutline(page, QByteArray::fromStdString(TextCodec::Sjis("0 見出し=本文です。\\r\\nカタカナ、ひらがな。\n0h 隠す")));
    GeneratorOptions options;
    options.Author = TextCodec::Sjis("作者");
    return GeneratePageHtml(page, options, QDateTime(QDate(2001, 3, 7), QTime(14, 5, 9)));
}

} // namespace

class TestHtmlWriter : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    SjisString path(const char* name) const { return dir_.filePath(QLatin1String(name)).toStdString(); }

private slots:
    void shiftJisFileIsTheTextAndCrLf()
    {
        Page page;
        const SjisString html = JapanesePage(page, Charset::ShiftJis);
        page.FileName = path("sjis.html");
        QVERIFY(WritePageHtml(page, html, "").ok());
        QCOMPARE(ReadFile(dir_.filePath("sjis.html")), QByteArray::fromStdString(html) + "\r\n");
    }

    void convertedFileDecodesToTheSameText_data()
    {
        QTest::addColumn<int>("charset");
        QTest::addColumn<QByteArray>("iconvName");
        QTest::newRow("iso-2022-jp") << int(Charset::Iso2022Jp) << QByteArray("ISO-2022-JP");
        QTest::newRow("euc-jp") << int(Charset::EucJp) << QByteArray("EUC-JP");
    }
    void convertedFileDecodesToTheSameText()
    {
        QFETCH(int, charset);
        QFETCH(QByteArray, iconvName);
        Page page;
        const SjisString html = JapanesePage(page, Charset(charset));
        page.FileName = path("converted.html");
        QVERIFY(WritePageHtml(page, html, "").ok());
        const QByteArray bytes = ReadFile(dir_.filePath("converted.html"));
        QVERIFY(bytes.endsWith("</Html>\r\n"));
        const std::optional<QString> written = Decode(bytes, iconvName.constData());
        QVERIFY(written);
        QCOMPARE(*written, *Decode(QByteArray::fromStdString(html), "CP932") + QStringLiteral("\r\n"));
    }

    // Texts whose code a guess gets wrong are still converted from Shift_JIS.
    void convertsFromShiftJisWhateverAGuessSays_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("only-half-width-katakana-to-jis")
            << QByteArray("<p>\xb6\xc0\xb6\xc5</p>") << int(Charset::Iso2022Jp)
            << QByteArray("<p>\x1b$B%+%?%+%J\x1b(B</p>\r\n");
        QTest::newRow("control-byte-early-to-euc")
            << QByteArray("\x01<p>\x82\xa0</p>") << int(Charset::EucJp) << QByteArray("\x01<p>\xa4\xa2</p>\r\n");
        // Guessed as EUC-JP, this would be written unchanged; the extension
        // character gets the converter's arithmetic like any other pair.
        QTest::newRow("katakana-then-0xfa-to-euc")
            << QByteArray("\xb1\xfa\x40") << int(Charset::EucJp) << QByteArray("\x8e\xb1\x93\xa1\r\n");
    }
    void convertsFromShiftJisWhateverAGuessSays()
    {
        QFETCH(QByteArray, html);
        QFETCH(int, charset);
        QFETCH(QByteArray, expected);
        QCOMPARE(QByteArray::fromStdString(HtmlFileBytes(html.toStdString(), Charset(charset))), expected);
    }

    void fileNameCompletion_data()
    {
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QByteArray>("startFolder");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("name-only") << QByteArray("a.html") << QByteArray("/s/") << QByteArray("/s/a.html");
        QTest::newRow("start-without-separator") << QByteArray("a.html") << QByteArray("/s") << QByteArray("/s/a.html");
        QTest::newRow("absolute-kept") << QByteArray("/w/a.html") << QByteArray("/s/") << QByteArray("/w/a.html");
        QTest::newRow("windows-folder-kept") << QByteArray("D:\\w\\a.html") << QByteArray("/s/")
                                             << QByteArray("D:\\w\\a.html");
        // 0x5C as the second byte of a double-byte character is no separator.
        QTest::newRow("sjis-trail-5c") << QByteArray("\x95\x5c.html") << QByteArray("/s/")
                                       << QByteArray("/s/\x95\x5c.html");
    }
    void fileNameCompletion()
    {
        QFETCH(QByteArray, fileName);
        QFETCH(QByteArray, startFolder);
        QFETCH(QByteArray, expected);
        QCOMPARE(CompleteHtmlFileName(fileName.toStdString(), startFolder.toStdString()), expected.toStdString());
    }

    void nameWithoutFolderIsWrittenToTheStartFolder()
    {
        Page page;
        page.CharacterSet = Charset::ShiftJis;
        page.FileName = "untitled.html";
        const QString start = dir_.filePath(QStringLiteral("start"));
        QDir().mkpath(start);
        QVERIFY(WritePageHtml(page, "<x>", start.toStdString()).ok());
        QCOMPARE(page.FileName, (start + QStringLiteral("/untitled.html")).toStdString());
        QCOMPARE(ReadFile(start + QStringLiteral("/untitled.html")), QByteArray("<x>\r\n"));
    }

    void replacesTheWholeOldFile()
    {
        WriteFile(dir_.filePath("old.html"), QByteArray(4096, 'o'));
        Page page;
        page.CharacterSet = Charset::ShiftJis;
        page.FileName = path("old.html");
        QVERIFY(WritePageHtml(page, "new", "").ok());
        QCOMPARE(ReadFile(dir_.filePath("old.html")), QByteArray("new\r\n"));
    }

    // A FileName made on Windows names no file here; a plain path is written
    // as always. "@" stands for the temporary folder.
    void foreignFileNameIsRefused_data()
    {
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<bool>("refused");
        QTest::newRow("drive-backslash") << QByteArray("D:\\web\\index.html") << true;
        QTest::newRow("drive-slash") << QByteArray("d:/web/index.html") << true;
        QTest::newRow("unc") << QByteArray("\\\\srv\\www\\index.html") << true;
        QTest::newRow("relative-backslash") << QByteArray("web\\index.html") << true;
        QTest::newRow("backslash-in-linux-folder") << QByteArray("@/web\\index.html") << true;
        QTest::newRow("plain") << QByteArray("@/index.html") << false;
        QTest::newRow("colon-in-name") << QByteArray("@/a:b.html") << false;
        QTest::newRow("sjis-trail-5c") << QByteArray("@/\x95\x5c.html") << false;
    }
    void foreignFileNameIsRefused()
    {
        QFETCH(QByteArray, fileName);
        QFETCH(bool, refused);
        QTemporaryDir workDir;
        const QString work = workDir.path();
        const QString current = QDir::currentPath();
        QDir::setCurrent(work);
        auto back = qScopeGuard([&current] { QDir::setCurrent(current); });
        fileName.replace("@", work.toUtf8());
        Page page;
        page.CharacterSet = Charset::ShiftJis;
        page.FileName = fileName.toStdString();

        const HtmlWriteResult result = WritePageHtml(page, "x", work.toStdString());
        QCOMPARE(result.ok(), !refused);
        if (refused) {
            QVERIFY2(result.message.contains(TextCodec::ToUnicode(page.FileName)), qPrintable(result.message));
            QVERIFY2(result.message.contains(QString::fromUtf8("「HTML 出力先」")), qPrintable(result.message));
            QCOMPARE(page.FileName, fileName.toStdString());
            QCOMPARE(QDir(work).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        } else {
            QCOMPARE(ReadFile(TextCodec::NativePath(page.FileName)), QByteArray("x\r\n"));
        }
    }

    void failedWriteNamesTheFileAndKeepsTheOldOne_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing-folder") << QStringLiteral("no-such-folder/a.html");
        QTest::newRow("target-is-a-folder") << QStringLiteral("folder.html");
        QTest::newRow("read-only-folder") << QStringLiteral("locked/a.html");
    }
    void failedWriteNamesTheFileAndKeepsTheOldOne()
    {
        QFETCH(QString, name);
        QDir().mkpath(dir_.filePath(QStringLiteral("folder.html")));
        const QString locked = dir_.filePath(QStringLiteral("locked"));
        QDir().mkpath(locked);
        WriteFile(locked + QStringLiteral("/a.html"), "old");
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        auto unlock = qScopeGuard([&] { QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        if (name.startsWith(QLatin1String("locked")) && QFile(locked + QStringLiteral("/probe")).open(QIODevice::WriteOnly))
            QSKIP("running with rights that ignore folder permissions");

        Page page;
        page.CharacterSet = Charset::ShiftJis;
        page.FileName = dir_.filePath(name).toStdString();
        const HtmlWriteResult result = WritePageHtml(page, "new", "");
        QVERIFY(!result.ok());
        QVERIFY2(result.message.contains(dir_.filePath(name)), qPrintable(result.message));
        QVERIFY(QFileInfo(dir_.filePath(QStringLiteral("folder.html"))).isDir());
        QCOMPARE(ReadFile(locked + QStringLiteral("/a.html")), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestHtmlWriter)
#include "tst_htmlwriter.moc"
