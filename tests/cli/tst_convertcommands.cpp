// tavpub convert, guess, newline, base64 and mime-header, run as a user runs
// them: bytes in on standard input or from a file, bytes out on standard output.
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

template <std::size_t N>
QByteArray B(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run Tavpub(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(TAVPUB_PATH, args);
    if (!p.waitForStarted(30000))
        return {};
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

class TestConvertCommands : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void convertsStandardInput_data();
    void convertsStandardInput();
    void readsNamedFile();
    void largeTextRoundTrips();
    void usageErrorsExitWithTwo_data();
    void usageErrorsExitWithTwo();
    void unreadableFileFailsWithItsName();
    void failedOutputWriteFails();
};

void TestConvertCommands::convertsStandardInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");

    const QByteArray sjis = B("a\x82\xa0\xe9\x9f" "b\r\n");
    const QByteArray euc = B("a\xa4\xa2\xf2\xa1" "b\r\n");
    const QByteArray jis = B("a\x1b$B$\"r!\x1b(Bb\r\n");

    QTest::newRow("convert-sjis-to-jis") << QStringList{"convert", "--to", "jis"} << sjis << jis;
    QTest::newRow("convert-sjis-to-euc") << QStringList{"convert", "--to", "euc"} << sjis << euc;
    QTest::newRow("convert-euc-to-sjis") << QStringList{"convert", "--to=sjis"} << euc << sjis;
    QTest::newRow("convert-jis-to-euc") << QStringList{"convert", "--to", "euc", "-"} << jis << euc;
    QTest::newRow("convert-same-code-unchanged") << QStringList{"convert", "--to", "sjis"} << sjis << sjis;
    QTest::newRow("convert-hankaku-voiced") << QStringList{"convert", "--to", "jis"} << B("\xb6\xde\x82\xa0")
                                            << B("\x1b$B%,$\"\x1b(B");
    QTest::newRow("convert-undecided-unchanged")
        << QStringList{"convert", "--to", "jis"} << B("\xb1\xb2\xb3\xb4") << B("\xb1\xb2\xb3\xb4");
    QTest::newRow("convert-from-sjis-decides")
        << QStringList{"convert", "--to", "jis", "--from", "sjis"} << B("\xb1\xb2") << B("\x1b$B%\"%$\x1b(B");
    QTest::newRow("convert-tilde-after-kanji")
        << QStringList{"convert", "--from", "sjis", "--to", "jis"} << B("\x88\x9f\x7e") << B("\x1b$B0!\x1b(B\x7e");
    QTest::newRow("convert-binary-bytes-unchanged")
        << QStringList{"convert", "--to", "euc"} << B("\x82\xa0\0\xff\r\n") << B("\x82\xa0\0\xff\r\n");
    QTest::newRow("convert-empty") << QStringList{"convert", "--to", "jis"} << QByteArray() << QByteArray();

    QTest::newRow("guess-sjis") << QStringList{"guess"} << sjis << B("CODE_SJIS\n");
    QTest::newRow("guess-euc") << QStringList{"guess"} << euc << B("CODE_EUC\n");
    QTest::newRow("guess-jis") << QStringList{"guess"} << jis << B("CODE_JIS83\n");
    QTest::newRow("guess-jis78") << QStringList{"guess"} << B("\x1b$@$\"") << B("CODE_JIS78\n");
    QTest::newRow("guess-ascii") << QStringList{"guess"} << B("plain\n") << B("CODE_ASCII\n");
    QTest::newRow("guess-empty") << QStringList{"guess"} << QByteArray() << B("CODE_ASCII\n");
    QTest::newRow("guess-binary") << QStringList{"guess"} << B("a\0b") << B("CODE_BINARY\n");
    QTest::newRow("guess-undecided") << QStringList{"guess"} << B("\xb1\xb2") << B("CODE_EUC_OR_SJIS\n");

    QTest::newRow("newline-crlf-to-lf") << QStringList{"newline", "--to", "lf"} << B("a\r\nb\r\n") << B("a\nb\n");
    QTest::newRow("newline-lf-to-crlf") << QStringList{"newline", "--to", "crlf"} << B("a\nb") << B("a\r\nb");
    QTest::newRow("newline-cr-to-lf") << QStringList{"newline", "--to=lf"} << B("a\rb\r") << B("a\nb\n");
    QTest::newRow("newline-detects-cr") << QStringList{"newline", "--to", "crlf"} << B("a\rb\nc") << B("a\r\nb\nc");
    QTest::newRow("newline-from-lf") << QStringList{"newline", "--to", "crlf", "--from", "lf"} << B("a\rb\nc")
                                     << B("a\rb\r\nc");
    QTest::newRow("newline-none-unchanged") << QStringList{"newline", "--to", "cr"} << B("abc") << B("abc");

    QTest::newRow("base64") << QStringList{"base64"} << B("abc") << B("YWJj");
    QTest::newRow("base64-padding") << QStringList{"base64"} << B("ab") << B("YWI=");
    QTest::newRow("base64-high-bytes") << QStringList{"base64"} << B("\xff\xfe\xfd\0") << B("//79AA==");
    QTest::newRow("base64-empty") << QStringList{"base64"} << QByteArray() << QByteArray();

    QTest::newRow("mime-header") << QStringList{"mime-header"} << B("Subject: \x82\xa0\x82\xa2 x")
                                 << B("Subject: =?ISO-2022-JP?B?GyRCJCIkJBsoQg==?= x");
    QTest::newRow("mime-header-ascii") << QStringList{"mime-header"} << B("Subject: hi\r\n") << B("Subject: hi\r\n");
}

