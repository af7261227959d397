// The settings store: defaults on a first run, the reading rules, what is
// written while maximized, the file's permissions and refused writes.
#include "document/TextCodec.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

class TestSettings : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString storeFile() const { return dir_.filePath(QStringLiteral("QUIB.conf")); }

private slots:
    void init() { QFile::remove(storeFile()); }

    // What a first run leaves in the settings file when the window closes:
    // the values another copy of the program, or the user's editor, reads.
    void firstRunWritesTheDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("width") << "Position/Width" << "638";
        QTest::newRow("centred") << "Position/Left" << QString::number((1024 - 638) / 2);
        QTest::newRow("tree-pane") << "Position/TreeViewHeight" << "200";
        QTest::newRow("state") << "Position/WindowState" << "wsNormal";
        QTest::newRow("boot") << "Preferences/BootOnAction" << "2";
        QTest::newRow("author") << "Preferences/Author" << "Tav Outliner 1.8 User";
        QTest::newRow("font") << "Preferences/EditorFontName" << QString::fromUtf8("ＭＳ ゴシック");
        QTest::newRow("navy-symbols") << "Preferences/EditorTagSymbolColor" << "8388608";
        QTest::newRow("bold-directives") << "Preferences/EditorTagDirectiveBold" << "1";
        QTest::newRow("white-background") << "Preferences/EditorBGColor" << "16777215";
        QTest::newRow("default-ftp") << "Ftp/SettingNameText" << QString::fromUtf8("(規定値)");
        QTest::newRow("reload-on-save") << "Tool/IE-LINK/onSave" << "1";
        QTest::newRow("not-topmost") << "Tool/TopMost" << "0";
        QTest::newRow("no-preview") << "Tool/Preview" << "0";
        QTest::newRow("preview-width") << "Position/PreviewWidth" << "400";
        QTest::newRow("last-title") << "LastTitle" << "Welcome to Tav Outliner 1.8";
        QTest::newRow("last-file") << "LastFileName" << "/opt/tav/untitled.html";
        QTest::newRow("last-folder") << "LastDatabasePath" << "/opt/tav/";
    }
    void firstRunWritesTheDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        {
            QSettingsStore store(storeFile());
            Settings settings;
            settings.ProgramFolder = "/opt/tav/";
            PageProperties page;
            LoadSettings(store, settings, page, 1024, 768);
            SaveSettings(store, settings, page,
                         WindowBounds{false, settings.Position.Left, settings.Position.Top, settings.Position.Width,
                                      settings.Position.Height});
            QVERIFY(!store.flush());
        }
        const QSettings file(storeFile(), QSettings::IniFormat);
        QCOMPARE(file.value(key).toString(), text);
    }

    void readingRules_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("boolean"); // Generator, default true; then EditorAutoIndent, default false
        QTest::addColumn<bool>("booleanDefaultFalse");
        QTest::addColumn<int>("integer"); // EditorFontSize, default 12
        QTest::newRow("one") << "1" << true << true << 1;
        QTest::newRow("zero") << "0" << false << false << 0;
        QTest::newRow("two-is-true") << "2" << true << true << 2;
        QTest::newRow("letter-is-default") << "x" << true << false << 12;
        QTest::newRow("empty-is-default") << "" << true << false << 12;
        QTest::newRow("negative") << "-3" << true << true << -3;
        QTest::newRow("blanks-around") << " 7 " << true << true << 7;
        QTest::newRow("trailing-garbage") << "5px" << true << false << 12;
        QTest::newRow("too-large") << "99999999999" << true << false << 12;
    }

    void readingRules()
    {
        QFETCH(QString, stored);
        QFETCH(bool, boolean);
        QFETCH(bool, booleanDefaultFalse);
        QFETCH(int, integer);
        QSettingsStore store(storeFile());
        store.setValue("Preferences", "Generator", stored);
        store.setValue("Preferences", "EditorAutoIndent", stored);
        store.setValue("Preferences", "EditorFontSize", stored);
        Settings settings;
        PageProperties page;
        LoadSettings(store, settings, page, 800, 600);
        QCOMPARE(settings.Generator, boolean);
        QCOMPARE(settings.EditorAutoIndent, booleanDefaultFalse);
        QCOMPARE(settings.EditorFontSize, integer);
    }

    void valuesRoundTripAsStrings()
    {
        Settings settings;
        settings.Author = TextCodec::Sjis("山田");
        settings.DefaultTagCase = 1;
        settings.TopMost = true;
        settings.onSave = false;
        settings.Position.TreeViewHeight = 321;
        PageProperties page;
        page.Title = TextCodec::Sjis("題名");
        page.FileName = "/w/a.html";
        page.DatabasePath = "/w/";
        {
            QSettingsStore store(storeFile());
            SaveSettings(store, settings, page, WindowBounds{false, 10, 20, 700, 500});
            QVERIFY(!store.flush());
        }
        QFile file(storeFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("TopMost=1"));
        QVERIFY(text.contains("DefaultTagCase=1"));
        QCOMPARE(QFileInfo(storeFile()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFileDevice::Permissions());

        QSettingsStore store(storeFile());
        Settings back;
        PageProperties backPage;
        LoadSettings(store, back, backPage, 800, 600);
        QCOMPARE(back.Author, settings.Author);
        QCOMPARE(back.DefaultTagCase, 1);
        QVERIFY(back.TopMost);
        QVERIFY(!back.onSave);
        QCOMPARE(back.Position.Left, 10);
        QCOMPARE(back.Position.Top, 20);
        QCOMPARE(back.Position.Width, 700);
        QCOMPARE(back.Position.Height, 500);
        QCOMPARE(back.Position.TreeViewHeight, 321);
        QCOMPARE(backPage.Title, page.Title);
        QCOMPARE(backPage.FileName, page.FileName);
        QCOMPARE(backPage.DatabasePath, page.DatabasePath);
    }

    // Texts come back from the file byte for byte, also bytes that are no
    // Shift_JIS character and the control bytes ICU's code page 932 remaps.
    void textsSurviveTheStoreFileByteForByte()
    {
        std::vector<SjisString> texts = {"\x80\xff", "\x1a\x1c\x7f", "a\x82", "\x87\x90\x85\x40", "x\\y\"z;,=#"};
        for (int byte = 0; byte < 0x100; ++byte)
            texts.emplace_back(1, char(byte));
        {
            QSettingsStore store(storeFile());
            for (size_t i = 0; i < texts.size(); ++i)
                store.writeText("Texts", QString::number(i), texts[i]);
            QVERIFY(!store.flush());
        }
        QSettingsStore store(storeFile());
        for (size_t i = 0; i < texts.size(); ++i)
            QCOMPARE(store.readText("Texts", QString::number(i), "missing"), texts[i]);
    }

    void maximizedKeepsTheNormalSizeOfEarlierRuns()
    {
        Settings settings;
        PageProperties page;
        {
            QSettingsStore store(storeFile());
            SaveSettings(store, settings, page, WindowBounds{false, 5, 6, 640, 480});
            SaveSettings(store, settings, page, WindowBounds{true, 0, 0, 1920, 1080});
        }
        QSettingsStore store(storeFile());
        Settings back;
        LoadSettings(store, back, page, 800, 600);
        QVERIFY(back.Position.maximized());
        QCOMPARE(back.Position.WindowState, SjisString("wsMaximized"));
        QCOMPARE(back.Position.Width, 640);
        QCOMPARE(back.Position.Left, 5);
    }

    // The stored geometry as the window is placed on an 800 x 600 screen.
    void storedGeometry_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("width");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<int>("left");
        QTest::newRow("any-other-state-maximizes") << "wsMinimized" << "638" << true << (800 - 638) / 2;
        QTest::newRow("centred-by-the-stored-width") << "wsNormal" << "401" << false << (800 - 401) / 2;
        // Wider than the screen: rounded toward zero, not down.
        QTest::newRow("wider-than-the-screen") << "wsNormal" << "1001" << false << -100;
    }
    void storedGeometry()
    {
        QFETCH(QString, state);
        QFETCH(QString, width);
        QFETCH(bool, maximized);
        QFETCH(int, left);
        QSettingsStore store(storeFile());
        store.setValue("Position", "WindowState", state);
        store.setValue("Position", "Width", width);
        Settings settings;
        PageProperties page;
        LoadSettings(store, settings, page, 800, 600);
        QCOMPARE(settings.Position.maximized(), maximized);
        QCOMPARE(settings.Position.Left, left);
        QCOMPARE(settings.Position.Top, 0);
    }

    void erasingASectionRemovesItsValues()
    {
        QSettingsStore store(storeFile());
        store.setValue("Ftp\\a", "HostName", "h");
        store.setValue("Ftp\\b", "HostName", "k");
        store.eraseSection("Ftp\\a");
        QVERIFY(!store.value("Ftp\\a", "HostName"));
        QCOMPARE(*store.value("Ftp\\b", "HostName"), QStringLiteral("k"));
    }

    // Also where folder permissions cannot stop the write (CI runs as root).
    // The umask, narrowed while the store writes, is the process's again.
    void refusedWriteIsReported_data()
    {
        QTest::addColumn<bool>("folderIsAFile"); // else the store file is a folder
        QTest::newRow("store-file-is-a-folder") << false;
        QTest::newRow("store-folder-is-a-file") << true;
    }

    void refusedWriteIsReported()
    {
        QFETCH(bool, folderIsAFile);
        const QString folder = dir_.filePath(QStringLiteral("blocked"));
        const QString file = folder + QStringLiteral("/QUIB.conf");
        if (folderIsAFile)
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        else
            QVERIFY(QDir().mkpath(file));
        auto removeBlocker = qScopeGuard([&] { QFile::remove(folder) || QDir(folder).removeRecursively(); });
        const mode_t before = ::umask(022);
        QSettingsStore store(file);
        store.setValue("Ftp\\a", "PassWord", "p");
        const std::optional<QString> error = store.flush();
        QCOMPARE(::umask(before), mode_t(022));
        QVERIFY(error);
        QVERIFY2(error->contains(file), qPrintable(*error));
    }

    void browserTitleHasADefault()
    {
        QSettingsStore store(storeFile());
        Settings settings;
        LoadBrowserTitle(store, settings);
        QCOMPARE(settings.BrowserWindowTitle, SjisString("Chromium"));
        store.setValue("Tool\\IE-LINK", "BrowserWindowTitle", "Mozilla Firefox");
        LoadBrowserTitle(store, settings);
        QCOMPARE(settings.BrowserWindowTitle, SjisString("Mozilla Firefox"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
