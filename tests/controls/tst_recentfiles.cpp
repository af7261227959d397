// The recent-files list and its menu.
#include "controls/TOpenFileHistories.h"
#include "settings/SettingsStore.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList Lines(const QString& text) { return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts); }

QStringList Captions(const QMenu& menu)
{
    QStringList captions;
    for (QAction* a : menu.actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return captions;
}

} // namespace

class TestRecentFiles : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString storeFile() const { return dir_.filePath("OFH.conf"); }

private slots:
    void init() { QFile::remove(storeFile()); }

    void merge_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<int>("max");
        QTest::addColumn<QStringList>("expected");
        const QString ten = "p0\r\np1\r\np2\r\np3\r\np4\r\np5\r\np6\r\np7\r\np8\r\np9\r\n";
        QTest::newRow("eleventh-drops-oldest") << ten << QStringList{"new"} << 10
                                               << QStringList{"new", "p0", "p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8"};
        QTest::newRow("listed-moves-to-front") << "a\r\nb\r\nc\r\n" << QStringList{"b"} << 10
                                               << QStringList{"b", "a", "c"};
        QTest::newRow("a-b-a-gives-a-b-then-older") << "x\r\ny\r\n" << QStringList{"a", "b", "a"} << 10
                                                    << QStringList{"a", "b", "x", "y"};
        QTest::newRow("case-only-difference-is-one-entry") << "/W/Page.data\r\nq\r\n" << QStringList{"/w/page.data"}
                                                           << 10 << QStringList{"/w/page.data", "q"};
        QTest::newRow("lone-cr-and-lf-split") << "a\rb\nc" << QStringList{"d"} << 10 << QStringList{"d", "a", "b", "c"};
        QTest::newRow("small-max") << "a\r\nb\r\nc\r\n" << QStringList{"d"} << 2 << QStringList{"d", "a"};
    }

    void merge()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, added);
        QFETCH(int, max);
        QFETCH(QStringList, expected);
        RecentFileList list;
        list.maxHistory = max;
        list.load(stored);
        for (const QString& path : added)
            list.add(path);
        const QString text = list.merge();
        QCOMPARE(list.history(), expected);
        QCOMPARE(Lines(text), expected);
        QVERIFY(text.endsWith("\r\n"));
    }

    void captionPrefixes()
    {
        QCOMPARE(RecentFileList::captionPrefix(0), QStringLiteral("&0 "));
        QCOMPARE(RecentFileList::captionPrefix(9), QStringLiteral("&9 "));
        QCOMPARE(RecentFileList::captionPrefix(10), QStringLiteral("&A "));
        QCOMPARE(RecentFileList::captionPrefix(35), QStringLiteral("&Z "));
        QCOMPARE(RecentFileList::captionPrefix(36), QString());
    }

    void nothingIsWrittenByARunThatAddedNothing()
    {
        QSettingsStore store(storeFile());
        store.setValue(QString(), "Tav Outliner", "kept\r\n");
        TOpenFileHistories histories(store);
        histories.LoadHistories("Tav Outliner");
        store.setValue(QString(), "Tav Outliner", "changed by another copy\r\n");
        histories.SaveHistories("Tav Outliner");
        QCOMPARE(*store.value(QString(), "Tav Outliner"), QStringLiteral("changed by another copy\r\n"));
    }

    void itemsFollowTheAnchorAndOpenTheirFile()
    {
        QSettingsStore store(storeFile());
        store.setValue(QString(), "Tav Outliner", "/a/one.data\r\n/b/two.data\r\n");
        QMenu openMenu;
        openMenu.addAction("Page...");
        QAction* separator = openMenu.addSeparator();
        openMenu.addAction("after");
        TOpenFileHistories histories(store, &openMenu);
        histories.setUpFileItem(separator);
        histories.LoadHistories("Tav Outliner");
        QCOMPARE(Captions(openMenu), QStringList({"Page...", "-", "&0 /a/one.data", "&1 /b/two.data", "after"}));

        QSignalSpy opened(&histories, &TOpenFileHistories::OnOpenFile);
        openMenu.actions()[3]->trigger();
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened[0][1].toString(), QStringLiteral("/b/two.data"));

        histories.AddHistory("/c/three.data");
        histories.RefreshMenu();
        QCOMPARE(Captions(openMenu),
                 QStringList({"Page...", "-", "&0 /c/three.data", "&1 /a/one.data", "&2 /b/two.data", "after"}));
        QCOMPARE(*store.value(QString(), "Tav Outliner"),
                 QStringLiteral("/c/three.data\r\n/a/one.data\r\n/b/two.data\r\n"));
    }

    void subMenuPlacementsListFilesAndFolders()
    {
        QSettingsStore store(storeFile());
        store.setValue(QString(), "List", "/a/one.data\r\n/a/two.data\r\n/b/three.data\r\n");
        QMenu files, folders;
        files.menuAction()->setEnabled(false);
        TOpenFileHistories histories(store);
        histories.setSubFileItem(&files);
        histories.setSubFolderItem(&folders);
        histories.LoadHistories("List");
        QVERIFY(files.menuAction()->isEnabled());
        QCOMPARE(Captions(folders), QStringList({"&0 /a", "&1 /b"}));
        QSignalSpy dialog(&histories, &TOpenFileHistories::OnOpenDialog);
        folders.actions()[1]->trigger();
        QCOMPARE(dialog[0][1].toString(), QStringLiteral("/b"));
    }

    void settingOnePlacementClearsTheOther()
    {
        QSettingsStore store(storeFile());
        QMenu menu;
        QAction* anchor = menu.addSeparator();
        TOpenFileHistories histories(store);
        histories.setSubFileItem(&menu);
        histories.setUpFileItem(anchor);
        QCOMPARE(histories.SubFileItem(), nullptr);
        histories.setSubFileItem(&menu);
        QCOMPARE(histories.UpFileItem(), nullptr);
        {
            QMenu gone;
            histories.setSubFolderItem(&gone);
        }
        QCOMPARE(histories.SubFolderItem(), nullptr);
    }

    void emptyHistoryLeavesTheAnchorAlone()
    {
        QSettingsStore store(storeFile());
        QMenu menu;
        QAction* anchor = menu.addSeparator();
        anchor->setVisible(false);
        TOpenFileHistories histories(store);
        histories.setUpFileItem(anchor);
        histories.LoadHistories("Tav Outliner");
        QVERIFY(!anchor->isVisible());
        QCOMPARE(menu.actions().size(), 1);
    }
};

QTEST_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
