// tavpub publish as a user runs it: the built program on page files in a
// temporary folder, with its own settings folder and a fixed clock.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// 2001-03-07 14:05:09 UTC
const QString FixedEpoch = QStringLiteral("983973909");

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestPublishCommand : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString epoch_; // SOURCE_DATE_EPOCH of the next run

    QString path(const QString& name) const { return dir_->filePath(name); }
    QString configFile() const { return path(QStringLiteral("config/Tav/QUIB.conf")); }

    Run tavpub(const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        env.insert(QStringLiteral("SOURCE_DATE_EPOCH"), epoch_);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir_->path());
        process.start(QStringLiteral(TAVPUB_PATH), args);
        if (!process.waitForFinished(30000))
            qFatal("tavpub did not finish");
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    // Makes NAME.data in the temporary folder, publishing to NAME.html there.
    QString makePage(const QString& name, bool upload, const QString& htmlFolder = QString(),
                     const QString& separator = QStringLiteral("/"))
    {
        QJsonObject page{
            {"Title", "T"},
            {"FileName", (htmlFolder.isEmpty() ? dir_->path() : htmlFolder) + separator + name + ".html"},
            {"DatabasePath", dir_->path() + "/"},
            {"Category", "C"},
            {"CategoryUrl", "u"},
            {"Upload", upload},
            {"Charset", "Shift_JIS"},
            {"Nodes", QJsonArray{QJsonObject{{"Name", QString::fromUtf8("見出し")}, {"Body", "b"}}}},
        };
        const QString json = path(name + QStringLiteral(".json"));
        QFile file(json);
        file.open(QIODevice::WriteOnly);
        file.write(QJsonDocument(page).toJson());
        file.close();
        const QString data = path(name + QStringLiteral(".data"));
        const Run run = tavpub({QStringLiteral("import"), json, data});
        if (run.exitCode != 0)
            qFatal("import failed: %s", run.err.constData());
        return data;
    }

    QString queue() const { return QSettings(configFile(), QSettings::IniFormat).value("Queue/Upload").toString(); }

    static QByteArray ReadFile(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        epoch_ = FixedEpoch;
        QDir().mkpath(path(QStringLiteral("config/Tav")));
        QSettings settings(configFile(), QSettings::IniFormat);
        settings.setValue("Preferences/Author", "Me");
        settings.setValue("Preferences/DefaultTagCase", "1");
    }

    void writesTheHtmlFileAndQueuesThePage()
    {
        const QString page = makePage(QStringLiteral("a"), true);
        const Run run = tavpub({QStringLiteral("publish"), page});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        const QByteArray html = ReadFile(path(QStringLiteral("a.html")));
        QVERIFY(html.startsWith("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">\n<html>\n"));
        QVERIFY(html.contains("<meta name=\"Author\" content=\"Me\">\n"));
        QVERIFY(html.contains("Last Modified: 03/07/2001 14:05:09</div>\n"));
        QVERIFY(html.contains("<h2>\x8c\xa9\x8f\x6f\x82\xb5</h2>\n<div>\nb\n</div>\n"));
        QVERIFY(html.endsWith("</body>\n</html>\r\n"));
        QCOMPARE(queue(), page + QStringLiteral("\r\n"));

        QCOMPARE(tavpub({QStringLiteral("publish"), page}).exitCode, 0);
        QCOMPARE(queue(), page + QStringLiteral("\r\n"));
    }

    void pageWithoutUploadLeavesTheQueue()
    {
        const QString queued = makePage(QStringLiteral("q"), true);
        const QString other = makePage(QStringLiteral("o"), false);
        QCOMPARE(tavpub({QStringLiteral("publish"), queued, other}).exitCode, 0);
        QCOMPARE(queue(), queued + QStringLiteral("\r\n"));
        QVERIFY(QFile::exists(path(QStringLiteral("o.html"))));
    }

    void stdoutGivesTheFileBytesAndTouchesNothing()
    {
        const QString page = makePage(QStringLiteral("s"), true);
        const QByteArray configBefore = ReadFile(configFile());
        const Run printed = tavpub({QStringLiteral("publish"), QStringLiteral("--stdout"), page});
        QCOMPARE(printed.exitCode, 0);
        QVERIFY(!QFile::exists(path(QStringLiteral("s.html"))));
        QCOMPARE(ReadFile(configFile()), configBefore);

        QCOMPARE(tavpub({QStringLiteral("publish"), page}).exitCode, 0);
        QCOMPARE(printed.out, ReadFile(path(QStringLiteral("s.html"))));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("epoch");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no-page") << QStringList{"publish"} << FixedEpoch << 2 << "needs at least one page";
        QTest::newRow("stdout-without-page") << QStringList{"publish", "--stdout"} << FixedEpoch << 2 << "needs at least";
        QTest::newRow("unknown-option") << QStringList{"publish", "--html", "a.data"} << FixedEpoch << 2 << "--html";
        QTest::newRow("missing-page") << QStringList{"publish", "missing.data"} << FixedEpoch << 1 << "missing.data";
        QTest::newRow("bad-epoch") << QStringList{"publish", "a.data"} << "yesterday" << 1 << "SOURCE_DATE_EPOCH";
    }
    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, epoch);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        makePage(QStringLiteral("a"), true);
        epoch_ = epoch;
        const Run run = tavpub(args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
        QVERIFY(!QFile::exists(path(QStringLiteral("a.html"))));
        QCOMPARE(queue(), QString());
    }

    // One page that cannot be published does not stop the others.
    void failedPageIsReportedAndTheOthersGoOn()
    {
        const QString good = makePage(QStringLiteral("good"), true);
        const QString unwritable = makePage(QStringLiteral("bad"), true, path(QStringLiteral("no-such-folder")));
        const Run run = tavpub({QStringLiteral("publish"), unwritable, good});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("no-such-folder/bad.html"), run.err.constData());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(QFile::exists(path(QStringLiteral("good.html"))));
        QCOMPARE(queue(), good + QStringLiteral("\r\n"));
    }

    void pageFromWindowsIsNotWrittenToItsPath()
    {
        const QString page = makePage(QStringLiteral("w"), true, QStringLiteral("D:\\web"), QStringLiteral("\\"));
        const Run run = tavpub({QStringLiteral("publish"), page});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("D:\\web\\w.html"), run.err.constData());
        QVERIFY2(run.err.contains(QString::fromUtf8("「HTML 出力先」").toUtf8()), run.err.constData());
        QCOMPARE(run.err.count('\n'), 1);
        QCOMPARE(QDir(dir_->path()).entryList({QStringLiteral("*html")}), QStringList());
        QCOMPARE(queue(), QString());
    }

    void damagedPageIsNotPublished()
    {
        const QString page = makePage(QStringLiteral("d"), true);
        QFile file(page);
        QVERIFY(file.resize(file.size() - 3));
        const Run run = tavpub({QStringLiteral("publish"), page});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("d.data"));
        QVERIFY(!QFile::exists(path(QStringLiteral("d.html"))));
    }
};

QTEST_GUILESS_MAIN(TestPublishCommand)
#include "tst_publishcommand.moc"
