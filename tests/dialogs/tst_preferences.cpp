// The preferences dialog on real widgets: what enables Apply, OK, Apply and
// Cancel, the pickers, and the FTP tab, whose list and stored settings must
// agree after every step.
#include "common/ModalAnswer.h"
#include "dialogs/ExecutableFilter.h"
#include "dialogs/PreferencesRules.h"
#include "dialogs/TformPreferences.h"
#include "document/ProgramConstants.h"
#include "document/TextCodec.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "ui_TformPreferences.h"
#include "upload/UploadStore.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QListView>
#include <QSettings>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>

namespace {

const SjisString Default = ProgramConstants::DefaultFtpSettingName();

// Everything a message handler hears, to check that no password is told.
QStringList g_messages;
void Record(QtMsgType, const QMessageLogContext&, const QString& message) { g_messages << message; }

// One dialog on its own store.
struct Prefs {
    QTemporaryDir dir;
    QSettingsStore store{dir.filePath("QUIB.conf")};
    Settings settings;
    TformPreferences dialog{settings, store};
    Ui::TformPreferences& ui = dialog.form();

    Prefs()
    {
        settings.SettingNameText = Default + "\r\nhome\r\n";
        WriteFtpSetting(store, Default, {"ftp.default", "d", "dp", false, FtpProtocol::Ftp, false, "EE:FF"});
        WriteFtpSetting(store, "home", {"ftp.home", "h", "hp", true, FtpProtocol::Ftps, false, "AB:CD"});
        SaveSettingNameText(store, settings);
    }
    void show()
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    QStringList rows() const
    {
        QStringList names;
        for (int i = 0; i < ui.listFtpSettingNameText->count(); ++i)
            names << ui.listFtpSettingNameText->item(i)->text();
        return names;
    }
    // The list, the names in memory and the names and settings in the file
    // are the same, and the file is its owner's alone.
    void verifyAgreement()
    {
        QSettings file(dir.filePath("QUIB.conf"), QSettings::IniFormat);
        QStringList expected = rows();
        QCOMPARE(TextCodec::ToUnicode(settings.SettingNameText), expected.join("\r\n") + "\r\n");
        QCOMPARE(file.value("Ftp/SettingNameText").toString(), expected.join("\r\n") + "\r\n");
        file.beginGroup("Ftp");
        QStringList stored = file.childGroups();
        stored.sort();
        expected.sort();
        QCOMPARE(stored, expected);
        QCOMPARE(QFile::permissions(file.fileName()),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
    }
    // Adds a setting, answering Yes to the question; `overwrite` answers the
    // one that follows for a name already listed.
    void addSetting(const QString& name, const QString& host, std::optional<QMessageBox::StandardButton> overwrite,
                    Box* question = nullptr, Box* second = nullptr)
    {
        ui.PageControl->setCurrentWidget(ui.tabFtp);
        ui.editFtpSettingNameText->setText(name);
        ui.editFtpHostName->setText(host);
        ui.editFtpUserName->setText("user");
        ui.editFtpPassWord->setText("s3cret");
        if (overwrite)
            Answer(QMessageBox::Yes, question, [overwrite, second] { Answer(*overwrite, second); });
        else
            Answer(QMessageBox::Yes, question);
        ui.bttnAddFtpSetting->click();
    }
    QStringList selected() const
    {
        QStringList names;
        for (const QListWidgetItem* item : ui.listFtpSettingNameText->selectedItems())
            names << item->text();
        return names;
    }
    void select(const QString& name)
    {
        ui.listFtpSettingNameText->setCurrentItem(ui.listFtpSettingNameText->findItems(name, Qt::MatchExactly).value(0));
    }
};

} // namespace

Q_DECLARE_METATYPE(FtpSetting)
Q_DECLARE_METATYPE(FtpProtocol)

// The checks of a helper end the test at the first failure.
#define VERIFY_AGREEMENT(prefs)                                                                                        \
    do {                                                                                                               \
        (prefs).verifyAgreement();                                                                                     \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)

class TestPreferences : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<Prefs> shared_; // refilled from the settings on every showing

private slots:
    void initTestCase() { shared_ = std::make_unique<Prefs>(); }
    void cleanupTestCase() { shared_.reset(); }

