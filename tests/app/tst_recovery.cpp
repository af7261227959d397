// The recovery copy as the window keeps it: written with the typing not yet
// a step, gone once the page is saved or its changes are given up, and
// offered for a page opened after another page's changes were given up.
#include "app/TformMain.h"
#include "document/PageFile.h"
#include "document/PagePaths.h"
#include "editor/ColourEditor.h"
#include "page/PageDocument.h"
#include "page/PageRecovery.h"
#include "page/RecoveryStore.h"
#include "settings/SettingsStore.h"
#include "ui_TformMain.h"

#include "common/ModalAnswer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

SjisString Bytes(const QString& text) { return text.toStdString(); }

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    Settings settings_;
    std::unique_ptr<QSettingsStore> store_;
    std::unique_ptr<RecoveryStore> copies_;
    PageDocument document_;
    Page& page_ = document_.page();
    std::unique_ptr<TformMain> window_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    Ui::TformMain& ui() { return window_->form(); }
    bool copyExists(SjisView pageFile)
    {
        return copies_->WaitUntilDone(10000) && QFile::exists(copies_->CopyPath(pageFile));
    }
    SjisString pageFile() const { return PagePaths::PageFilePath(page_); }

    // The window on a saved page of one node, bound in the editor.
    void start()
    {
        window_ = std::make_unique<TformMain>(document_, settings_);
        window_->setStores(store_.get(), nullptr);
        window_->setRecoveryStore(copies_.get());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        page_.Title = "a";
        page_.FileName = Bytes(path("a.html"));
        page_.DatabasePath = Bytes(dir_.path() + "/");
        window_->selectNode(page_.AddChildNode(nullptr));
        ui().MainMenu_FSS->trigger();
        QVERIFY(!window_->isModified());
    }
    void type(const QString& text)
    {
        ui().RichEdit->setFocus();
        QTest::keyClicks(ui().RichEdit, text);
    }

private slots:
    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
        store_ = std::make_unique<QSettingsStore>(path("QUIB.conf"));
        copies_ = std::make_unique<RecoveryStore>(path("recovery"));
        settings_ = Settings();
        settings_.ProgramFolder = Bytes(dir_.path() + "/");
        settings_.StartFolder = settings_.ProgramFolder;
        start();
    }
    void cleanup()
    {
        window_.reset();
        copies_.reset();
    }

    // Typing that is no step yet goes into the copy, and stays typing.
    void copyHoldsTheTypingAsItStands()
    {
        type(QStringLiteral("typed"));
        window_->recovery()->WriteNow();
        QVERIFY(copyExists(pageFile()));
        QFile copy(copies_->CopyPath(pageFile()));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QVERIFY(copy.readAll().contains("typed"));
        QVERIFY(!document_.CanUndo()); // the run goes on: no step was made for the copy
    }

    void copyGoesWithTheChanges_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("kept");
        QTest::newRow("saved") << "save" << false;
        QTest::newRow("undone to the saved state") << "undo" << false;
        QTest::newRow("closed without saving") << "close-discard" << false;
        QTest::newRow("close cancelled") << "close-cancel" << true;
    }
    void copyGoesWithTheChanges()
    {
        QFETCH(QString, then);
        QFETCH(bool, kept);
        type(QStringLiteral("x"));
        window_->recovery()->WriteNow();
        QVERIFY(copyExists(pageFile()));
        if (then == "save") {
            ui().MainMenu_FSS->trigger();
        } else if (then == "undo") {
            ui().MainMenu_EU->trigger();
            window_->recovery()->WriteNow(); // as its timer does
        } else {
            Answer(then == "close-discard" ? QMessageBox::Discard : QMessageBox::Cancel);
            window_->close();
        }
        QCOMPARE(copyExists(pageFile()), kept);
    }

    // Giving up one page's changes to open another must not take the copy
    // that the other page is then offered.
    void pageOpenedAfterDiscardingIsOfferedItsCopy()
    {
        Page other;
        other.Title = "b";
        other.FileName = Bytes(path("b.html"));
        other.DatabasePath = Bytes(dir_.path() + "/");
        other.RenameNode(other.AddChildNode(nullptr), "saved name");
        QVERIFY(WritePageFileTo(other, PagePaths::PageFilePath(other)).ok());
        other.RenameNode(other.topLevelNodes().front().get(), "unsaved name");
        copies_->Write(PagePaths::PageFilePath(other), *PageFileBytes(ImageOfPage(other)));
        QVERIFY(copyExists(PagePaths::PageFilePath(other)));

        type(QStringLiteral("x"));
        Box offer;
        Answer(QMessageBox::Discard, nullptr, [&offer] { Answer(QMessageBox::Yes, &offer); });
        QVERIFY(window_->OpenPage(path("b.data")));
        QTRY_VERIFY(offer.seen);
        QVERIFY(offer.text.contains(QStringLiteral("復元用コピー")));
        QCOMPARE(page_.topLevelNodes().front()->name(), SjisString("unsaved name"));
        QVERIFY(window_->isWindowModified());
        QCOMPARE(page_.Title, SjisString("b"));
    }
};

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
