// Recovery copies: what the state folder holds after writes and removals,
// which copies are offered against their page files, failures, file modes
// and a shutdown while a write hangs.
#include "document/TextCodec.h"
#include "page/RecoveryStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;
constexpr int Generous = 30000; // ms; a loaded two-core machine

unsigned ModeOf(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

namespace fs = std::filesystem;
fs::path FsPath(const QString& path) { return QFileInfo(path).filesystemFilePath(); }

// `stamp`: the modification time the file gets instead of now.
bool WriteFile(const QString& path, const QByteArray& bytes, std::optional<fs::file_time_type> stamp = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    std::error_code error;
    if (stamp)
        fs::last_write_time(FsPath(path), *stamp, error);
    return !error;
}

} // namespace

class TestRecoveryStore : public QObject {
    Q_OBJECT

private:
    mode_t savedUmask_ = 0;

private slots:
    // The usual umask would let a file made without an explicit mode be read by all.
    void initTestCase() { savedUmask_ = ::umask(022); }
    void cleanupTestCase() { ::umask(savedUmask_); }

    // Steps on two pages: "a" (untitled, ASCII path) and "b" (a Shift_JIS
    // file name). "page P" writes P's page file, "ahead P" one stamped a
    // minute ahead of the clock, "tick P" one stamped with the very time of
    // P's copy (written in the same tick of the clock), "write P X" asks for a copy
    // holding X, "burst P" asks for 300 copies "1".."300" at once, "remove P",
    // "wait" until the store is done, "block"/"unblock" a file where the
    // state folder should be made. `copies`: "P=X" the copy holds X, "P=-"
    // there is none; `offered`: the pages whose copy is newer.
    void stepsLeaveCopies_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("copies");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<bool>("fails");
        const auto steps = [](const char* text) { return QString::fromLatin1(text).split(QLatin1Char(',')); };
        QTest::newRow("untitled-page") << steps("write a 1") << "a=1" << "a" << false;
        QTest::newRow("copy-after-page-file") << steps("page b,write b 1") << "b=1" << "b" << false;
        QTest::newRow("copy-after-page-file-stamped-ahead") << steps("ahead b,write b 1") << "b=1" << "b" << false;
        QTest::newRow("page-file-after-copy") << steps("write b 1,wait,page b") << "b=1" << "" << false;
        QTest::newRow("page-file-in-copys-tick") << steps("write b 1,wait,tick b") << "b=1" << "" << false;
        QTest::newRow("removed") << steps("write a 1,wait,remove a") << "a=-" << "" << false;
        QTest::newRow("write-write-remove") << steps("write a 1,write a 2,remove a") << "a=-" << "" << false;
        QTest::newRow("remove-then-write") << steps("write a 1,wait,remove a,write a 2") << "a=2" << "a" << false;
        QTest::newRow("no-copy-to-remove") << steps("remove a") << "a=-" << "" << false;
        QTest::newRow("burst-ends-with-last") << steps("burst a") << "a=300" << "a" << false;
        QTest::newRow("two-pages-two-copies") << steps("write a 1,write b 2") << "a=1 b=2" << "a b" << false;
        QTest::newRow("folder-blocked") << steps("block,write a 1") << "a=-" << "" << true;
        QTest::newRow("folder-freed") << steps("block,write a 1,wait,unblock,write a 2") << "a=2" << "a" << false;
    }
    void stepsLeaveCopies()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, copies);
        QFETCH(QString, offered);
        QFETCH(bool, fails);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString stateFolder = dir.filePath(QStringLiteral("state"));
        const QString folder = stateFolder + QStringLiteral("/Tav/recovery");
        const QMap<QString, SjisString> pages{
            {QStringLiteral("a"), *TextCodec::FromUnicodeStrict(dir.filePath(QStringLiteral("untitled.data")))},
            {QStringLiteral("b"), *TextCodec::FromUnicodeStrict(dir.filePath(QStringLiteral("ページ.data")))},
        };
        RecoveryStore store(folder);

        for (const QString& step : steps) {
            const QStringList word = step.split(QLatin1Char(' '));
            const SjisString page = word.size() > 1 ? pages.value(word[1]) : SjisString();
            if (word[0] == QLatin1String("page"))
                QVERIFY(WriteFile(TextCodec::NativePath(page), "page"));
            else if (word[0] == QLatin1String("ahead"))
                QVERIFY(WriteFile(TextCodec::NativePath(page), "page", fs::file_time_type::clock::now() + 60s));
            else if (word[0] == QLatin1String("tick"))
                QVERIFY(WriteFile(TextCodec::NativePath(page), "page",
                                  fs::last_write_time(FsPath(store.CopyPath(page)))));
            else if (word[0] == QLatin1String("write"))
                store.Write(page, word[2].toLatin1());
            else if (word[0] == QLatin1String("burst"))
                for (int i = 1; i <= 300; ++i)
                    store.Write(page, QByteArray::number(i));
            else if (word[0] == QLatin1String("remove"))
                store.Remove(page);
            else if (word[0] == QLatin1String("wait"))
                QVERIFY(store.WaitUntilDone(Generous));
            else if (word[0] == QLatin1String("block"))
                QVERIFY(WriteFile(stateFolder, "in the way"));
            else if (word[0] == QLatin1String("unblock"))
                QVERIFY(QFile::remove(stateFolder));
            else
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
        QVERIFY(store.WaitUntilDone(Generous));

        for (const QString& expected : copies.split(QLatin1Char(' '))) {
            const QString copy = store.CopyPath(pages.value(expected.section(QLatin1Char('='), 0, 0)));
            const QString bytes = expected.section(QLatin1Char('='), 1);
            QFile file(copy);
            if (bytes == QLatin1String("-")) {
                QVERIFY2(!file.exists(), qPrintable(expected));
                continue;
            }
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(expected));
            QCOMPARE(QString::fromLatin1(file.readAll()), bytes);
            QCOMPARE(ModeOf(copy), 0600u);
        }
        for (auto page = pages.cbegin(); page != pages.cend(); ++page) {
            const std::optional<QDateTime> written = store.NewerCopy(page.value());
            QCOMPARE(written.has_value(), offered.split(QLatin1Char(' ')).contains(page.key()));
            if (written)
                QCOMPARE(*written, QFileInfo(store.CopyPath(page.value())).lastModified());
        }
        if (fails)
            QVERIFY2(store.LastError().contains(QDir::toNativeSeparators(stateFolder)), qPrintable(store.LastError()));
        else
            QVERIFY2(store.LastError().isEmpty(), qPrintable(store.LastError()));
        // Every folder the store made is private; temporary files never stay.
        if (QFileInfo(folder).isDir()) {
            for (const QString& made : {stateFolder, stateFolder + QStringLiteral("/Tav"), folder})
                QCOMPARE(ModeOf(made), 0700u);
            for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                QVERIFY2(name.endsWith(QLatin1String(".data")) && !name.contains(QLatin1String(".part")),
                         qPrintable(name));
        }
    }

    // A write that hangs (a stalled disk) holds the program's end for about
    // a second, not for ever; the write itself still ends with a whole copy.
    void shutdownIsBoundedWhileAWriteHangs()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        auto entered = std::make_shared<QSemaphore>();
        auto proceed = std::make_shared<QSemaphore>();
        QString copy;
        QElapsedTimer shutdown;
        {
            RecoveryStore store(dir.filePath(QStringLiteral("recovery")));
            store.SetBeforeWriteForTesting([entered, proceed] {
                entered->release();
                proceed->acquire();
            });
            store.Write("held.data", "held");
            QVERIFY(entered->tryAcquire(1, Generous));
            QVERIFY(!store.WaitUntilDone(50));
            store.Write("waiting.data", "waiting");
            copy = store.CopyPath("held.data");
            shutdown.start();
        }
        const qint64 took = shutdown.elapsed();
        proceed->release();
        QVERIFY2(took < 5000, qPrintable(QString::number(took)));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy), Generous);
    }
};

QTEST_GUILESS_MAIN(TestRecoveryStore)
#include "tst_recoverystore.moc"