    // The last line is the transfer mode, or for SFTP the key file.
    void addQuestionText_data()
    {
        QTest::addColumn<FtpProtocol>("protocol");
        QTest::addColumn<bool>("pasv");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("keyFile");
        QTest::addColumn<QString>("text");
        const auto head = [](const QString& protocol) {
            return QStringLiteral("設定名 home を、次の情報でレジストリに保存します。\n\n\u3000プロトコル：\t") + protocol
                + QStringLiteral("\n\u3000サーバ：\t\tftp.example.jp\n\u3000ユーザ：\t\talice\n");
        };
        QTest::newRow("pasv") << FtpProtocol::Ftp << true << "s3cret" << "/k"
                              << head("FTP") + QStringLiteral("\u3000パスワード：\t******\n\u3000送受信：\t\tPASV モード");
        QTest::newRow("ftps, active, no password")
            << FtpProtocol::Ftps << false << "" << ""
            << head(QStringLiteral("FTPS（TLS）")) + QStringLiteral("\u3000パスワード：\t\n\u3000送受信：\t\t通常モード");
        QTest::newRow("one star per character")
            << FtpProtocol::Ftp << false << QStringLiteral("秘\U0001F511") << ""
            << head("FTP") + QStringLiteral("\u3000パスワード：\t**\n\u3000送受信：\t\t通常モード");
        QTest::newRow("sftp key file") << FtpProtocol::Sftp << true << "" << "/home/a/.ssh/id_ed25519"
                                       << head(QStringLiteral("SFTP（SSH）"))
                + QStringLiteral("\u3000パスワード：\t\n\u3000鍵ファイル：\t/home/a/.ssh/id_ed25519");
        QTest::newRow("sftp without key file")
            << FtpProtocol::Sftp << true << "s" << ""
            << head(QStringLiteral("SFTP（SSH）")) + QStringLiteral("\u3000パスワード：\t*\n\u3000鍵ファイル：\tなし");
    }

    void addQuestionText()
    {
        QFETCH(FtpProtocol, protocol);
        QFETCH(bool, pasv);
        QFETCH(QString, password);
        QFETCH(QString, keyFile);
        QFETCH(QString, text);
        QCOMPARE(AddFtpSettingQuestion("home", protocol, "ftp.example.jp", "alice", password, pasv, keyFile), text);
    }

