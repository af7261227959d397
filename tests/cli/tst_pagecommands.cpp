// tavpub show and import, run as a user runs them.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run Tavpub(const QStringList& args, const QString& configHome)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", configHome);
    p.setProcessEnvironment(env);
    p.start(TAVPUB_PATH, args);
    p.waitForFinished(30000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

} // namespace

class TestPageCommands : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

private slots:
    void importThenShowGivesThePageBack()
    {
        const QString sample = QStringLiteral(TAV_SOURCE_DIR "/resources/sample/sample.json");
        Run imported = Tavpub({"import", sample, path("sample.data")}, path("config"));
        QCOMPARE(imported.exitCode, 0);
        Run shown = Tavpub({"show", path("sample.data")}, path("config"));
        QCOMPARE(shown.exitCode, 0);
        QVERIFY(shown.err.isEmpty());

        QFile f(sample);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QJsonObject expected = QJsonDocument::fromJson(f.readAll()).object();
        QJsonObject actual = QJsonDocument::fromJson(shown.out).object();
        // The page was opened from its folder, which becomes its document root.
        expected["DatabasePath"] = dir_.path() + "/";
        const QStringList keys = expected.keys();
        for (const QString& key : keys) {
            if (key != "Nodes")
                QCOMPARE(actual.value(key), expected.value(key));
        }
        const QByteArray nodes = QJsonDocument(actual.value("Nodes").toArray()).toJson();
        QVERIFY(nodes.contains("\"Name\": \"" + QString::fromUtf8("隠しておくセクション").toUtf8() + "\""));
        QVERIFY(nodes.contains("\"Hide\": true"));
        QVERIFY(nodes.contains("\"Publish\": false"));

        // Importing what show printed writes the same file again.
        QFile json(path("again.json"));
        QVERIFY(json.open(QIODevice::WriteOnly));
        json.write(shown.out);
        json.close();
        QCOMPARE(Tavpub({"import", path("again.json"), path("again.data")}, path("config")).exitCode, 0);
        QFile a(path("sample.data")), b(path("again.data"));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());
    }

    void failuresNameTheFileAndExitWithOne_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrHas");
        QTest::addColumn<bool>("printsJson");
        QTest::newRow("foreign") << QByteArray("hello") << 1 << QString::fromUtf8("対応していない形式") << false;
        QTest::newRow("newer") << QByteArray("Tav Outliner 9.9\xff") << 1 << QString::fromUtf8("Tav Outliner 9.9 以降")
                               << false;
        QTest::newRow("truncated") << QByteArray("Tav Outliner 1.4:c\xffTitle") << 1 << QString::fromUtf8("壊れています")
                                   << true;
    }

    void failuresNameTheFileAndExitWithOne()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrHas);
        QFETCH(bool, printsJson);
        QFile f(path("bad.data"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        Run r = Tavpub({"show", path("bad.data")}, path("config"));
        QCOMPARE(r.exitCode, exitCode);
        const QString err = QString::fromUtf8(r.err);
        QVERIFY2(err.contains("bad.data") && err.contains(stderrHas), qPrintable(err));
        QCOMPARE(err.count('\n'), 1);
        QCOMPARE(QJsonDocument::fromJson(r.out).isObject(), printsJson);
    }

    void importRefusesWhatShiftJisCannotHold()
    {
        QFile f(path("emoji.json"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QString::fromUtf8("{\"Title\":\"smile \U0001F600\",\"Nodes\":[]}").toUtf8());
        f.close();
        Run r = Tavpub({"import", path("emoji.json"), path("emoji.data")}, path("config"));
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains("Title"));
        QVERIFY(!QFile::exists(path("emoji.data")));
    }

    // Bytes that are no Shift_JIS character show as the private-use
    // characters that stand for them, and importing those writes the bytes.
    void bytesThatAreNoCharactersSurviveShowAndImport()
    {
        const QString title = QString::fromUcs4(U"T\U000F0080\U000F00FD\U000F8790\x7f");
        const QString body = QString::fromUcs4(U"<p>\U000F8540</p>");
        QFile f(path("bytes.json"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(QJsonObject{{"Title", title}, {"Nodes", QJsonArray{QJsonObject{{"Name", title}, {"Body", body}}}}})
                    .toJson());
        f.close();
        QCOMPARE(Tavpub({"import", path("bytes.json"), path("bytes.data")}, path("config")).exitCode, 0);
        QFile data(path("bytes.data"));
        QVERIFY(data.open(QIODevice::ReadOnly));
        const QByteArray written = data.readAll();
        QVERIFY(written.contains("T\x80\xfd\x87\x90\x7f"));
        QVERIFY(written.contains("<p>\x85\x40</p>"));

        const Run shown = Tavpub({"show", path("bytes.data")}, path("config"));
        QCOMPARE(shown.exitCode, 0);
        const QJsonObject page = QJsonDocument::fromJson(shown.out).object();
        QCOMPARE(page.value("Title").toString(), title);
        const QJsonObject node = page.value("Nodes").toArray().at(0).toObject();
        QCOMPARE(node.value("Name").toString(), title);
        QCOMPARE(node.value("Body").toString(), body);
    }

    void usageErrorsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown-command") << QStringList{"frobnicate"};
        QTest::newRow("show-without-file") << QStringList{"show"};
        QTest::newRow("import-one-file") << QStringList{"import", "a.json"};
    }

    void usageErrorsExitWithTwo()
    {
        QFETCH(QStringList, args);
        QCOMPARE(Tavpub(args, path("config")).exitCode, 2);
    }

    void readingWritesNoSettings()
    {
        Tavpub({"show", QStringLiteral(TAV_SOURCE_DIR "/resources/sample/sample.data")}, path("fresh-config"));
        QVERIFY(!QFile::exists(path("fresh-config")));
    }
};

QTEST_GUILESS_MAIN(TestPageCommands)
#include "tst_pagecommands.moc"
