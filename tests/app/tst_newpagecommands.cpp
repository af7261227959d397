// File > New > Page, Save as, start-up choice 1, saving where the HTML file
// cannot go, and Help > About, with the program's real dialogs.
#include "app/ProgramWindows.h"
#include "app/TformMain.h"
#include "page/PageDocument.h"
#include "common/ModalAnswer.h"
#include "dialogs/TformAbout.h"
#include "dialogs/TformFolderDialog.h"
#include "dialogs/TformNewPage.h"
#include "document/TextCodec.h"
#include "settings/SettingsStore.h"
#include "ui_TformMain.h"
#include "ui_TformNewPage.h"
#include "upload/UploadStore.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

SjisString Bytes(const QString& text) { return TextCodec::FromUnicodeStrict(text).value(); }

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Fills the new page dialog when it shows and confirms or cancels it.
void AnswerNewPage(const QString& title, const QString& fileName, const QString& root, bool confirm)
{
    WhenModal<TformNewPage>([=](TformNewPage* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("新しいページの作成"));
        dialog->form().editTitle->setText(title);
        dialog->form().editFileName->setText(fileName);
        dialog->form().editDatabasePath->setText(root);
        QTest::mouseClick(confirm ? dialog->form().bttnOk : dialog->form().bttnCancel, Qt::LeftButton);
    });
}

// The rows of a command tried with OK and with Cancel in its dialog.
void OkAndCancelRows()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("ok") << true;
    QTest::newRow("cancel") << false;
}

} // namespace

