// The new page dialog: its enabling rule and separator rule as plain
// functions, then the real dialog driven offscreen as a user fills it in.
#include "common/ModalAnswer.h"
#include "controls/TFolderTreeViewEx.h"
#include "dialogs/NewPageRules.h"
#include "dialogs/TformFolderDialog.h"
#include "dialogs/TformNewPage.h"
#include "document/Page.h"
#include "document/TextCodec.h"
#include "settings/Settings.h"
#include "ui_TformFolderDialog.h"
#include "ui_TformNewPage.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <set>
#include <unistd.h>

using NewPageRules::Fields;

class TestNewPage : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    Settings settings_;
    Page page_;
    std::unique_ptr<TformNewPage> dialog_;
    std::unique_ptr<TformFolderDialog> chooser_;

    QString path(const QString& name) const { return dir_.filePath(name); }
    // Made on first use: the rule tests need no window.
    TformNewPage& dialog()
    {
        if (!dialog_) {
            dialog_ = std::make_unique<TformNewPage>(page_, settings_);
            chooser_ = std::make_unique<TformFolderDialog>();
            dialog_->setFolderDialog(chooser_.get());
        }
        return *dialog_;
    }
    Ui::TformNewPage& ui() { return dialog().form(); }
    // Shows the dialog as the program does, for the user to fill in.
    void show()
    {
        dialog().show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog()));
    }
    void fill(const QString& title, const QString& fileName, const QString& root)
    {
        ui().editTitle->setText(title);
        ui().editFileName->setText(fileName);
        ui().editDatabasePath->setText(root);
    }

