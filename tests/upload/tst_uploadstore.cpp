// The upload queue and the FTP settings on a temporary INI store.
#include "document/TextCodec.h"
#include "settings/SettingsStore.h"
#include "upload/UploadStore.h"

#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Lines = std::vector<SjisString>;
Q_DECLARE_METATYPE(Lines)
Q_DECLARE_METATYPE(FtpProtocol)

class TestUploadStore : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString iniPath() const { return dir_.filePath(QStringLiteral("QUIB.ini")); }
    std::unique_ptr<QSettingsStore> freshStore()
    {
        QFile::remove(iniPath());
        return std::make_unique<QSettingsStore>(iniPath());
    }
    // What another process sees: the file as written, read anew.
    QString storedValue(const QString& key) { return QSettings(iniPath(), QSettings::IniFormat).value(key).toString(); }

private slots:
    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Lines>("lines");
        QTest::newRow("empty") << QByteArray() << Lines{};
        QTest::newRow("one-crlf") << QByteArray("a\r\n") << Lines{"a"};
        QTest::newRow("no-final-break") << QByteArray("a\r\nb") << Lines{"a", "b"};
        QTest::newRow("lf-and-cr") << QByteArray("a\nb\rc\r\n") << Lines{"a", "b", "c"};
        QTest::newRow("empty-middle-line") << QByteArray("a\r\n\r\nb\r\n") << Lines{"a", "", "b"};
        // 0x5C and 0x0D never split a double-byte character.
        QTest::newRow("sjis") << QByteArray("\x83\x5c\x81\x40\r\n\x95\x5c") << Lines{"\x83\x5c\x81\x40", "\x95\x5c"};
    }
    void splitLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(Lines, lines);
        QCOMPARE(SplitLines(text.toStdString()), lines);
    }

    void joinLinesEndsEveryLineWithCrLf()
    {
        QCOMPARE(JoinLines({}), SjisString());
        QCOMPARE(JoinLines({"a", "", "b"}), SjisString("a\r\n\r\nb\r\n"));
    }

    void settingNamesDefaultToTheDefaultSetting()
    {
        auto store = freshStore();
        const SjisString text = store->readText(QStringLiteral("Ftp"), QStringLiteral("SettingNameText"),
                                                TextCodec::Sjis("(規定値)"));
        QCOMPARE(SplitSettingNames(text), Lines{"(\x8b\x4b\x92\xe8\x92\x6c)"});
        QCOMPARE(JoinSettingNames({"a", "b"}), SjisString("a\r\nb\r\n"));
    }

    // Queue before, path, upload flag, queue after.
    void updateQueueAfterSave_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("upload");
        QTest::addColumn<QString>("after");
        QTest::newRow("add-to-empty") << QString() << QByteArray("/w/a.data") << true << "/w/a.data\r\n";
        QTest::newRow("add-keeps-order") << "/w/b.data\r\n" << QByteArray("/w/a.data") << true
                                         << "/w/b.data\r\n/w/a.data\r\n";
        QTest::newRow("add-twice-once") << "/w/a.data\r\n" << QByteArray("/w/a.data") << true << "/w/a.data\r\n";
        QTest::newRow("add-after-unterminated-line") << "/w/b.data" << QByteArray("/w/a.data") << true
                                                     << "/w/b.data\r\n/w/a.data\r\n";
        // A path inside a longer queued path belongs to another page.
        QTest::newRow("add-prefix-of-queued") << "/w/a.data.data\r\n" << QByteArray("/w/a.data") << true
                                              << "/w/a.data.data\r\n/w/a.data\r\n";
        QTest::newRow("add-suffix-of-queued") << "/x/w/a.data\r\n" << QByteArray("/w/a.data") << true
                                              << "/x/w/a.data\r\n/w/a.data\r\n";
        QTest::newRow("add-case-sensitive") << "/w/A.data\r\n" << QByteArray("/w/a.data") << true
                                            << "/w/A.data\r\n/w/a.data\r\n";
        QTest::newRow("remove") << "/w/b.data\r\n/w/a.data\r\n/w/c.data\r\n" << QByteArray("/w/a.data") << false
                                << "/w/b.data\r\n/w/c.data\r\n";
        QTest::newRow("remove-every-copy") << "/w/a.data\r\n/w/b.data\r\n/w/a.data" << QByteArray("/w/a.data")
                                           << false << "/w/b.data\r\n";
        QTest::newRow("remove-whole-lines-only") << "/w/a.data.data\r\n" << QByteArray("/w/a.data") << false
                                                 << "/w/a.data.data\r\n";
        QTest::newRow("remove-absent-rewrites") << "/w/b.data" << QByteArray("/w/a.data") << false
                                                << "/w/b.data\r\n";
        QTest::newRow("remove-from-missing") << QString() << QByteArray("/w/a.data") << false << QString();
        QTest::newRow("sjis-path") << "/w/\u8868.data\r\n" << QByteArray("/w/\x95\x5c.data") << true
                                   << "/w/\u8868.data\r\n";
    }
    void updateQueueAfterSave()
    {
        QFETCH(QString, before);
        QFETCH(QByteArray, path);
        QFETCH(bool, upload);
        QFETCH(QString, after);
        auto store = freshStore();
        if (!before.isEmpty())
            store->setValue(QStringLiteral("Queue"), QStringLiteral("Upload"), before);
        UpdateQueueAfterSave(*store, path.toStdString(), upload);
        QCOMPARE(storedValue(QStringLiteral("Queue/Upload")), after);
        // The value exists after every save, also when it is empty.
        QVERIFY(QSettings(iniPath(), QSettings::IniFormat).contains(QStringLiteral("Queue/Upload")));
    }

    // Bytes that are no Shift_JIS character, or that ICU's code page 932
    // remaps, stay the same through the store: the path is queued once and
    // removed again.
    void queuedPathKeepsItsBytes_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("stray-bytes") << QByteArray("/w/\x80\xff.data");
        QTest::newRow("controls") << QByteArray("/w/\x1a\x1c\x7f.data");
        QTest::newRow("unassigned-pair") << QByteArray("/w/\x85\x40.data");
        QTest::newRow("lead-at-end") << QByteArray("/w/a.data\x82");
    }
    void queuedPathKeepsItsBytes()
    {
        QFETCH(QByteArray, path);
        auto store = freshStore();
        UpdateQueueAfterSave(*store, path.toStdString(), true);
        UpdateQueueAfterSave(*store, path.toStdString(), true);
        QCOMPARE(ReadUploadQueue(QSettingsStore(iniPath())), Lines{path.toStdString()});
        UpdateQueueAfterSave(*store, path.toStdString(), false);
        QCOMPARE(ReadUploadQueue(QSettingsStore(iniPath())), Lines{});
    }

    void queueSeesWritesOfAnotherCopy()
    {
        auto store = freshStore();
        UpdateQueueAfterSave(*store, "/w/a.data", true);
        QSettingsStore other(iniPath());
        UpdateQueueAfterSave(other, "/w/b.data", true);
        UpdateQueueAfterSave(*store, "/w/c.data", true);
        QCOMPARE(ReadUploadQueue(other), (Lines{"/w/a.data", "/w/b.data", "/w/c.data"}));
    }

    void emptyQueue()
    {
        auto store = freshStore();
        QCOMPARE(ReadUploadQueue(*store), Lines{});
        UpdateQueueAfterSave(*store, "/w/a.data", true);
        EmptyUploadQueue(*store);
        QCOMPARE(ReadUploadQueue(*store), Lines{});
        QCOMPARE(storedValue(QStringLiteral("Queue/Upload")), QString());
    }

    void ftpSettingKeyName_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("plain") << QByteArray("srv") << QByteArray("srv");
        QTest::newRow("blanks") << QByteArray("  srv 1 \t") << QByteArray("srv 1");
        QTest::newRow("controls") << QByteArray("\x01srv\r\n") << QByteArray("srv");
        QTest::newRow("sjis-kept") << QByteArray("\x81\x40\x95\x5c ") << QByteArray("\x81\x40\x95\x5c");
        QTest::newRow("blank-only") << QByteArray(" \t") << QByteArray();
    }
    void ftpSettingKeyName()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, key);
        QCOMPARE(FtpSettingKeyName(name.toStdString()), key.toStdString());
    }

    void ftpSettingRoundTripUnderTrimmedName()
    {
        auto store = freshStore();
        const FtpSetting setting{"ftp.example.org", "me", "p\x82\xa0ss", true, FtpProtocol::Ftps, true, "AB:CD"};
        WriteFtpSetting(*store, "  mine ", setting);
        QCOMPARE(ReadFtpSetting(*store, "mine"), setting);
        QCOMPARE(ReadFtpSetting(*store, "mine\t"), setting);
        QSettings ini(iniPath(), QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Ftp/mine"));
        QCOMPARE(ini.childKeys(),
                 (QStringList{"AtomicReplace", "HostName", "KeyFile", "PassWord", "Protocol", "TlsFingerprint",
                              "UsePasv", "UseTLS", "UserName"}));
        QCOMPARE(ini.value(QStringLiteral("UsePasv")).toString(), QStringLiteral("1"));
    }

    // Settings written before a value existed read it as off.
    void switches_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("on");
        for (const char* key : {"UsePasv", "AtomicReplace"}) {
            const QByteArray k(key);
            QTest::newRow((k + "-missing").constData()) << key << QString() << false;
            QTest::newRow((k + "-one").constData()) << key << "1" << true;
            QTest::newRow((k + "-zero").constData()) << key << "0" << false;
            QTest::newRow((k + "-other-integer").constData()) << key << "7" << true;
            QTest::newRow((k + "-not-a-number").constData()) << key << "yes" << false;
        }
    }
    void switches()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(bool, on);
        auto store = freshStore();
        store->setValue(QStringLiteral("Ftp\\s"), QStringLiteral("HostName"), QStringLiteral("h"));
        if (!stored.isEmpty())
            store->setValue(QStringLiteral("Ftp\\s"), key, stored);
        const FtpSetting read = ReadFtpSetting(*store, "s");
        QCOMPARE(key == "UsePasv" ? read.UsePasv : read.AtomicReplace, on);
    }

    // Every protocol and its key file come back; UseTLS tells a build that
    // knows no Protocol whether the setting needs TLS.
    void protocolRoundTrip_data()
    {
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<QByteArray>("keyFile");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QString>("storedUseTls");
        QTest::newRow("ftp") << FtpProtocol::Ftp << QByteArray() << "FTP" << "0";
        QTest::newRow("ftps") << FtpProtocol::Ftps << QByteArray() << "FTPS" << "1";
        QTest::newRow("sftp-with-key") << FtpProtocol::Sftp << QByteArray("/home/u/.ssh/id_ed25519") << "SFTP" << "0";
        QTest::newRow("ftp-keeps-key") << FtpProtocol::Ftp << QByteArray("/k") << "FTP" << "0";
    }
    void protocolRoundTrip()
    {
        QFETCH(FtpProtocol, protocol);
        QFETCH(QByteArray, keyFile);
        QFETCH(QString, storedName);
        QFETCH(QString, storedUseTls);
        auto store = freshStore();
        FtpSetting setting{"h", "u", "p", true, protocol, false, {}, keyFile.toStdString()};
        WriteFtpSetting(*store, "s", setting);
        QCOMPARE(ReadFtpSetting(QSettingsStore(iniPath()), "s"), setting);
        QCOMPARE(storedValue(QStringLiteral("Ftp/s/Protocol")), storedName);
        QCOMPARE(storedValue(QStringLiteral("Ftp/s/UseTLS")), storedUseTls);
    }

    // Protocol ("-" when missing) and UseTLS as another build or a hand
    // left them. Plain FTP is read only when nothing asks for more.
    void protocolAsStored_data()
    {
        QTest::addColumn<QString>("protocolValue");
        QTest::addColumn<QString>("useTls");
        QTest::addColumn<FtpProtocol>("read");
        QTest::newRow("older-build-plain") << "-" << "0" << FtpProtocol::Ftp;
        QTest::newRow("older-build-tls") << "-" << "1" << FtpProtocol::Ftps;
        QTest::newRow("any-case-and-blanks") << " sftp " << "0" << FtpProtocol::Sftp;
        QTest::newRow("ftp-but-tls-turned-on-since") << "FTP" << "1" << FtpProtocol::Ftps;
        QTest::newRow("ftps-without-use-tls") << "FTPS" << "0" << FtpProtocol::Ftps;
        QTest::newRow("sftp-with-use-tls") << "SFTP" << "1" << FtpProtocol::Sftp;
        QTest::newRow("unknown-with-tls") << "FTPES" << "1" << FtpProtocol::Ftps;
        QTest::newRow("unknown-without-tls") << "FTPES" << "0" << FtpProtocol::Ftp;
    }
    void protocolAsStored()
    {
        QFETCH(QString, protocolValue);
        QFETCH(QString, useTls);
        QFETCH(FtpProtocol, read);
        auto store = freshStore();
        store->setValue(QStringLiteral("Ftp\\s"), QStringLiteral("HostName"), QStringLiteral("h"));
        if (protocolValue != "-")
            store->setValue(QStringLiteral("Ftp\\s"), QStringLiteral("Protocol"), protocolValue);
        store->setValue(QStringLiteral("Ftp\\s"), QStringLiteral("UseTLS"), useTls);
        QCOMPARE(ReadFtpSetting(*store, "s").Protocol, read);
    }

    void fingerprintIsWrittenAlone()
    {
        auto store = freshStore();
        const FtpSetting setting{"h", "u", "p", true, FtpProtocol::Ftps, false, {}};
        WriteFtpSetting(*store, "s", setting);
        WriteTlsFingerprint(*store, "s", "01:FF");
        FtpSetting expected = setting;
        expected.TlsFingerprint = "01:FF";
        QCOMPARE(ReadFtpSetting(*store, "s"), expected);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, WriteTlsFingerprint(*store, " ", "01"));
    }

    void missingSettingReadsAsDefaults()
    {
        auto store = freshStore();
        QCOMPARE(ReadFtpSetting(*store, "nowhere"), FtpSetting{});
    }

    void eraseRemovesOnlyThatSetting()
    {
        auto store = freshStore();
        store->writeText(QStringLiteral("Ftp"), QStringLiteral("SettingNameText"), "a\r\nab\r\n");
        WriteFtpSetting(*store, "a", {"h1", "u1", "p1", true, FtpProtocol::Ftp, false, {}});
        WriteFtpSetting(*store, "ab", {"h2", "u2", "p2", false, FtpProtocol::Ftp, false, {}});
        EraseFtpSetting(*store, " a ");
        QCOMPARE(ReadFtpSetting(*store, "a"), FtpSetting{});
        QCOMPARE(ReadFtpSetting(*store, "ab"), (FtpSetting{"h2", "u2", "p2", false, FtpProtocol::Ftp, false, {}}));
        QCOMPARE(storedValue(QStringLiteral("Ftp/SettingNameText")), QStringLiteral("a\r\nab\r\n"));
        QVERIFY(!QSettings(iniPath(), QSettings::IniFormat).childGroups().isEmpty());
    }

    // Settings written together each keep a section of their own below Ftp,
    // whatever their names hold (plain names as before); erasing the first
    // leaves the others and the names list as they were.
    void everyNameKeepsASectionOfItsOwn_data()
    {
        QTest::addColumn<Lines>("names");
        QTest::addColumn<QStringList>("sections");
        QTest::newRow("plain") << Lines{"srv", "(\x8b\x4b\x92\xe8\x92\x6c)", "50%off", "a b"}
                               << QStringList{"srv", u"(\u898f\u5b9a\u5024)"_qs, "50%off", "a b"};
        QTest::newRow("trail-5c-is-no-separator") << Lines{"\x95\x5c", "\x95"}
                                                  << QStringList{u"\u8868"_qs, QString::fromUcs4(U"\U000F0095")};
        QTest::newRow("parent-then-nested") << Lines{"a", "a/b", "a\\b"} << QStringList{"a", "a%2Fb", "a%5Cb"};
        QTest::newRow("nested-then-parent") << Lines{"a/b", "a"} << QStringList{"a%2Fb", "a"};
        QTest::newRow("separators-only") << Lines{"/", "\\", "//"} << QStringList{"%2F", "%5C", "%2F%2F"};
        QTest::newRow("percent-escapes-differ") << Lines{"a/b", "a%2Fb", "a%2fb", "%"}
                                                << QStringList{"a%2Fb", "a%252Fb", "a%252fb", "%"};
        QTest::newRow("names-list-value") << Lines{"SettingNameText", "settingnametext", "%53ettingNameText"}
                                          << QStringList{"%53ettingNameText", "%73ettingnametext", "%2553ettingNameText"};
        QTest::newRow("case-sensitive") << Lines{"Srv", "srv"} << QStringList{"Srv", "srv"};
        QTest::newRow("bytes-icu-merges") << Lines{"\x80\xff", "\x7f\x7f", "x\x1cx"}
                                          << QStringList{QString::fromUcs4(U"\U000F0080\U000F00FF"), "\x7f\x7f", "x\x1cx"};
    }
    void everyNameKeepsASectionOfItsOwn()
    {
        QFETCH(Lines, names);
        QFETCH(QStringList, sections);
        auto store = freshStore();
        store->writeText(QStringLiteral("Ftp"), QStringLiteral("SettingNameText"), JoinSettingNames(names));
        auto settingOf = [](size_t i) { return FtpSetting{"h" + std::to_string(i), "u", "p", i % 2 == 0, FtpProtocol::Ftp, false, {}}; };
        for (size_t i = 0; i < names.size(); ++i)
            WriteFtpSetting(*store, names[i], settingOf(i));
        auto storedSections = [this] {
            QSettings ini(iniPath(), QSettings::IniFormat);
            ini.beginGroup(QStringLiteral("Ftp"));
            QStringList groups = ini.childGroups();
            groups.sort();
            return groups;
        };
        QStringList expected = sections;
        expected.sort();
        QCOMPARE(storedSections(), expected);

        EraseFtpSetting(*store, names[0]);
        QCOMPARE(ReadFtpSetting(*store, names[0]), FtpSetting{});
        for (size_t i = 1; i < names.size(); ++i)
            QCOMPARE(ReadFtpSetting(QSettingsStore(iniPath()), names[i]), settingOf(i));
        expected.removeOne(sections[0]);
        QCOMPARE(storedSections(), expected);
        QCOMPARE(store->readText(QStringLiteral("Ftp"), QStringLiteral("SettingNameText"), "gone"),
                 JoinSettingNames(names));
    }

    // A blank name would address the section that holds the names list.
    void blankNameTouchesNothing()
    {
        auto store = freshStore();
        store->writeText(QStringLiteral("Ftp"), QStringLiteral("SettingNameText"), "a\r\n");
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, WriteFtpSetting(*store, "  ", {"h", "u", "p", true, FtpProtocol::Ftp, false, {}}));
        EraseFtpSetting(*store, " ");
        store->flush();
        QCOMPARE(storedValue(QStringLiteral("Ftp/SettingNameText")), QStringLiteral("a\r\n"));
        QVERIFY(!QSettings(iniPath(), QSettings::IniFormat).contains(QStringLiteral("Ftp/HostName")));
    }

    void unwritableStoreReportsTheError()
    {
        const QString folder = dir_.filePath(QStringLiteral("locked"));
        QDir().mkpath(folder);
        QSettingsStore store(folder + QStringLiteral("/QUIB.ini"));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        auto unlock = qScopeGuard([&] {
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        });
        QFile probe(folder + QStringLiteral("/probe"));
        if (probe.open(QIODevice::WriteOnly))
            QSKIP("running with rights that ignore folder permissions");
        QVERIFY_THROWS_EXCEPTION(StoreWriteError, UpdateQueueAfterSave(store, "/w/a.data", true));
    }
};

QTEST_GUILESS_MAIN(TestUploadStore)
#include "tst_uploadstore.moc"
