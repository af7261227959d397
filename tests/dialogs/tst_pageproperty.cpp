// The page properties dialog on real widgets: every property shown and
// written back, the dates of the output file, and the FTP setting list.
#include "common/ModalAnswer.h"
#include "dialogs/PagePropertyRules.h"
#include "dialogs/TformPageProperty.h"
#include "document/Page.h"
#include "document/TextCodec.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "ui_TformPageProperty.h"
#include "upload/UploadStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

SjisString S(const char* utf8) { return TextCodec::Sjis(utf8); }
QString FromSjis(SjisView bytes) { return TextCodec::ToUnicode(bytes); }

} // namespace

class TestPageProperty : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettingsStore> store_;
    Settings settings_;
    Page page_;

    QString path(const QString& name) const { return dir_.filePath(name); }

    void fillPage()
    {
        page_.ResetPage({});
        page_.Title = S("題名");
        page_.FileName = TextCodec::FromUnicodeWithReferences(path("out.html"));
        page_.DatabasePath = TextCodec::FromUnicodeWithReferences(dir_.path() + "/");
        page_.Category = S("分類");
        page_.CategoryUrl = "https://example.org/c/";
        page_.Upload = true;
        page_.CharacterSet = Charset::ShiftJis;
        page_.Doctype = "HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\"";
        page_.StyleSheetFileName = "a.css";
        page_.JavaScriptFileName = "a.js";
        page_.EnableStyleSheet = false;
        page_.EnableJavaScript = true;
        page_.FtpSettingName = "home";
        page_.RemoteFolder = "pub";
    }

