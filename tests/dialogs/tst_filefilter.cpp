#include "dialogs/FileFilter.h"

#include <QTest>

class TestFileFilter : public QObject {
    Q_OBJECT
private slots:
    void pairsBecomeNameFilters_data()
    {
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<QStringList>("filters");
        QTest::newRow("two-entries")
            << QStringLiteral("ハイパーテキスト ドキュメント（*.html;*.htm）|*.html;*.htm|すべてのファイル（*.*）|*.*")
            << QStringList{QStringLiteral("ハイパーテキスト ドキュメント（*.html;*.htm） (*.html *.htm)"),
                           QStringLiteral("すべてのファイル（*.*） (*)")};
        QTest::newRow("one-entry") << QStringLiteral("CSS|*.css") << QStringList{QStringLiteral("CSS (*.css)")};
        QTest::newRow("odd-part-dropped") << QStringLiteral("CSS|*.css|Rest") << QStringList{QStringLiteral("CSS (*.css)")};
        QTest::newRow("empty") << QString() << QStringList();
    }

    void pairsBecomeNameFilters()
    {
        QFETCH(QString, pairs);
        QFETCH(QStringList, filters);
        QCOMPARE(NameFilters(pairs), filters);
    }
};

QTEST_GUILESS_MAIN(TestFileFilter)
#include "tst_filefilter.moc"
