// Browser reload on a real X server: every window whose caption holds the
// page's title and the browser's name gets F5, and the focus comes back.
#include "FakeBrowser.h"
#include "app/BrowserLink.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>


class TestBrowserLink : public QObject {
    Q_OBJECT

private slots:
    void captionMatching_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("matches");
        QTest::newRow("exact") << "Diary - Chromium" << true;
        QTest::newRow("with-prefix") << "(2) Diary - Chromium" << true;
        QTest::newRow("other-page") << "Other - Chromium" << false;
        QTest::newRow("other-browser") << "Diary - Firefox" << false;
        QTest::newRow("beyond-199-characters") << QString(190, 'x') + "Diary - Chromium" << false;
    }

    void captionMatching()
    {
        QFETCH(QString, caption);
        QFETCH(bool, matches);
        QCOMPARE(BrowserLink::CaptionMatches(caption, BrowserLink::CaptionFor("Diary", "Chromium")), matches);
    }

    void everyMatchingWindowIsReloaded()
    {
        if (!BrowserLink::Available())
            QSKIP("needs an X display with the XTEST extension");
        // The program's own window holds the page's title too; it is skipped.
        QWidget own;
        own.setWindowTitle(QString::fromUtf8("日記 - Chromium - Tav Outliner"));
        own.resize(300, 200);
        FakeBrowser first(QString::fromUtf8("日記 - Chromium")), second(QString::fromUtf8("(1) 日記 - Chromium")),
            other("Other - Chromium");
        for (QWidget* w : {static_cast<QWidget*>(&own), static_cast<QWidget*>(&first),
                           static_cast<QWidget*>(&second), static_cast<QWidget*>(&other)}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
        const int reloaded = BrowserLink::ReloadMatching(BrowserLink::CaptionFor(QString::fromUtf8("日記"), "Chromium"),
                                                         true, own.winId(), {own.winId()});
        QCOMPARE(reloaded, 2);
        QTRY_COMPARE(first.reloads, 1);
        QTRY_COMPARE(second.reloads, 1);
        QCOMPARE(other.reloads, 0);
        QTRY_COMPARE(QApplication::activeWindow(), &own);
    }
};

QTEST_MAIN(TestBrowserLink)
#include "tst_browserlink.moc"