class TestNewPageCommands : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettingsStore> store_;
    std::unique_ptr<QSettingsStore> recent_;
    Settings settings_;
    PageDocument document_;
    Page& page_ = document_.page();
    std::unique_ptr<TformMain> window_;
    std::unique_ptr<ProgramWindows> windows_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    Ui::TformMain& ui() { return window_->form(); }

    // Starts the program's window with its dialogs, as start-up does.
    void start()
    {
        window_ = std::make_unique<TformMain>(document_, settings_);
        window_->setStores(store_.get(), recent_.get());
        windows_ = std::make_unique<ProgramWindows>(*window_, page_, settings_, *store_);
        window_->setWindows(windows_->windows());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    // A page with one node, saved, to start the commands from.
    void startOnSavedPage()
    {
        start();
        page_.Title = "before";
        page_.FileName = Bytes(path("before.html"));
        page_.DatabasePath = Bytes(dir_.path() + "/");
        page_.CharacterSet = Charset::ShiftJis;
        page_.AddChildNode(nullptr);
        ui().MainMenu_FSS->trigger();
        QVERIFY(!window_->isModified());
    }

private slots:
    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(path("program"));
        store_ = std::make_unique<QSettingsStore>(path("QUIB.conf"));
        recent_ = std::make_unique<QSettingsStore>(path("OFH.conf"));
        settings_ = Settings();
        settings_.ProgramFolder = Bytes(path("program/"));
        settings_.StartFolder = Bytes(path("program/"));
    }
    void cleanup()
    {
        windows_.reset();
        window_.reset();
    }

    void newPageEmptiesTheOutlineOnOk_data() { OkAndCancelRows(); }

    void newPageEmptiesTheOutlineOnOk()
    {
        QFETCH(bool, confirm);
        startOnSavedPage();
        AnswerNewPage("fresh", path("site/fresh.html"), path("site"), confirm);
        ui().MainMenu_FNP->trigger();
        QCOMPARE(page_.NodeCount(), confirm ? 0 : 1);
        QCOMPARE(page_.Title, SjisString(confirm ? "fresh" : "before"));
        QCOMPARE(page_.CharacterSet, confirm ? Charset::Iso2022Jp : Charset::ShiftJis);
        if (confirm)
            QCOMPARE(page_.Category, SjisString("Tav Outliner 1.8 Document"));
        QVERIFY(!window_->isModified());
    }

    void newPageOverAChangedPageAsksFirst()
    {
        startOnSavedPage();
        document_.AddChild(nullptr);
        bool asked = false;
        WhenModal<QMessageBox>([&asked](QMessageBox* box) {
            asked = box->windowTitle() == QStringLiteral("質問");
            box->button(QMessageBox::Cancel)->click();
        });
        ui().MainMenu_FNP->trigger();
        QVERIFY(asked);
        QVERIFY(!windows_->windows().formNewPage->isVisible());
        QCOMPARE(page_.NodeCount(), 2);
    }

    void saveAsWritesUnderTheNewNames_data() { OkAndCancelRows(); }

    void saveAsWritesUnderTheNewNames()
    {
        QFETCH(bool, confirm);
        startOnSavedPage();
        settings_.DefaultUpload = true; // a new page would be queued
        page_.StyleSheetFileName = "mine.css";
        page_.FtpSettingName = "own server";
        page_.RemoteFolder = "own/folder";
        const PageProperties options = page_.properties();
        const QByteArray before = ReadFile(path("before.data"));
        AnswerNewPage("again", path("out/again.html"), path("new/root"), confirm);
        QDir().mkpath(path("out"));
        ui().MainMenu_FSA->trigger();
        QCOMPARE(ReadFile(path("before.data")), before);
        QCOMPARE(QFile::exists(path("new/root/again.data")), confirm);
        QCOMPARE(QFile::exists(path("out/again.html")), confirm);
        QCOMPARE(page_.NodeCount(), 1); // the outline goes along
        if (!confirm)
            return;
        QVERIFY(ReadFile(path("new/root/again.data")).contains(TextCodec::Sjis("新しいノード").c_str()));
        // A copy differs by its names only.
        PageProperties renamed = options;
        renamed.Title = "again";
        renamed.FileName = Bytes(path("out/again.html"));
        renamed.DatabasePath = Bytes(path("new/root/"));
        QVERIFY(page_.properties() == renamed);
        const QByteArray html = ReadFile(path("out/again.html"));
        QVERIFY(html.contains("charset=Shift_JIS"));
        QVERIFY(html.contains("mine.css"));
        QVERIFY(ReadUploadQueue(*store_).empty());
        QVERIFY(!window_->isModified());
    }

    void replacingFilesIsAskedFirst_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        for (const char* command : {"new-page", "save-as", "start-up"}) {
            QTest::addRow("%s-no", command) << command << QMessageBox::No;
            QTest::addRow("%s-yes", command) << command << QMessageBox::Yes;
        }
    }

    // The dialog opens on the open page's names; Enter would point the new
    // page (or the copy) at the files of the old one.
    void replacingFilesIsAskedFirst()
    {
        QFETCH(QString, command);
        QFETCH(QMessageBox::StandardButton, answer);
        if (command == "start-up") {
            // The last page's files are there: the dialog opens on their names.
            QFile(path("before.data")).open(QIODevice::WriteOnly);
            QFile(path("before.html")).open(QIODevice::WriteOnly);
            store_->writeInteger("Preferences", "BootOnAction", 1);
            store_->writeText(QString(), "LastTitle", "before");
            store_->writeText(QString(), "LastFileName", Bytes(path("before.html")));
            store_->writeText(QString(), "LastDatabasePath", Bytes(dir_.path() + "/"));
        }
        Box box;
        bool stillOpen = false;
        WhenModal<TformNewPage>([&](TformNewPage* dialog) {
            dialog->form().editTitle->setText("renamed");
            Answer(answer, &box);
            QTest::mouseClick(dialog->form().bttnOk, Qt::LeftButton);
            stillOpen = dialog->isVisible();
            if (stillOpen)
                dialog->reject();
        });
        if (command == "start-up") {
            start();
        } else {
            startOnSavedPage();
            (command == "new-page" ? ui().MainMenu_FNP : ui().MainMenu_FSA)->trigger();
        }
        QTRY_VERIFY(box.seen);
        QCOMPARE(box.title, QStringLiteral("質問"));
        QCOMPARE(box.text, QStringLiteral("ページファイル “%1” と HTML ファイル “%2” は既にあります。上書きしますか？")
                               .arg(path("before.data"), path("before.html")));
        QCOMPARE(box.defaultButton, QMessageBox::No);
        QCOMPARE(stillOpen, answer == QMessageBox::No);
        const bool renamed = answer == QMessageBox::Yes;
        const char* kept = command == "start-up" ? "Welcome to Tav Outliner 1.8" : "before";
        QCOMPARE(page_.Title, SjisString(renamed ? "renamed" : kept));
        if (command == "save-as")
            QCOMPARE(ReadFile(path("before.data")).contains("renamed"), renamed);
    }

    void saveLeavesNoHalfSavedPage_data()
    {
        QTest::addColumn<QString>("fileName"); // the page's HTML file, in the test's folder
        QTest::addColumn<QString>("caption");  // of the one message box the save shows
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("pageFileWritten");
        QTest::addColumn<bool>("saved");
        QTest::newRow("missing-folder-made") << "gone/deep/p.html" << "質問" << QMessageBox::Yes << true << true;
        QTest::newRow("missing-folder-refused") << "gone/deep/p.html" << "質問" << QMessageBox::No << false << false;
        QTest::newRow("html-file-not-writable") << "taken/p.html" << "失敗" << QMessageBox::Ok << true << false;
    }

    // A save that did not write the HTML file is no save: the caption keeps
    // its mark and the page is not queued.
    void saveLeavesNoHalfSavedPage()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, caption);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, pageFileWritten);
        QFETCH(bool, saved);
        QDir().mkpath(path("taken/p.html")); // a folder where the HTML file should go
        start();
        page_.Title = "p";
        page_.FileName = Bytes(path(fileName));
        page_.DatabasePath = Bytes(dir_.path() + "/");
        page_.Upload = true;
        document_.AddChild(nullptr);
        QVERIFY(window_->isWindowModified());
        QString said;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            said = box->windowTitle();
            if (QAbstractButton* button = box->button(answer))
                button->click();
            else
                box->reject();
        });
        ui().MainMenu_FSS->trigger();
        QCOMPARE(said, caption);
        QCOMPARE(QFile::exists(path("p.data")), pageFileWritten);
        QCOMPARE(QFileInfo(path(fileName)).isFile(), saved);
        QCOMPARE(window_->isWindowModified(), !saved);
        QCOMPARE(ReadUploadQueue(*store_).size(), size_t(saved ? 1 : 0));
    }

    void startUpChoiceOneShowsTheDialog_data() { OkAndCancelRows(); }

    void startUpChoiceOneShowsTheDialog()
    {
        QFETCH(bool, confirm);
        store_->writeInteger("Preferences", "BootOnAction", 1);
        AnswerNewPage("booted", path("b/booted.html"), path("b"), confirm);
        start();
        QCOMPARE(page_.Title, confirm ? SjisString("booted") : SjisString("Welcome to Tav Outliner 1.8"));
        QCOMPARE(page_.DatabasePath, confirm ? Bytes(path("b/")) : settings_.ProgramFolder);
        QCOMPARE(QFileInfo(path("b")).isDir(), confirm);
    }

    void helpAboutOpensTheAboutBox()
    {
        start();
        QString caption;
        WhenModal<TformAbout>([&caption](TformAbout* about) {
            caption = about->windowTitle();
            about->accept();
        });
        ui().MainMenu_HA->trigger();
        QCOMPARE(caption, QStringLiteral("バージョン情報"));
    }
};

QTEST_MAIN(TestNewPageCommands)
#include "tst_newpagecommands.moc"