    void settingNamesAreTrimmed_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks and tabs") << " \thome \t" << "home";
        QTest::newRow("control characters") << "\x01home\x1f" << "home";
        QTest::newRow("full-width spaces stay") << QStringLiteral("\u3000家\u3000") << QStringLiteral("\u3000家\u3000");
        QTest::newRow("blank") << " \t " << "";
    }

    void settingNamesAreTrimmed()
    {
        QFETCH(QString, typed);
        QFETCH(QString, name);
        QCOMPARE(TrimmedFtpSettingName(typed), name);
        QCOMPARE(AddFtpSettingEnabled(typed), !name.isEmpty());
    }

    // Loading leaves Apply disabled; then exactly the listed controls
    // enable it.
    void controlsThatEnableApply_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("enables");
        for (const char* name :
             {"cmbbBootOnAction", "editAuthor", "editEmail", "editSupportUrl", "editExternalTool",
              "editDefaultStyleSheetFileName", "editDefaultJavaScriptFileName", "cmbbDefaultFooterAction",
              "cmbbDefaultTagCase", "editFtpHostName", "editFtpUserName", "editFtpPassWord", "editFtpDirName",
              "cboxGenerator", "cboxDefaultEnableStyleSheet", "cboxDefaultEnableJavaScript", "cboxEditorTextBold",
              "cboxEditorTextItalic", "cboxEditorTagSymbolBold", "cboxEditorTagSymbolItalic",
              "cboxEditorTagDirectiveBold", "cboxEditorTagDirectiveItalic", "cboxEditorTagParameterBold",
              "cboxEditorTagParameterItalic", "cboxEditorAutoIndent", "cboxFtpDefaultUpload"})
            QTest::newRow(name) << name << true;
        for (const char* name : {"memoDefaultFooter", "cboxEditorSaveCurPos", "cboxFtpUsePasv", "cmbbFtpProtocol",
                                 "cboxFtpAtomicReplace", "sbtnEditorText",
                                 "listFtpSettingNameText", "editFtpSettingNameText"})
            QTest::newRow(name) << name << false;
    }

    void controlsThatEnableApply()
    {
        QFETCH(QString, control);
        QFETCH(bool, enables);
        Prefs& p = *shared_;
        p.dialog.reject();
        p.show();
        QVERIFY(!p.ui.bttnApply->isEnabled());
        QWidget* w = p.dialog.findChild<QWidget*>(control);
        QVERIFY(w);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            QTest::keyClicks(edit, "x");
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            combo->setFocus();
            QTest::keyClick(combo, combo->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            box->click();
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
            QTest::keyClicks(memo, "x");
        } else if (qobject_cast<QListWidget*>(w)) {
            p.select("home"); // its values replace those of "(規定値)" in the edits
            QCOMPARE(p.ui.editFtpHostName->text(), QStringLiteral("ftp.home"));
        } else if (auto* button = qobject_cast<QToolButton*>(w)) {
            WhenModal<QColorDialog>([](QColorDialog* d) {
                d->setCurrentColor(QColor(1, 2, 3));
                d->accept();
            });
            button->click();
            QCOMPARE(p.dialog.swatchColour(TformPreferences::EditorText), 0x030201);
        } else {
            // A control this test cannot change would pass "does not enable
            // Apply" without being tried.
            QFAIL(qPrintable(QStringLiteral("no way to change a %1").arg(QString::fromLatin1(w->metaObject()->className()))));
        }
        QCOMPARE(p.ui.bttnApply->isEnabled(), enables);
    }

    void colourIsStoredByOkNotByCancel()
    {
        Prefs p;
        p.show();
        const auto pick = [&p] {
            WhenModal<QColorDialog>([](QColorDialog* d) {
                d->setCurrentColor(QColor(0x11, 0x22, 0x33));
                d->accept();
            });
            p.ui.sbtnEditorBG->click();
            QCOMPARE(p.dialog.swatchColour(TformPreferences::EditorBG), 0x332211);
        };
        pick();
        p.ui.bttnCancel->click();
        QCOMPARE(p.settings.EditorBGColor, 0xFFFFFF);
        p.show();
        QCOMPARE(p.dialog.swatchColour(TformPreferences::EditorBG), 0xFFFFFF);
        pick();
        p.ui.bttnOk->click();
        QCOMPARE(p.settings.EditorBGColor, 0x332211);
    }

    void fontSizeIsKeptAfterCancelButNotTheName()
    {
        Prefs p;
        p.show();
        WhenModal<QFontDialog>([](QFontDialog* d) {
            d->setCurrentFont(QFont("DejaVu Sans Mono", 17));
            d->accept();
        });
        p.ui.bttnEditorFontName->click();
        QCOMPARE(p.ui.bttnEditorFontName->text(), QFontInfo(QFont("DejaVu Sans Mono")).family());
        QVERIFY(p.ui.bttnApply->isEnabled());
        p.ui.bttnCancel->click();
        QCOMPARE(p.settings.EditorFontSize, 17);
        QCOMPARE(p.settings.EditorFontName, Settings::DefaultEditorFontName());
    }

    // Every font whose Latin letters have one width, Japanese ones with
    // double-width kanji among them; the picker opens on the font the
    // editor shows for the stored one, which is not installed here.
    void fontPickerOffersFixedWidthLatin_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("offered");
        QTest::newRow("Japanese fixed pitch") << "Noto Sans Mono CJK JP" << true;
        QTest::newRow("Latin fixed pitch") << "DejaVu Sans Mono" << true;
        QTest::newRow("Japanese proportional") << "Noto Sans CJK JP" << false;
        QTest::newRow("Latin proportional") << "DejaVu Sans" << false;
    }

    void fontPickerOffersFixedWidthLatin()
    {
        QFETCH(QString, family);
        QFETCH(bool, offered);
        QVERIFY(QFontDatabase::hasFamily(family)); // the row's premise
        Prefs& p = *shared_;
        p.dialog.reject();
        p.show();
        QStringList listed;
        QString opensOn;
        WhenModal<QFontDialog>([&](QFontDialog* d) {
            for (const QListView* list : d->findChildren<QListView*>())
                if (auto* model = qobject_cast<QStringListModel*>(list->model()))
                    listed << model->stringList();
            opensOn = d->currentFont().family();
            d->reject();
        });
        p.ui.bttnEditorFontName->click();
        QCOMPARE(listed.contains(family), offered);
        QVERIFY2(QFontDatabase::writingSystems(opensOn).contains(QFontDatabase::Japanese), qPrintable(opensOn));
        QVERIFY2(listed.contains(opensOn), qPrintable(opensOn));
    }

    void filePickerFillsTheEdit()
    {
        Prefs p;
        QFile css(p.dir.filePath("site.css"));
        QVERIFY(css.open(QIODevice::WriteOnly));
        css.close();
        p.show();
        QStringList filters;
        WhenModal<QFileDialog>([&](QFileDialog* d) {
            filters = d->nameFilters();
            // Typed into the dialog's name field, as a user would.
            d->findChild<QLineEdit*>("fileNameEdit")->setText(css.fileName());
            static_cast<QDialog*>(d)->accept(); // what its Open button runs
        });
        p.ui.sbtnDefaultStyleSheetFileName->click();
        QCOMPARE(filters, QStringList({QStringLiteral("スタイルシートファイル（*.css） (*.css)"),
                                       QStringLiteral("すべてのファイル（*.*） (*)")}));
        QCOMPARE(p.ui.editDefaultStyleSheetFileName->text(), css.fileName());
        QVERIFY(p.ui.bttnApply->isEnabled());
    }

    void programPickerListsWhatRuns_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("listed");
        QTest::newRow("program") << "tool" << true;
        QTest::newRow("plain file") << "notes.txt" << false;
        QTest::newRow("folder") << "bin" << true;
    }

    void programPickerListsWhatRuns()
    {
        QFETCH(QString, entry);
        QFETCH(bool, listed);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("bin");
        for (const char* name : {"tool", "notes.txt"}) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QFile::setPermissions(dir.filePath("tool"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QCOMPARE(ListedAsProgram(QFileInfo(dir.filePath(entry))), listed);
    }

    void storedValuesSurviveAndTextShiftJisCannotHoldIsRefused()
    {
        Prefs p;
        p.settings.BootOnAction = 7;  // no position of the list
        p.settings.DefaultTagCase = -1;
        p.settings.Author = SjisString("A\x81", 2); // a lone lead byte
        p.show();
        p.ui.memoDefaultFooter->setPlainText(QStringLiteral("<p>\U0001F600</p>"));
        p.ui.editEmail->setText(QStringLiteral("\U0001F600@example.org"));
        Box box;
        Answer(QMessageBox::Ok, &box);
        p.ui.bttnOk->click();
        QCOMPARE(box.title, QStringLiteral("警告"));
        QVERIFY(box.text.contains(QStringLiteral("メイルアドレス")));
        QVERIFY(p.dialog.isVisible());
        QCOMPARE(p.settings.DefaultFooter, SjisString());

        p.ui.editEmail->setText("me@example.org");
        p.ui.bttnOk->click();
        QVERIFY(!p.dialog.isVisible());
        QCOMPARE(p.settings.BootOnAction, 7);
        QCOMPARE(p.settings.DefaultTagCase, -1);
        QCOMPARE(p.settings.Author, SjisString("A\x81", 2));
        QCOMPARE(p.settings.Email, SjisString("me@example.org"));
        QCOMPARE(p.settings.DefaultFooter, SjisString("<p>&#x1F600;</p>"));
    }

    void ftpListAndStoredSettingsAgree()
    {
        g_messages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(Record);
        Prefs p;
        p.show();
        VERIFY_AGREEMENT(p);

        Box question;
        p.addSetting("  work \t", "ftp.work", std::nullopt, &question);
        QCOMPARE(question.title, QStringLiteral("情報"));
        QVERIFY(question.text.startsWith(QStringLiteral("設定名 work を、")));
        QVERIFY(!question.text.contains("s3cret"));
        QCOMPARE(p.rows(), QStringList({"(規定値)", "home", "work"}));
        QCOMPARE(ReadFtpSetting(p.store, "work"), FtpSetting({"ftp.work", "user", "s3cret", false, FtpProtocol::Ftp, true, "EE:FF"}));
        VERIFY_AGREEMENT(p);

        // A name already listed is not listed twice; it is replaced only
        // when the user says so.
        Box refused;
        p.addSetting("home", "ftp.other", QMessageBox::No, nullptr, &refused);
        QCOMPARE(refused.title, QStringLiteral("質問"));
        QCOMPARE(ReadFtpSetting(p.store, "home").HostName, SjisString("ftp.home"));
        p.addSetting("home", "ftp.other", QMessageBox::Yes);
        QCOMPARE(ReadFtpSetting(p.store, "home").HostName, SjisString("ftp.other"));
        QCOMPARE(p.rows(), QStringList({"(規定値)", "home", "work"}));
        VERIFY_AGREEMENT(p);

        p.ui.bttnOk->click();
        QCOMPARE(p.settings.SettingNameText, Default + "\r\nhome\r\nwork\r\n");

        p.show();
        p.select("work");
        QVERIFY(p.ui.bttnDelFtpSetting->isEnabled());
        p.select("(規定値)");
        QVERIFY(!p.ui.bttnDelFtpSetting->isEnabled());
        QVERIFY(p.ui.bttnApplyFtpSetting->isEnabled());
        p.select("work");
        // Deleting asks first, with No as the default.
        Box asked;
        Answer(QMessageBox::No, &asked);
        p.ui.bttnDelFtpSetting->click();
        QCOMPARE(asked.title, QStringLiteral("質問"));
        QCOMPARE(asked.defaultButton, QMessageBox::No);
        QCOMPARE(p.rows(), QStringList({"(規定値)", "home", "work"}));
        Answer(QMessageBox::Yes);
        p.ui.bttnDelFtpSetting->click();
        QCOMPARE(p.rows(), QStringList({"(規定値)", "home"}));
        QCOMPARE(ReadFtpSetting(p.store, "work"), FtpSetting());
        VERIFY_AGREEMENT(p);

        // Cancel takes back neither the add nor the delete.
        p.addSetting("spare", "ftp.spare", std::nullopt);
        p.ui.bttnCancel->click();
        VERIFY_AGREEMENT(p);
        QCOMPARE(p.settings.SettingNameText, Default + "\r\nhome\r\nspare\r\n");

        qInstallMessageHandler(previous);
        for (const QString& message : std::as_const(g_messages))
            QVERIFY2(!message.contains("s3cret"), qPrintable(message));
    }

    // The FTP group's steps: "select:NAME", "host:TEXT", "click:CHECKBOX",
    // "protocol:CAPTION", "key:TEXT", "apply" (the tab's 適用), "add:NAME"
    // (answering Yes), "forget", "delete", "answer:Yes|No|Ok" (the next
    // message), and the dialog's "ok", "applyAll" and "cancel". `question`
    // is the last message shown.
    void ftpGroupWritesEveryValue_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("name");
        QTest::addColumn<FtpSetting>("stored");
        QTest::addColumn<QString>("question");
        const FtpSetting home{"ftp.home", "h", "hp", true, FtpProtocol::Ftps, false, "AB:CD"};
        const FtpSetting byDefault{"ftp.default", "d", "dp", false, FtpProtocol::Ftp, false, "EE:FF"};
        FtpSetting typed = byDefault;
        typed.HostName = "ftp.typed";
        QTest::newRow("apply keeps TLS, store mode and trust")
            << QStringList{"select:home", "host:ftp.new", "apply"} << "home"
            << FtpSetting{"ftp.new", "h", "hp", true, FtpProtocol::Ftps, false, "AB:CD"} << "";
        QTest::newRow("apply writes the choices")
            << QStringList{"select:home", "protocol:FTP", "click:cboxFtpAtomicReplace", "apply"} << "home"
            << FtpSetting{"ftp.home", "h", "hp", true, FtpProtocol::Ftp, true, "AB:CD"} << "";
        QTest::newRow("apply writes SFTP and its key")
            << QStringList{"select:home", "protocol:SFTP（SSH）", "key:/k/id_rsa", "apply"} << "home"
            << FtpSetting{"ftp.home", "h", "hp", true, FtpProtocol::Sftp, false, "AB:CD", "/k/id_rsa"} << "";
        QTest::newRow("OK stores a changed protocol")
            << QStringList{"protocol:FTPS（TLS）", "ok"} << "(規定値)"
            << FtpSetting{"ftp.default", "d", "dp", false, FtpProtocol::Ftps, false, "EE:FF"} << "";
        QTest::newRow("OK stores a changed key")
            << QStringList{"select:home", "protocol:SFTP（SSH）", "apply", "key:/k2", "ok"} << "home"
            << FtpSetting{"ftp.home", "h", "hp", true, FtpProtocol::Sftp, false, "AB:CD", "/k2"} << "";
        QTest::newRow("a public key is refused")
            << QStringList{"select:home", "protocol:SFTP（SSH）", "key:/k/id_rsa.pub", "answer:Ok", "apply"} << "home"
            << home << "鍵ファイルには公開鍵（.pub）ではなく、秘密鍵のファイルを指定してください。";
        QTest::newRow("added setting replaces in one step")
            << QStringList{"select:home", "add:new"} << "new"
            << FtpSetting{"ftp.home", "h", "hp", true, FtpProtocol::Ftps, true, "AB:CD"} << "";
        QTest::newRow("added setting with the box cleared")
            << QStringList{"click:cboxFtpAtomicReplace", "click:cboxFtpAtomicReplace", "add:new"} << "new" << byDefault
            << "";
        QTest::newRow("forget is stored at once")
            << QStringList{"select:home", "host:unsaved", "forget"} << "home"
            << FtpSetting{"ftp.home", "h", "hp", true, FtpProtocol::Ftps, false, ""} << "";
        // What is typed into the group belongs to the setting it shows.
        QTest::newRow("OK stores what was typed") << QStringList{"host:ftp.typed", "ok"} << "(規定値)" << typed << "";
        QTest::newRow("Apply stores what was typed")
            << QStringList{"host:ftp.typed", "applyAll"} << "(規定値)" << typed << "";
        QTest::newRow("Cancel drops what was typed")
            << QStringList{"host:ftp.typed", "cancel"} << "(規定値)" << byDefault << "";
        QTest::newRow("another row asks first, Yes stores")
            << QStringList{"host:ftp.typed", "answer:Yes", "select:home"} << "(規定値)" << typed
            << "設定名 (規定値) の変更を保存しますか？";
        QTest::newRow("another row asks first, No drops")
            << QStringList{"host:ftp.typed", "answer:No", "select:home"} << "(規定値)" << byDefault
            << "設定名 (規定値) の変更を保存しますか？";
        QTest::newRow("delete asks first, No keeps the setting")
            << QStringList{"select:home", "answer:No", "delete"} << "home" << home << DeleteFtpSettingQuestion("home");
        QTest::newRow("delete asks first, Yes erases it")
            << QStringList{"select:home", "answer:Yes", "delete"} << "home" << FtpSetting()
            << DeleteFtpSettingQuestion("home");
    }

    void ftpGroupWritesEveryValue()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, name);
        QFETCH(FtpSetting, stored);
        QFETCH(QString, question);
        Prefs p;
        p.show();
        p.ui.PageControl->setCurrentWidget(p.ui.tabFtp);
        // The group opens on the default setting, with its row selected.
        QCOMPARE(p.ui.editFtpTlsFingerprint->text(), QStringLiteral("EE:FF"));
        QCOMPARE(p.selected(), QStringList{"(規定値)"});
        Box asked;
        for (const QString& step : std::as_const(steps)) {
            const QString verb = step.section(u':', 0, 0);
            const QString arg = step.section(u':', 1);
            if (verb == "select") {
                p.select(arg);
            } else if (verb == "host") {
                p.ui.editFtpHostName->setText(arg);
            } else if (verb == "click") {
                p.dialog.findChild<QCheckBox*>(arg)->click();
            } else if (verb == "protocol") {
                p.ui.cmbbFtpProtocol->setCurrentText(arg);
                QCOMPARE(p.ui.cmbbFtpProtocol->currentText(), arg);
            } else if (verb == "key") {
                p.ui.editFtpKeyFile->setText(arg);
            } else if (verb == "apply") {
                p.ui.bttnApplyFtpSetting->click();
            } else if (verb == "add") {
                p.ui.editFtpSettingNameText->setText(arg);
                Answer(QMessageBox::Yes);
                p.ui.bttnAddFtpSetting->click();
                QCOMPARE(p.ui.cboxFtpAtomicReplace->isChecked(), stored.AtomicReplace);
            } else if (verb == "answer") {
                Answer(arg == "Yes" ? QMessageBox::Yes : arg == "No" ? QMessageBox::No : QMessageBox::Ok, &asked);
            } else if (verb == "delete") {
                p.ui.bttnDelFtpSetting->click();
            } else if (verb == "ok" || verb == "applyAll" || verb == "cancel") {
                (verb == "ok" ? p.ui.bttnOk : verb == "cancel" ? p.ui.bttnCancel : p.ui.bttnApply)->click();
            } else {
                QVERIFY(p.ui.bttnForgetTlsFingerprint->isEnabled());
                p.ui.bttnForgetTlsFingerprint->click();
                QCOMPARE(p.ui.editFtpTlsFingerprint->text(), QString());
                QVERIFY(!p.ui.bttnForgetTlsFingerprint->isEnabled());
            }
        }
        QCOMPARE(asked.text, question);
        QCOMPARE(ReadFtpSetting(p.store, TextCodec::FromUnicodeWithReferences(name)), stored);
    }

    // Only the rows of the chosen protocol can be used, also after the
    // setting was stored and the dialog shown again; SFTP's key is picked
    // with the file dialog.
    void protocolEnablesItsRows_data()
    {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<bool>("sftp");
        QTest::newRow("FTP") << "FTP" << false;
        QTest::newRow("FTPS") << QStringLiteral("FTPS（TLS）") << false;
        QTest::newRow("SFTP") << QStringLiteral("SFTP（SSH）") << true;
    }

    void protocolEnablesItsRows()
    {
        QFETCH(QString, protocol);
        QFETCH(bool, sftp);
        Prefs p;
        QFile key(p.dir.filePath("id_ed25519"));
        QVERIFY(key.open(QIODevice::WriteOnly));
        key.close();
        p.show();
        p.ui.PageControl->setCurrentWidget(p.ui.tabFtp);
        p.select("home");
        const auto verifyRows = [&p, sftp] {
            QCOMPARE(p.ui.editFtpKeyFile->isEnabled(), sftp);
            QCOMPARE(p.ui.sbtnFtpKeyFile->isEnabled(), sftp);
            QCOMPARE(p.ui.cboxFtpUsePasv->isEnabled(), !sftp);
            QCOMPARE(p.ui.editFtpTlsFingerprint->isEnabled(), !sftp);
            QCOMPARE(p.ui.bttnForgetTlsFingerprint->isEnabled(), !sftp);
        };
        p.ui.cmbbFtpProtocol->setCurrentText(protocol);
        verifyRows();
        if (sftp) {
            WhenModal<QFileDialog>([&key](QFileDialog* d) {
                d->findChild<QLineEdit*>("fileNameEdit")->setText(key.fileName());
                static_cast<QDialog*>(d)->accept();
            });
            p.ui.sbtnFtpKeyFile->click();
            QCOMPARE(p.ui.editFtpKeyFile->text(), key.fileName());
            QVERIFY(p.ui.bttnApply->isEnabled());
        }
        p.ui.bttnOk->click();
        QCOMPARE(ReadFtpSetting(p.store, "home").KeyFile, sftp ? key.fileName().toStdString() : SjisString());

        p.show();
        p.select("home");
        QCOMPARE(p.ui.cmbbFtpProtocol->currentText(), protocol);
        QCOMPARE(p.ui.editFtpKeyFile->text(), sftp ? key.fileName() : QString());
        verifyRows();
    }

    void applyShowsTheDefaultSettingAgain()
    {
        Prefs p;
        p.show();
        p.select("home");
        QCOMPARE(p.ui.editFtpHostName->text(), QStringLiteral("ftp.home"));
        QTest::keyClicks(p.ui.editAuthor, "x");
        p.ui.bttnApply->click();
        QCOMPARE(p.ui.editFtpHostName->text(), QStringLiteral("ftp.default"));
        QCOMPARE(p.selected(), QStringList{"(規定値)"});
        QVERIFY(!p.ui.bttnApply->isEnabled());
        QVERIFY(!p.ui.bttnDelFtpSetting->isEnabled());
        QCOMPARE(p.settings.Author, SjisString("Tav Outliner 1.8 Userx"));
    }

    void enterAddsOnTheFtpTabOnly_data()
    {
        QTest::addColumn<bool>("ftpTab");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("adds");
        QTest::newRow("ftp tab, name typed") << true << "new" << true;
        QTest::newRow("ftp tab, no name") << true << "" << false;
        QTest::newRow("general tab") << false << "new" << false;
    }

    void enterAddsOnTheFtpTabOnly()
    {
        QFETCH(bool, ftpTab);
        QFETCH(QString, name);
        QFETCH(bool, adds);
        Prefs p;
        p.show();
        p.ui.editFtpSettingNameText->setText(name);
        p.ui.PageControl->setCurrentWidget(ftpTab ? p.ui.tabFtp : p.ui.tabGeneral);
        QWidget* focus = ftpTab ? static_cast<QWidget*>(p.ui.editFtpSettingNameText) : p.ui.editAuthor;
        focus->setFocus();
        Box box;
        if (adds)
            Answer(QMessageBox::No, &box);
        QTest::keyClick(focus, Qt::Key_Return);
        QCOMPARE(box.seen, adds);
        QCOMPARE(p.dialog.isVisible(), adds);
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
