// File > New > Page, Save as, start-up choice 1 and Help > About, with the
// program's real dialogs.
#include "app/ProgramWindows.h"
#include "app/TformMain.h"
#include "common/ModalAnswer.h"
#include "dialogs/TformAbout.h"
#include "dialogs/TformFolderDialog.h"
#include "dialogs/TformNewPage.h"
#include "document/TextCodec.h"
#include "settings/SettingsStore.h"
#include "ui_TformMain.h"
#include "ui_TformNewPage.h"

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
    Page page_;
    std::unique_ptr<TformMain> window_;
    std::unique_ptr<ProgramWindows> windows_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    Ui::TformMain& ui() { return window_->form(); }

    // Starts the program's window with its dialogs, as start-up does.
    void start()
    {
        window_ = std::make_unique<TformMain>(page_, settings_);
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
        page_.DatabasePath = Bytes(path(""));
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
        page_.AddChildNode(nullptr);
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
        const QByteArray before = ReadFile(path("before.data"));
        AnswerNewPage("again", path("out/again.html"), path("new/root"), confirm);
        QDir().mkpath(path("out"));
        ui().MainMenu_FSA->trigger();
        QCOMPARE(ReadFile(path("before.data")), before);
        QCOMPARE(QFile::exists(path("new/root/again.data")), confirm);
        QCOMPARE(QFile::exists(path("out/again.html")), confirm);
        QCOMPARE(page_.NodeCount(), 1); // the outline goes along
        if (confirm) {
            QVERIFY(ReadFile(path("new/root/again.data")).contains(TextCodec::Sjis("新しいノード").c_str()));
            QVERIFY(ReadFile(path("out/again.html")).contains("charset=iso-2022-jp"));
            QVERIFY(!window_->isModified());
        }
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
