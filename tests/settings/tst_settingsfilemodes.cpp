// The store files hold FTP passwords: no file in a store's folder may ever
// carry a group or other permission bit, not even for the moment between
// its creation and a later chmod. The real programs write a store under
// strace with the usual umask 022; the trace shows every file created or
// re-moded there, and the umask in force at that moment.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <signal.h>
#include <sys/stat.h>

namespace {

const QString TracedCalls = QStringLiteral("trace=open,openat,creat,chmod,fchmod,fchmodat,umask");

struct GivenMode {
    QString line;
    mode_t mode;
    bool created;
};

// The modes that `folder` and the files in it were given, read from
// `strace -f -y` output: creations get the requested mode less the umask
// then in force (strace shows an open's mode only when the open may
// create). Calls count as attempted, whether they succeeded or not.
QList<GivenMode> ModesGiven(const QString& trace, const QString& folder, mode_t umaskAtStart)
{
    static const QRegularExpression umaskCall(QStringLiteral("\\bumask\\((0[0-7]*)\\)"));
    static const QRegularExpression pathCall(
        QStringLiteral("\\b(open|openat|creat|chmod|fchmodat)\\(.*?\"([^\"]*)\", (?:O_[A-Z_|0-9x]*, )?(0[0-7]*)[) ]"));
    static const QRegularExpression fdCall(QStringLiteral("\\bfchmod\\(\\d+<([^>]*)>.*?, (0[0-7]*)[) ]"));
    QList<GivenMode> given;
    mode_t umask = umaskAtStart;
    for (const QString& line : trace.split(QLatin1Char('\n'))) {
        QRegularExpressionMatch m = umaskCall.match(line);
        if (m.hasMatch()) {
            umask = m.captured(1).toUInt(nullptr, 8);
            continue;
        }
        bool created = false;
        if ((m = pathCall.match(line)).hasMatch())
            created = m.captured(1) != QLatin1String("chmod") && m.captured(1) != QLatin1String("fchmodat");
        else if (!(m = fdCall.match(line)).hasMatch())
            continue;
        const QString path = m.captured(m.lastCapturedIndex() - 1);
        if (path != folder && !path.startsWith(folder + QLatin1Char('/')))
            continue;
        const mode_t mode = m.captured(m.lastCapturedIndex()).toUInt(nullptr, 8);
        given.append({line, created ? mode & ~umask : mode, created});
    }
    return given;
}

} // namespace

class TestSettingsFileModes : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString page_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Runs `program` under strace with umask 022 and returns the trace; a
    // program that keeps running is ended once `storeFile` is written and
    // its lock file gone. Sets `error` when the run went wrong.
    QString traced(const QString& program, const QStringList& args, const QString& storeFile, bool exits,
                   QString& error)
    {
        const QString trace = path(QStringLiteral("trace.txt"));
        QFile::remove(trace);
        QProcess strace;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // LeakSanitizer cannot run in a traced process.
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        strace.setProcessEnvironment(env);
        strace.setWorkingDirectory(dir_.path());
        const mode_t previous = ::umask(022);
        strace.start(QStringLiteral("strace"),
                     QStringList{"-f", "-y", "-qq", "-o", trace, "-e", TracedCalls, program} + args);
        ::umask(previous);
        if (!strace.waitForStarted()) {
            error = QStringLiteral("strace (scripts/install-deps.sh installs it): ") + strace.errorString();
            return {};
        }
        if (!exits) {
            if (!QTest::qWaitFor([&] { return QFile::exists(storeFile) && !QFile::exists(storeFile + ".lock"); },
                                 60000))
                error = QStringLiteral("the program wrote no store");
            QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(strace.processId()));
            const pid_t child = children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().toInt() : 0;
            if (child > 0)
                ::kill(child, SIGKILL);
        }
        if (!strace.waitForFinished(60000))
            error = QStringLiteral("the traced program did not end");
        else if (exits && strace.exitCode() != 0)
            error = QStringLiteral("the traced program failed: ") + QString::fromLocal8Bit(strace.readAllStandardError());
        QFile file(trace);
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

private slots:
    void initTestCase()
    {
        QFile json(path(QStringLiteral("page.json")));
        QVERIFY(json.open(QIODevice::WriteOnly));
        json.write(QStringLiteral(R"({"Title": "T", "FileName": "%1", "Upload": true, "Nodes": [{"Name": "n"}]})")
                       .arg(path(QStringLiteral("page.html")))
                       .toUtf8());
        json.close();
        page_ = path(QStringLiteral("page.data"));
        QCOMPARE(QProcess::execute(QStringLiteral(TAVPUB_PATH), {QStringLiteral("import"), json.fileName(), page_}), 0);
    }

    void init() { QVERIFY(QDir(path(QStringLiteral("config"))).removeRecursively()); }

    void storeFilesAreNeverReadableByOthers_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args"); // PAGE stands for the page file
        QTest::addColumn<QString>("store");
        QTest::addColumn<int>("olderStoreMode"); // a store left by an earlier version; -1 none
        const QString tavpub = QStringLiteral(TAVPUB_PATH);
        const QString program = QStringLiteral(TAV_OUTLINER_PATH);
        QTest::newRow("publish-queues-into-a-fresh-store")
            << tavpub << QStringList{"publish", "PAGE"} << "Tav/QUIB.conf" << -1;
        QTest::newRow("publish-into-an-older-readable-store")
            << tavpub << QStringList{"publish", "PAGE"} << "Tav/QUIB.conf" << 0644;
        // The program writes its recent files from the event loop as soon
        // as the page named on its command line is open.
        QTest::newRow("recent-files-of-the-program") << program << QStringList{"PAGE"} << "VuzOdiRo/OFH.conf" << -1;
    }

    void storeFilesAreNeverReadableByOthers()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(QString, store);
        QFETCH(int, olderStoreMode);
        args.replaceInStrings(QStringLiteral("PAGE"), page_);
        const QString storeFile = path(QStringLiteral("config/") + store);
        if (olderStoreMode >= 0) {
            QVERIFY(QDir().mkpath(QFileInfo(storeFile).path()));
            QFile older(storeFile);
            QVERIFY(older.open(QIODevice::WriteOnly));
            older.write("[Position]\nWidth=640\n");
            older.close();
            QCOMPARE(::chmod(qPrintable(storeFile), mode_t(olderStoreMode)), 0);
        }

        QString error;
        const QString trace = traced(program, args, storeFile, program == QLatin1String(TAVPUB_PATH), error);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        const QList<GivenMode> given = ModesGiven(trace, QFileInfo(storeFile).path(), 022);
        QVERIFY2(std::any_of(given.begin(), given.end(), [](const GivenMode& g) { return g.created; }),
                 "the trace shows no file created in the store's folder");
        QStringList readable;
        for (const GivenMode& g : given)
            if (g.mode & 077)
                readable << QStringLiteral("mode %1 from: %2").arg(g.mode, 4, 8, QLatin1Char('0')).arg(g.line);
        QVERIFY2(readable.isEmpty(), qPrintable(readable.join(QLatin1Char('\n'))));
        struct stat st {};
        QCOMPARE(::stat(qPrintable(storeFile), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QFile file(storeFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains(page_.toUtf8()));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFileModes)
#include "tst_settingsfilemodes.moc"