private slots:
    // A leading "~" is the home folder: the test's own.
    void initTestCase() { qputenv("HOME", path("home").toLocal8Bit()); }

    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(path("web"));
        QDir().mkpath(path("home"));
        settings_ = Settings();
        settings_.DefaultUpload = true;
        settings_.DefaultEnableStyleSheet = false;
        settings_.DefaultEnableJavaScript = true;
        settings_.DefaultStyleSheetFileName = "site.css";
        settings_.DefaultJavaScriptFileName = "site.js";
        settings_.DefaultDirName = "www";
        page_.ResetPage({});
        page_.Title = "old";
        page_.CharacterSet = Charset::EucJp;
        page_.FtpSettingName = "other server";
        page_.RemoteFolder = "elsewhere";
    }
    void cleanup()
    {
        dialog_.reset();
        chooser_.reset();
    }

    void okEnabledRule_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("root");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("enabled");
        // Folders that exist: /w and /w/root.
        QTest::newRow("all-there") << "t" << "/w/a.html" << "/w/root" << false << true;
        QTest::newRow("spaces-are-a-title") << "  " << "/w/a.html" << "/w/root" << false << true;
        QTest::newRow("no-title") << "" << "/w/a.html" << "/w/root" << true << false;
        QTest::newRow("no-file") << "t" << "" << "/w/root" << true << false;
        QTest::newRow("no-root") << "t" << "/w/a.html" << "" << true << false;
        QTest::newRow("file-folder-missing") << "t" << "/x/a.html" << "/w/root" << false << false;
        QTest::newRow("file-folder-missing-forced") << "t" << "/x/a.html" << "/w/root" << true << true;
        QTest::newRow("root-missing") << "t" << "/w/a.html" << "/w/new" << false << false;
        QTest::newRow("root-missing-forced") << "t" << "/w/a.html" << "/w/new" << true << true;
        QTest::newRow("file-without-folder") << "t" << "a.html" << "/w/root" << false << false;
        QTest::newRow("windows-separators") << "t" << "/w\\a.html" << "/w/root" << false << true;
        QTest::newRow("tilde-is-the-home-folder") << "t" << "~/a.html" << "~" << false << true;
    }

    void okEnabledRule()
    {
        QFETCH(QString, title);
        QFETCH(QString, fileName);
        QFETCH(QString, root);
        QFETCH(bool, force);
        QFETCH(bool, enabled);
        const std::set<QString> folders{"/w", "/w/root", QDir::homePath()};
        const auto exists = [&folders](const QString& p) { return folders.count(p) > 0; };
        QCOMPARE(NewPageRules::OkEnabled({title, fileName, root, force}, exists), enabled);
    }

    void okWritesTheFieldsAndTheNewPageOptions_data()
    {
        // "%d" is the test's folder, "%h" the home folder.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("storedFile");
        QTest::addColumn<QString>("storedRoot");
        QTest::newRow("existing-root") << "%d/out/page.html" << "%d/web" << "%d/out/page.html" << "%d/web/";
        QTest::newRow("existing-root-with-separator") << "%d/page.html" << "%d/web/" << "%d/page.html" << "%d/web/";
        QTest::newRow("missing-folders-and-parents") << "%d/out/deep/page.html" << "%d/new/deep/root"
                                                     << "%d/out/deep/page.html" << "%d/new/deep/root/";
        QTest::newRow("root-ending-in-hyou") << "%d/page.html" << "%d/表" << "%d/page.html" << "%d/表/";
        QTest::newRow("backslash-is-part-of-a-name") << "%d/page.html" << "%d/site\\" << "%d/page.html"
                                                     << "%d/site\\/";
        QTest::newRow("tilde-is-home") << "~/out/page.html" << "~/site" << "%h/out/page.html" << "%h/site/";
        QTest::newRow("tilde-alone-is-home") << "~/page.html" << "~" << "%h/page.html" << "%h/";
        QTest::newRow("tilde-within-is-a-name") << "%d/~x/page.html" << "%d/~y" << "%d/~x/page.html" << "%d/~y/";
    }

    void okWritesTheFieldsAndTheNewPageOptions()
    {
        QFETCH(QString, file);
        QFETCH(QString, root);
        QFETCH(QString, storedFile);
        QFETCH(QString, storedRoot);
        const auto real = [this](QString p) { return p.replace("%d", dir_.path()).replace("%h", path("home")); };
        show();
        fill(QStringLiteral("新しい題"), real(file), real(root));
        QVERIFY(ui().bttnOk->isEnabled());
        QTest::mouseClick(ui().bttnOk, Qt::LeftButton);
        QCOMPARE(dialog().result(), int(QDialog::Accepted));
        QVERIFY(QFileInfo(real(storedRoot)).isDir());
        QVERIFY(QFileInfo(real(storedFile)).dir().exists()); // the first save can write the HTML file
        QVERIFY(!QFileInfo::exists("~")); // nothing named "~" in the current folder
        QCOMPARE(page_.Title, TextCodec::Sjis("新しい題"));
        QCOMPARE(page_.FileName, TextCodec::FromUnicodeStrict(real(storedFile)).value());
        QCOMPARE(page_.DatabasePath, TextCodec::FromUnicodeStrict(real(storedRoot)).value());
        QVERIFY(page_.Upload);
        QCOMPARE(page_.CharacterSet, Charset::Iso2022Jp);
        QVERIFY(!page_.EnableStyleSheet);
        QVERIFY(page_.EnableJavaScript);
        QCOMPARE(page_.StyleSheetFileName, SjisString("site.css"));
        QCOMPARE(page_.JavaScriptFileName, SjisString("site.js"));
        QCOMPARE(page_.FtpSettingName, TextCodec::Sjis("(規定値)"));
        QCOMPARE(page_.RemoteFolder, SjisString("www"));
    }

    void refusedOkChangesNothing_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("message");
        QTest::newRow("title-not-in-shift-jis") << QStringLiteral("題\U0001F600") << path("made")
                                                << QStringLiteral("ページタイトルに Shift_JIS で表せない文字 “\U0001F600” が含まれています。");
        QTest::newRow("root-blocked-by-a-file") << "t" << path("file/made")
                                                << QStringLiteral("ドキュメントルート “%1” を作成できませんでした。\nフォルダの場所にファイルがあります")
                                                       .arg(path("file/made"));
        QTest::newRow("root-not-writable") << "t" << path("locked/made")
                                           << QStringLiteral("ドキュメントルート “%1” を作成できませんでした。\nアクセスが拒否されました")
                                                  .arg(path("locked/made"));
    }

    void refusedOkChangesNothing()
    {
        QFETCH(QString, title);
        QFETCH(QString, root);
        QFETCH(QString, message);
        if (root.contains("locked") && geteuid() == 0)
            QSKIP("the superuser writes into every folder");
        QFile(path("file")).open(QIODevice::WriteOnly);
        QDir().mkpath(path("locked"));
        QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const PageProperties before = page_.properties();
        show();
        fill(title, path("web/page.html"), root);
        QString said;
        WhenModal<QMessageBox>([&said](QMessageBox* box) {
            said = box->windowTitle() + "|" + box->text();
            box->accept();
        });
        QTest::mouseClick(ui().bttnOk, Qt::LeftButton);
        QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(said, QStringLiteral("警告|") + message);
        QVERIFY(dialog().isVisible());
        QVERIFY(page_.properties() == before);
        QVERIFY(!QFileInfo::exists(path("made")));
    }

    void okAsksBeforeReplacingFiles_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("question"); // "%p" the page file, "%f" the HTML file
        QTest::newRow("none-there") << QStringList() << QMessageBox::NoButton << QString();
        QTest::newRow("page-file-kept") << QStringList{"web/page.data"} << QMessageBox::No
                                        << QStringLiteral("ページファイル “%p” は既にあります。上書きしますか？");
        QTest::newRow("html-file-kept") << QStringList{"out/page.html"} << QMessageBox::No
                                        << QStringLiteral("HTML ファイル “%f” は既にあります。上書きしますか？");
        QTest::newRow("both-replaced")
            << QStringList{"web/page.data", "out/page.html"} << QMessageBox::Yes
            << QStringLiteral("ページファイル “%p” と HTML ファイル “%f” は既にあります。上書きしますか？");
    }

    void okAsksBeforeReplacingFiles()
    {
        QFETCH(QStringList, existing);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, question);
        QDir().mkpath(path("out"));
        for (const QString& name : existing)
            QFile(path(name)).open(QIODevice::WriteOnly);
        const PageProperties before = page_.properties();
        show();
        fill("t", path("out/page.html"), path("web"));
        Box box;
        if (answer != QMessageBox::NoButton)
            Answer(answer, &box);
        QTest::mouseClick(ui().bttnOk, Qt::LeftButton);
        QCOMPARE(box.text, question.replace("%p", path("web/page.data")).replace("%f", path("out/page.html")));
        if (box.seen)
            QCOMPARE(box.defaultButton, QMessageBox::No);
        const bool kept = answer == QMessageBox::No;
        QCOMPARE(dialog().isVisible(), kept); // No: the names can be changed
        QCOMPARE(page_.properties() == before, kept);
    }

    void cancelLeavesThePageAndTheDisk()
    {
        const PageProperties before = page_.properties();
        show();
        fill("t", path("web/page.html"), path("never"));
        QTest::keyClick(&dialog(), Qt::Key_Escape);
        QCOMPARE(dialog().result(), int(QDialog::Rejected));
        QVERIFY(page_.properties() == before);
        QVERIFY(!QFileInfo::exists(path("never")));
    }

    void okFollowsTheFieldsAndTheCheckBox()
    {
        page_.Title = "t";
        page_.FileName = TextCodec::FromUnicodeStrict(path("web/a.html")).value();
        page_.DatabasePath = TextCodec::FromUnicodeStrict(path("web")).value();
        show();
        QVERIFY(ui().bttnOk->isEnabled());
        dialog().reject();
        // Shown again for a page the fields already hold: nothing changes, so
        // OK waits for the user.
        show();
        QVERIFY(!ui().bttnOk->isEnabled());
        QTest::mouseClick(ui().cboxForceDirectories, Qt::LeftButton); // cleared: the folders exist
        QVERIFY(ui().bttnOk->isEnabled());
        ui().editDatabasePath->setText(path("missing"));
        QVERIFY(!ui().bttnOk->isEnabled());
        QTest::mouseClick(ui().cboxForceDirectories, Qt::LeftButton);
        QVERIFY(ui().bttnOk->isEnabled());
        ui().editTitle->clear();
        QVERIFY(!ui().bttnOk->isEnabled());
    }

    void saveDialogAsksBeforeReplacing()
    {
        QFileDialog* save = dialog().saveDialog();
        QCOMPARE(save->nameFilters(),
                 (QStringList{QStringLiteral("ハイパーテキスト ドキュメント（*.html;*.htm） (*.html *.htm)"),
                              QStringLiteral("すべてのファイル（*.*） (*)")}));
        QCOMPARE(save->defaultSuffix(), QStringLiteral("html"));
        QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
        QFile(path("web/taken.html")).open(QIODevice::WriteOnly);
        show();
        fill("t", path("web/start.html"), path("web"));
        bool asked = false;
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            QCOMPARE(d->directory().absolutePath(), path("web")); // opens at the edit's folder
            WhenModal<QMessageBox>([&asked](QMessageBox* box) {
                asked = true;
                box->button(QMessageBox::Yes)->click();
            });
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("taken");
            QMetaObject::invokeMethod(d, "accept");
        });
        QTest::mouseClick(ui().sbtnFileName, Qt::LeftButton);
        QVERIFY(asked);
        QCOMPARE(ui().editFileName->text(), path("web/taken.html"));
    }

    void folderChooserGivesTheDocumentRoot_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<bool>("okAtFirst");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("result");
        QTest::newRow("existing-root-ok-at-once") << path("web") << true << true << path("web");
        QTest::newRow("missing-root-ok-after-a-click") << path("missing") << false << true << path("web/picked");
        QTest::newRow("cancel-keeps-the-field") << path("missing") << false << false << path("missing");
    }

    void folderChooserGivesTheDocumentRoot()
    {
        QFETCH(QString, root);
        QFETCH(bool, okAtFirst);
        QFETCH(bool, confirm);
        QFETCH(QString, result);
        QDir().mkpath(path("web/picked"));
        dialog();
        auto& tree = *chooser_->form().FolderTreeView;
        tree.setRootFolderName(path("web"));
        tree.setRootFolder(TFolderTreeViewEx::rfManual);
        show();
        fill("t", path("web/a.html"), root);
        WhenModal<TformFolderDialog>([&](TformFolderDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("フォルダの選択"));
            QCOMPARE(d->form().bttnOk->isEnabled(), okAtFirst);
            if (!okAtFirst) {
                QTreeWidgetItem* picked = tree.itemForPath(path("web/picked"));
                QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(picked).center());
                QVERIFY(d->form().bttnOk->isEnabled());
            }
            QTest::mouseClick(confirm ? d->form().bttnOk : d->form().bttnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(ui().sbtnDatabasePath, Qt::LeftButton);
        QCOMPARE(ui().editDatabasePath->text(), result);
    }
};

QTEST_MAIN(TestNewPage)
#include "tst_newpage.moc"
