// Where the user left the most recent pages, as the settings keep it.
#include "settings/OutlineViewStates.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::vector<int>)

class TestOutlineViewStates : public QObject {
    Q_OBJECT

private slots:
    void indexesAsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::vector<int>>("indexes");
        QTest::addColumn<bool>("roundTrip"); // written back the same
        QTest::newRow("none") << "" << std::vector<int>{} << true;
        QTest::newRow("single") << "4" << std::vector<int>{4} << true;
        QTest::newRow("runs") << "0-2,5,7-8" << std::vector<int>{0, 1, 2, 5, 7, 8} << true;
        QTest::newRow("blanks") << " 1 , 3-4 " << std::vector<int>{1, 3, 4} << false;
        QTest::newRow("not ascending") << "5,2" << std::vector<int>{} << false;
        QTest::newRow("backward run") << "4-2" << std::vector<int>{} << false;
        QTest::newRow("negative") << "-1" << std::vector<int>{} << false;
        QTest::newRow("letters") << "a,b" << std::vector<int>{} << false;
        QTest::newRow("huge run") << "0-2000000000" << std::vector<int>{} << false;
    }
    void indexesAsText()
    {
        QFETCH(QString, text);
        QFETCH(std::vector<int>, indexes);
        QFETCH(bool, roundTrip);
        QCOMPARE(OutlineViewStates::IndexesFromText(text), indexes);
        if (roundTrip)
            QCOMPARE(OutlineViewStates::IndexesToText(indexes), text);
    }

    // The most recent pages only; leaving a page again makes it the newest.
    void mostRecentPagesAreKept()
    {
        QTemporaryDir dir;
        QSettingsStore store(dir.filePath("QUIB.conf"));
        const auto page = [](int i) { return QStringLiteral("/p/%1.data").arg(i); };
        for (int i = 0; i <= OutlineViewStates::RememberedPages; ++i)
            OutlineViewStates::Save(store, page(i), OutlineViewState{i, {i, i + 1}});
        QVERIFY(!OutlineViewStates::Load(store, page(0))); // the oldest went
        QCOMPARE(OutlineViewStates::Load(store, page(1)), (OutlineViewState{1, {1, 2}}));
        OutlineViewStates::Save(store, page(1), OutlineViewState{9, {}});
        OutlineViewStates::Save(store, page(99), OutlineViewState{});
        QCOMPARE(OutlineViewStates::Load(store, page(1)), (OutlineViewState{9, {}}));
        QVERIFY(!OutlineViewStates::Load(store, page(2)));
    }
};

QTEST_GUILESS_MAIN(TestOutlineViewStates)
#include "tst_outlineviewstates.moc"