private slots:
    void initTestCase()
    {
        store_ = std::make_unique<QSettingsStore>(path("QUIB.conf"));
        settings_.SettingNameText = ProgramConstants::DefaultFtpSettingName() + "\r\nhome\r\nwork\r\n";
        WriteFtpSetting(*store_, "home", {"ftp.home", "h", "hp", false, FtpProtocol::Ftp, false, {}});
        WriteFtpSetting(*store_, "work", {"ftp.work", "w", "wp", true, FtpProtocol::Sftp, false, {}});
        WriteFtpSetting(*store_, "gone", {"ftp.gone", "g", "gp", false, FtpProtocol::Ftp, false, {}}); // not in the list
    }

    void init() { fillPage(); }

    void typedPathsAreStoredAsTheSaveNeedsThem_data()
    {
        // "%h" is the home folder.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("storedFile");
        QTest::addColumn<QString>("storedRoot");
        QTest::newRow("root-gets-its-separator") << "/w/a.html" << "/w" << "/w/a.html" << "/w/";
        QTest::newRow("backslash-is-part-of-a-name") << "/w/a.html" << "/w/site\\" << "/w/a.html" << "/w/site\\/";
        QTest::newRow("tilde-is-home") << "~/site/a.html" << "~/site" << "%h/site/a.html" << "%h/site/";
        QTest::newRow("tilde-alone-is-home") << "~/a.html" << "~" << "%h/a.html" << "%h/";
        QTest::newRow("tilde-within-is-a-name") << "/w/~x.html" << "/w/~" << "/w/~x.html" << "/w/~/";
        QTest::newRow("empty-root-stays-empty") << "a.html" << "" << "a.html" << "";
    }

    void typedPathsAreStoredAsTheSaveNeedsThem()
    {
        QFETCH(QString, file);
        QFETCH(QString, root);
        QFETCH(QString, storedFile);
        QFETCH(QString, storedRoot);
        qputenv("HOME", "/home/tester");
        TformPageProperty dialog(page_, settings_, *store_);
        dialog.show();
        dialog.form().editFileName->setText(file);
        dialog.form().editDatabasePath->setText(root);
        dialog.form().bttnOk->click();
        QCOMPARE(FromSjis(page_.FileName), storedFile.replace("%h", "/home/tester"));
        QCOMPARE(FromSjis(page_.DatabasePath), storedRoot.replace("%h", "/home/tester"));
    }

    void fileDatesAreUtcWithoutLeadingZeros_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("utc") << QDateTime(QDate(2001, 3, 5), QTime(9, 7, 3), QTimeZone::utc())
                             << QStringLiteral("2001 年 3 月 5 日 9 時 7 分 3 秒");
        QTest::newRow("east of utc") << QDateTime(QDate(2001, 3, 6), QTime(2, 0, 0), QTimeZone(9 * 3600))
                                     << QStringLiteral("2001 年 3 月 5 日 17 時 0 分 0 秒");
        QTest::newRow("two digits") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59), QTimeZone::utc())
                                    << QStringLiteral("2024 年 12 月 31 日 23 時 59 分 59 秒");
    }

    void fileDatesAreUtcWithoutLeadingZeros()
    {
        QFETCH(QDateTime, time);
        QFETCH(QString, text);
        QCOMPARE(FileDateText(time), text);
    }

    void ftpSettingSelection_data()
    {
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("pageName");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("selected");
        QTest::newRow("listed") << QStringList{"a", "b"} << "b" << QStringList{"a", "b"} << 1;
        QTest::newRow("last of two equal") << QStringList{"a", "b", "a"} << "a" << QStringList{"a", "b", "a"} << 2;
        QTest::newRow("missing is added") << QStringList{"a"} << "gone" << QStringList{"a", "gone"} << 1;
        QTest::newRow("case matters") << QStringList{"home"} << "Home" << QStringList{"home", "Home"} << 1;
        QTest::newRow("empty list, empty name") << QStringList{} << "" << QStringList{""} << 0;
    }

    void ftpSettingSelection()
    {
        QFETCH(QStringList, listed);
        QFETCH(QString, pageName);
        QFETCH(QStringList, items);
        QFETCH(int, selected);
        std::vector<SjisString> names;
        for (const QString& n : listed)
            names.push_back(n.toStdString());
        const FtpSettingChoices choices = ChooseFtpSetting(names, pageName.toStdString());
        QStringList got;
        for (const SjisString& n : choices.names)
            got << QString::fromStdString(n);
        QCOMPARE(got, items);
        QCOMPARE(choices.selected, selected);
        QCOMPARE(choices.pageNameMissing, items.size() > listed.size());
    }

    void everyPropertyIsShownAndWrittenBack()
    {
        TformPageProperty dialog(page_, settings_, *store_);
        Ui::TformPageProperty& ui = dialog.form();
        dialog.show();
        QCOMPARE(ui.PageControl->currentWidget(), ui.tabGeneral);
        QCOMPARE(ui.editTitle->text(), QStringLiteral("題名"));
        QCOMPARE(ui.editFileName->text(), path("out.html"));
        QCOMPARE(ui.editDatabasePath->text(), dir_.path() + "/");
        QCOMPARE(ui.editCategory->text(), QStringLiteral("分類"));
        QCOMPARE(ui.editCategoryUrl->text(), QStringLiteral("https://example.org/c/"));
        QVERIFY(ui.cboxUpload->isChecked());
        QVERIFY(ui.rbtnSJis->isChecked() && !ui.rbtnJis->isChecked() && !ui.rbtnEuc->isChecked());
        QCOMPARE(ui.cmbbDocumentType->currentText(), FromSjis(page_.Doctype));
        QCOMPARE(ui.editTitle2->text(), QStringLiteral("題名"));
        QCOMPARE(ui.editStyleSheetFileName->text(), QStringLiteral("a.css"));
        QCOMPARE(ui.editJavaScriptFileName->text(), QStringLiteral("a.js"));
        QVERIFY(!ui.cboxEnableStyleSheet->isChecked());
        QVERIFY(ui.cboxEnableJavaScript->isChecked());
        QCOMPARE(ui.cmbbFtpSettingName->currentText(), QStringLiteral("home"));
        QCOMPARE(ui.editFtpProtocol->text(), QStringLiteral("FTP"));
        QCOMPARE(ui.editHostName->text(), QStringLiteral("ftp.home"));
        QCOMPARE(ui.editUserName->text(), QStringLiteral("h"));
        QCOMPARE(ui.editDirName->text(), QStringLiteral("pub"));

        ui.editTitle->setText(QStringLiteral("新しい題名"));
        ui.editFileName->setText("/w/new.html");
        ui.editDatabasePath->setText("/w/");
        ui.editCategory->setText("cat");
        ui.editCategoryUrl->setText("not a url");
        ui.cboxUpload->click();
        ui.rbtnEuc->click();
        ui.cmbbDocumentType->setEditText("html"); // typed, not one of the list
        ui.editStyleSheetFileName->clear();
        ui.editJavaScriptFileName->setText("b.js");
        ui.cboxEnableStyleSheet->click();
        ui.cboxEnableJavaScript->click();
        ui.cmbbFtpSettingName->setFocus();
        QTest::keyClick(ui.cmbbFtpSettingName, Qt::Key_Down); // the user picks "work"
        QCOMPARE(ui.editFtpProtocol->text(), QStringLiteral("SFTP（SSH）"));
        QCOMPARE(ui.editHostName->text(), QStringLiteral("ftp.work"));
        QCOMPARE(ui.editUserName->text(), QStringLiteral("w"));
        ui.editDirName->setText("www/docs");
        ui.bttnOk->click();

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(page_.Title, S("新しい題名"));
        QCOMPARE(page_.FileName, SjisString("/w/new.html"));
        QCOMPARE(page_.DatabasePath, SjisString("/w/"));
        QCOMPARE(page_.Category, SjisString("cat"));
        QCOMPARE(page_.CategoryUrl, SjisString("not a url"));
        QVERIFY(!page_.Upload);
        QCOMPARE(page_.CharacterSet, Charset::EucJp);
        QCOMPARE(page_.Doctype, SjisString("html"));
        QCOMPARE(page_.StyleSheetFileName, SjisString());
        QCOMPARE(page_.JavaScriptFileName, SjisString("b.js"));
        QVERIFY(page_.EnableStyleSheet);
        QVERIFY(!page_.EnableJavaScript);
        QCOMPARE(page_.FtpSettingName, SjisString("work"));
        QCOMPARE(page_.RemoteFolder, SjisString("www/docs"));
    }

    void cancelLeavesThePageAlone()
    {
        const PageProperties before = page_.properties();
        TformPageProperty dialog(page_, settings_, *store_);
        dialog.show();
        dialog.form().editTitle->setText("changed");
        dialog.form().rbtnJis->click();
        dialog.form().bttnCancel->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(page_.properties() == before);
    }

    void datesOfTheOutputFile()
    {
        QFile out(path("out.html"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        const QDateTime written(QDate(2001, 3, 5), QTime(9, 7, 3), QTimeZone::utc());
        QVERIFY(out.setFileTime(written, QFileDevice::FileModificationTime));
        out.close();
        TformPageProperty dialog(page_, settings_, *store_);
        dialog.show();
        QCOMPARE(dialog.form().editModifyDate->text(), QStringLiteral("2001 年 3 月 5 日 9 時 7 分 3 秒"));
        const QDateTime born = QFileInfo(out).birthTime();
        QCOMPARE(dialog.form().editCreateDate->text(),
                 born.isValid() ? FileDateText(born) : TformPageProperty::NoCreationTimeText());

        // A page whose file is not there shows no dates, not those of the last one.
        page_.FileName = TextCodec::FromUnicodeWithReferences(path("none.html"));
        dialog.hide();
        dialog.show();
        QCOMPARE(dialog.form().editModifyDate->text(), QString());
        QCOMPARE(dialog.form().editCreateDate->text(), QString());
    }

    void ftpSettingMissingFromTheListIsKept()
    {
        page_.FtpSettingName = "gone";
        TformPageProperty dialog(page_, settings_, *store_);
        Ui::TformPageProperty& ui = dialog.form();
        dialog.show();
        QCOMPARE(ui.cmbbFtpSettingName->count(), 4);
        QCOMPARE(ui.cmbbFtpSettingName->currentText(), TformPageProperty::MissingFtpSettingText("gone"));
        QCOMPARE(ui.editHostName->text(), QStringLiteral("ftp.gone"));
        ui.bttnOk->click();
        QCOMPARE(page_.FtpSettingName, SjisString("gone"));

        dialog.show();
        ui.cmbbFtpSettingName->setFocus();
        QTest::keyClick(ui.cmbbFtpSettingName, Qt::Key_Home);
        QCOMPARE(ui.editHostName->text(), QString()); // "(規定値)" has no values yet
        QCOMPARE(ui.editFtpProtocol->text(), QString());
        ui.bttnOk->click();
        QCOMPARE(page_.FtpSettingName, ProgramConstants::DefaultFtpSettingName());
    }

    void textShiftJisCannotHoldIsRefusedAndNothingIsStored()
    {
        const SjisString oddTitle("T\x81", 2); // a lone lead byte, shown as a replacement character
        page_.Title = oddTitle;
        const PageProperties before = page_.properties();
        TformPageProperty dialog(page_, settings_, *store_);
        Ui::TformPageProperty& ui = dialog.form();
        dialog.show();
        ui.editFileName->setText("/w/changed.html");
        ui.editCategory->setText(QStringLiteral("絵文字 \U0001F600"));
        Box box;
        Answer(QMessageBox::Ok, &box);
        ui.bttnOk->click();
        QVERIFY(box.seen);
        QCOMPARE(box.title, QStringLiteral("警告"));
        QVERIFY(box.text.contains(QStringLiteral("カテゴリ")) && box.text.contains(QStringLiteral("\U0001F600")));
        QVERIFY(dialog.isVisible());
        QVERIFY(page_.properties() == before);

        // The title was not touched: its bytes come back as they were.
        ui.editCategory->setText("plain");
        ui.bttnOk->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(page_.Title, oddTitle);
        QCOMPARE(page_.FileName, SjisString("/w/changed.html"));
    }
};

QTEST_MAIN(TestPageProperty)
#include "tst_pageproperty.moc"
