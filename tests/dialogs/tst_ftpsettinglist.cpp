// The FTP tab's list without its window: which row the tab starts on, what
// each command writes, and that a command the store refuses leaves nothing
// behind, neither in the rows nor in what the store writes next.
#include "dialogs/FtpSettingList.h"
#include "document/TextCodec.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The real store, whose writes to disk can be refused as a full disk
// would: the values wait in memory, as they do when a write fails.
class RefusingStore final : public SettingsStore {
public:
    explicit RefusingStore(const QString& file) : store_(file) {}
    bool refusing = false;

    std::optional<QString> value(const QString& section, const QString& name) const override
    {
        return store_.value(section, name);
    }
    void setValue(const QString& section, const QString& name, const QString& text) override
    {
        store_.setValue(section, name, text);
    }
    void eraseSection(const QString& section) override { store_.eraseSection(section); }
    std::optional<QString> flush() override
    {
        return refusing ? std::optional<QString>(QStringLiteral("書き込めません")) : store_.flush();
    }

private:
    QSettingsStore store_;
};

SjisString Sjis(const QString& text) { return TextCodec::FromUnicodeWithReferences(text); }

FtpSetting Server(const QString& host, const SjisString& user = "u")
{
    FtpSetting setting;
    setting.HostName = Sjis(host);
    setting.UserName = user;
    return setting;
}

} // namespace

class TestFtpSettingList : public QObject {
    Q_OBJECT
private slots:
    // Steps: "select:NAME", "row:N", "add:NAME=HOST", "apply:HOST",
    // "remove", "refuse" (the store refuses every write from then on).
    // `settings` is every stored setting as "NAME=HOST", read from the file
    // after the store writes again.
    void commandsKeepRowsAndStoreTogether_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QStringList>("settings");
        const QStringList two{"(規定値)", "home"};
        const QStringList stored{"(規定値)=ftp.default", "home=ftp.home"};

        QTest::newRow("opens on the default row") << two << QStringList{} << two << "(規定値)" << false << stored;
        QTest::newRow("opens on the first row without the default")
            << QStringList{"home", "work"} << QStringList{} << QStringList{"home", "work"} << "home" << false << stored;
        QTest::newRow("an empty list selects nothing")
            << QStringList{} << QStringList{"apply:ftp.new", "remove"} << QStringList{} << "" << false << stored;
        QTest::newRow("add lists the name and selects it")
            << two << QStringList{"add:work=ftp.work"} << QStringList{"(規定値)", "home", "work"} << "work" << false
            << QStringList{"(規定値)=ftp.default", "home=ftp.home", "work=ftp.work"};
        QTest::newRow("adding a listed name keeps its row")
            << two << QStringList{"add:home=ftp.other"} << two << "home" << false
            << QStringList{"(規定値)=ftp.default", "home=ftp.other"};
        QTest::newRow("a blank name is refused") << two << QStringList{"add: \t=ftp.x"} << two << "(規定値)" << true << stored;
        QTest::newRow("a line break in a name is refused")
            << two << QStringList{"add:a\nb=ftp.x"} << two << "(規定値)" << true << stored;
        QTest::newRow("apply stores the selected row's setting")
            << two << QStringList{"select:home", "apply:ftp.new"} << two << "home" << false
            << QStringList{"(規定値)=ftp.default", "home=ftp.new"};
        QTest::newRow("remove takes row and setting, back to the default")
            << two << QStringList{"select:home", "remove"} << QStringList{"(規定値)"} << "(規定値)" << false
            << QStringList{"(規定値)=ftp.default"};
        QTest::newRow("the default setting stays") << two << QStringList{"remove"} << two << "(規定値)" << false << stored;
        QTest::newRow("a name listed twice keeps its setting")
            << QStringList{"(規定値)", "home", "home"} << QStringList{"row:2", "remove"} << two << "(規定値)" << false
            << stored;
        QTest::newRow("a refused add is taken back")
            << two << QStringList{"refuse", "add:work=ftp.work"} << two << "(規定値)" << true << stored;
        QTest::newRow("a refused add over a listed name is taken back")
            << two << QStringList{"refuse", "add:home=ftp.other"} << two << "(規定値)" << true << stored;
        QTest::newRow("a refused apply is taken back")
            << two << QStringList{"select:home", "refuse", "apply:ftp.new"} << two << "home" << true << stored;
        QTest::newRow("a refused remove is taken back")
            << two << QStringList{"select:home", "refuse", "remove"} << two << "home" << true << stored;
    }

    void commandsKeepRowsAndStoreTogether()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, rows);
        QFETCH(QString, selected);
        QFETCH(bool, refused);
        QFETCH(QStringList, settings);

        QTemporaryDir dir;
        const QString file = dir.filePath("QUIB.conf");
        RefusingStore store(file);
        Settings memory;
        memory.SettingNameText = Sjis(names.isEmpty() ? QString() : names.join("\r\n") + "\r\n");
        WriteFtpSetting(store, Sjis("(規定値)"), Server("ftp.default", "d"));
        WriteFtpSetting(store, "home", Server("ftp.home", "h"));
        QVERIFY(!SaveSettingNameText(store, memory));

        FtpSettingList list(memory, store);
        list.load();
        bool failed = false;
        for (const QString& step : std::as_const(steps)) {
            const QString verb = step.section(u':', 0, 0);
            const QString arg = step.section(u':', 1);
            std::optional<QString> error;
            if (verb == "select")
                list.select(size_t(std::find(list.names().begin(), list.names().end(), Sjis(arg)) - list.names().begin()));
            else if (verb == "row")
                list.select(arg.toUInt());
            else if (verb == "add")
                error = list.add(Sjis(arg.section(u'=', 0, 0)), Server(arg.section(u'=', 1)));
            else if (verb == "apply")
                error = list.apply(Server(arg));
            else if (verb == "remove")
                error = list.remove();
            else
                store.refusing = true;
            failed = failed || error.has_value();
        }
        QCOMPARE(failed, refused);

        QStringList shown;
        for (const SjisString& name : list.names())
            shown << TextCodec::ToUnicode(name);
        QCOMPARE(shown, rows);
        QCOMPARE(list.selectedRow() ? shown[int(*list.selectedRow())] : QString(), selected);
        QCOMPARE(TextCodec::ToUnicode(memory.SettingNameText), rows.isEmpty() ? QString() : rows.join("\r\n") + "\r\n");
        if (list.selectedRow())
            QCOMPARE(list.stored(), ReadFtpSetting(store, list.names()[*list.selectedRow()]));

        // What the store writes once it can: nothing of a command taken back.
        store.refusing = false;
        QVERIFY(!store.flush());
        QSettings written(file, QSettings::IniFormat);
        QCOMPARE(written.value("Ftp/SettingNameText").toString(), TextCodec::ToUnicode(memory.SettingNameText));
        written.beginGroup("Ftp");
        QStringList found;
        for (const QString& name : written.childGroups())
            found << name + "=" + written.value(name + "/HostName").toString();
        found.sort();
        QCOMPARE(found, settings);
    }
};

QTEST_GUILESS_MAIN(TestFtpSettingList)
#include "tst_ftpsettinglist.moc"
