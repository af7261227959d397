// On a real X server: saving a page reloads every browser window that shows
// it (its caption holds the page title, " - " and the browser's name).
#include "FakeBrowser.h"
#include "app/BrowserLink.h"
#include "app/TformMain.h"
#include "page/PageDocument.h"
#include "document/TextCodec.h"
#include "ui_TformMain.h"

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>


class TestSaveReload : public QObject {
    Q_OBJECT

private slots:
    void savingReloadsEveryBrowserWindowOfThePage()
    {
        if (!BrowserLink::Available())
            QSKIP("needs an X display with the XTEST extension");
        QTemporaryDir dir;
        PageDocument document;
        Page& page = document.page();
        Settings settings;
        settings.BrowserWindowTitle = "Chromium";
        settings.StartFolder = TextCodec::FromUnicodeWithReferences(dir.path() + "/");
        page.ResetPage({});
        page.Title = TextCodec::Sjis("日記");
        page.DatabasePath = settings.StartFolder;
        page.FileName = "diary.html";
        TformMain window(document, settings);
        window.resize(640, 480);
        FakeBrowser first(QString::fromUtf8("日記 - Chromium")), second(QString::fromUtf8("(2) 日記 - Chromium")),
            other(QStringLiteral("Other - Chromium"));
        for (QWidget* w : {static_cast<QWidget*>(&first), static_cast<QWidget*>(&second),
                           static_cast<QWidget*>(&other), static_cast<QWidget*>(&window)}) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
        window.form().MainMenu_TIR->setChecked(true);
        window.form().MainMenu_TIO->setChecked(true);

        QSignalSpy reloads(&window, &TformMain::browsersReloaded);
        window.form().MainMenu_FSS->trigger();
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("保存しました。"));
        QCOMPARE(reloads.size(), 1);
        QCOMPARE(reloads.first().first().toInt(), 2);
        QTRY_COMPARE(first.reloads, 1);
        QTRY_COMPARE(second.reloads, 1);
        QCOMPARE(other.reloads, 0);
        QTRY_COMPARE(QApplication::activeWindow(), &window);

        // Unchecked, a save reloads nothing: no key goes out at all.
        window.form().MainMenu_TIR->setChecked(false);
        window.form().MainMenu_FSS->trigger();
        QCOMPARE(reloads.size(), 1);
    }
};

QTEST_MAIN(TestSaveReload)
#include "tst_savereload.moc"