void TestConvertCommands::convertsStandardInput()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    const Run run = Tavpub(args, input);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, output);
}

void TestConvertCommands::readsNamedFile()
{
    QVERIFY(dir_.isValid());
    const QString path = dir_.filePath(QStringLiteral("page.html"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(B("<p>\x82\xa0</p>\r\n"));
    file.close();

    const Run converted = Tavpub({"convert", "--to", "jis", path}, B("ignored"));
    QCOMPARE(converted.exitCode, 0);
    QCOMPARE(converted.out, B("<p>\x1b$B$\"\x1b(B</p>\r\n"));
    const Run guessed = Tavpub({"guess", path});
    QCOMPARE(guessed.out, B("CODE_SJIS\n"));
    const Run lines = Tavpub({"newline", path, "--to", "lf"});
    QCOMPARE(lines.out, B("<p>\x82\xa0</p>\n"));
    QCOMPARE(Tavpub({"base64", path}).out, B("PHA+gqA8L3A+DQo="));
    QCOMPARE(Tavpub({"mime-header", path}).out, B("<p>=?ISO-2022-JP?B?GyRCJCIbKEI=?=</p>\r\n"));
}

// Shift_JIS text of some hundred kilobytes goes to ISO-2022-JP and EUC-JP and
// back unchanged through pipes: nothing is cut or reordered on the way.
void TestConvertCommands::largeTextRoundTrips()
{
    QRandomGenerator random(20261208);
    QByteArray sjis;
    while (sjis.size() < 300000) {
        switch (random.bounded(4)) {
        case 0:
            sjis += "ascii text ";
            break;
        case 1:
            sjis += "\r\n";
            break;
        default: { // a JIS X 0208 character: lead 0x81-0x9F / 0xE0-0xEA, trail 0x40-0xFC without 0x7F
            const int lead = random.bounded(0x81, 0xA0 + 11);
            int trail = random.bounded(0x40, 0xFC);
            sjis += char(lead < 0xA0 ? lead : lead + 0x40);
            sjis += char(trail >= 0x7F ? trail + 1 : trail);
        }
        }
    }
    const QStringList targets = {"jis", "euc"};
    for (const QString& target : targets) {
        const Run there = Tavpub({"convert", "--to", target}, sjis);
        QCOMPARE(there.exitCode, 0);
        QVERIFY(there.out != sjis);
        const Run back = Tavpub({"convert", "--to", "sjis"}, there.out);
        QCOMPARE(back.exitCode, 0);
        QVERIFY2(back.out == sjis, qPrintable(target));
    }
}

void TestConvertCommands::usageErrorsExitWithTwo_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("convert-without-to") << QStringList{"convert"};
    QTest::newRow("convert-only-from") << QStringList{"convert", "--from", "sjis"};
    QTest::newRow("convert-unknown-code") << QStringList{"convert", "--to", "utf8"};
    QTest::newRow("convert-unknown-from") << QStringList{"convert", "--to", "jis", "--from", "jis78"};
    QTest::newRow("convert-to-without-value") << QStringList{"convert", "--to"};
    QTest::newRow("convert-two-files") << QStringList{"convert", "--to", "jis", "a", "b"};
    QTest::newRow("convert-unknown-option") << QStringList{"convert", "--to", "jis", "--strict", "1"};
    QTest::newRow("guess-option") << QStringList{"guess", "--to", "jis"};
    QTest::newRow("guess-two-files") << QStringList{"guess", "a", "b"};
    QTest::newRow("newline-without-to") << QStringList{"newline"};
    QTest::newRow("newline-unknown-kind") << QStringList{"newline", "--to", "crlf", "--from", "nl"};
    QTest::newRow("base64-option") << QStringList{"base64", "--wrap", "76"};
    QTest::newRow("mime-header-two-files") << QStringList{"mime-header", "a", "b"};
}

void TestConvertCommands::usageErrorsExitWithTwo()
{
    QFETCH(QStringList, args);
    const Run run = Tavpub(args, B("\x82\xa0"));
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.startsWith("tavpub: " + args[0].toUtf8()), run.err.constData());
    QVERIFY(run.err.contains("usage: tavpub"));
}

// A file that cannot be opened, or a folder that opens but cannot be read.
void TestConvertCommands::unreadableFileFailsWithItsName()
{
    const QStringList paths = {dir_.filePath(QStringLiteral("missing.html")), dir_.path()};
    const QStringList commands = {"convert --to jis", "guess", "newline --to lf", "base64", "mime-header"};
    for (const QString& path : paths) {
        for (const QString& command : commands) {
            const Run run = Tavpub(command.split(' ') << path);
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.out, QByteArray());
            QVERIFY2(run.err.contains(path.toUtf8()), run.err.constData());
            QCOMPARE(run.err.count('\n'), 1);
        }
    }
}

void TestConvertCommands::failedOutputWriteFails()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(TAVPUB_PATH, {"convert", "--to", "jis"});
    QVERIFY(p.waitForStarted(30000));
    p.write(B("a\x82\xa0" "b"));
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("standard output"));
}

QTEST_GUILESS_MAIN(TestConvertCommands)
#include "tst_convertcommands.moc"
