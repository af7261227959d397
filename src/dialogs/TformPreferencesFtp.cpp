// The preferences' FTP tab: a view of the FtpSettingList it holds.
#include "dialogs/DialogHelpers.h"
#include "dialogs/PreferencesRules.h"
#include "dialogs/TformPreferences.h"
#include "document/TextCodec.h"
#include "ui_TformPreferences.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void TformPreferences::updateDefaultButton()
{
    // Enter adds the typed name while the FTP tab shows and adding is possible.
    const bool add = ui_->PageControl->currentWidget() == ui_->tabFtp && ui_->bttnAddFtpSetting->isEnabled();
    ui_->bttnAddFtpSetting->setDefault(add);
    ui_->bttnOk->setDefault(!add);
}

void TformPreferences::editFtpSettingNameTextChange()
{
    ui_->bttnAddFtpSetting->setEnabled(AddFtpSettingEnabled(ui_->editFtpSettingNameText->text()));
    updateDefaultButton();
}

void TformPreferences::showStoreError(const QString& message)
{
    QMessageBox::critical(this, QStringLiteral("失敗"), message);
}

void TformPreferences::showFtpList()
{
    fillingFtpGroup_ = true;
    QListWidget* list = ui_->listFtpSettingNameText;
    list->clear();
    for (const SjisString& name : ftpList_.names())
        list->addItem(TextCodec::ToUnicode(name));
    if (const std::optional<size_t> row = ftpList_.selectedRow())
        list->setCurrentRow(int(*row));
    fillingFtpGroup_ = false;
    showFtpGroup();
}

void TformPreferences::showFtpGroup()
{
    const FtpSetting& setting = ftpList_.stored();
    const bool selected = ftpList_.selectedRow().has_value();
    fillingFtpGroup_ = true;
    ui_->grpbFtp->setEnabled(selected);
    ui_->editFtpHostName->setText(TextCodec::ToUnicode(setting.HostName));
    ui_->editFtpUserName->setText(TextCodec::ToUnicode(setting.UserName));
    ui_->editFtpPassWord->setText(TextCodec::ToUnicode(setting.PassWord));
    ui_->editFtpKeyFile->setText(TextCodec::ToUnicode(setting.KeyFile));
    ui_->cmbbFtpProtocol->setCurrentIndex(ui_->cmbbFtpProtocol->findData(static_cast<int>(setting.Protocol)));
    ui_->cboxFtpUsePasv->setChecked(setting.UsePasv);
    ui_->cboxFtpAtomicReplace->setChecked(setting.AtomicReplace);
    atomicReplaceClicked_ = false;
    ui_->editFtpTlsFingerprint->setText(TextCodec::ToUnicode(setting.TlsFingerprint));
    ui_->editFtpTlsFingerprint->setToolTip(ui_->editFtpTlsFingerprint->text());
    ui_->editFtpTlsFingerprint->setCursorPosition(0);
    enableFtpProtocolRows();
    ui_->bttnDelFtpSetting->setEnabled(ftpList_.canDelete());
    ui_->bttnApplyFtpSetting->setEnabled(selected);
    fillingFtpGroup_ = false;
}

FtpProtocol TformPreferences::shownFtpProtocol() const
{
    return static_cast<FtpProtocol>(ui_->cmbbFtpProtocol->currentData().toInt());
}

void TformPreferences::enableFtpProtocolRows()
{
    const FtpGroupRows rows = FtpGroupRowsFor(shownFtpProtocol());
    ui_->lablFtpKeyFile->setEnabled(rows.keyFile);
    ui_->editFtpKeyFile->setEnabled(rows.keyFile);
    ui_->sbtnFtpKeyFile->setEnabled(rows.keyFile);
    ui_->cboxFtpUsePasv->setEnabled(rows.passive);
    ui_->lablFtpTlsFingerprint->setEnabled(rows.tlsTrust);
    ui_->editFtpTlsFingerprint->setEnabled(rows.tlsTrust);
    ui_->bttnForgetTlsFingerprint->setEnabled(rows.tlsTrust && ftpList_.selectedRow()
                                              && !ftpList_.stored().TlsFingerprint.empty());
}

void TformPreferences::cmbbFtpProtocolChange()
{
    enableFtpProtocolRows();
}

void TformPreferences::sbtnFtpKeyFileClick()
{
    // Keys usually live in ~/.ssh, a hidden folder the dialog would not offer.
    const QString typed = ui_->editFtpKeyFile->text();
    const QString folder =
        typed.isEmpty() ? QDir::home().filePath(QStringLiteral(".ssh")) : QFileInfo(typed).absolutePath();
    if (QFileInfo(folder).isDir())
        OpenDialog->setDirectory(folder);
    pickFile(ui_->editFtpKeyFile, QStringLiteral("すべてのファイル（*.*）|*.*"), false);
}

std::optional<FtpSetting> TformPreferences::ftpGroup()
{
    const std::optional<SjisString> host =
        EncodeFieldOrWarn(this, fieldLabel(ui_->lablFtpHostName), ui_->editFtpHostName->text());
    if (!host)
        return std::nullopt;
    const std::optional<SjisString> user =
        EncodeFieldOrWarn(this, fieldLabel(ui_->lablFtpUserName), ui_->editFtpUserName->text());
    if (!user)
        return std::nullopt;
    const std::optional<SjisString> password =
        EncodeFieldOrWarn(this, fieldLabel(ui_->lablFtpPassWord), ui_->editFtpPassWord->text());
    if (!password)
        return std::nullopt;
    const std::optional<SjisString> keyFile =
        EncodeFieldOrWarn(this, fieldLabel(ui_->lablFtpKeyFile), ui_->editFtpKeyFile->text());
    if (!keyFile)
        return std::nullopt;
    const FtpProtocol protocol = shownFtpProtocol();
    if (protocol == FtpProtocol::Sftp) {
        if (const std::optional<QString> problem = FtpKeyFileProblem(ui_->editFtpKeyFile->text())) {
            QMessageBox::warning(this, QStringLiteral("警告"), *problem);
            return std::nullopt;
        }
    }
    return FtpSetting{.HostName = *host,
                      .UserName = *user,
                      .PassWord = *password,
                      .UsePasv = ui_->cboxFtpUsePasv->isChecked(),
                      .Protocol = protocol,
                      .AtomicReplace = ui_->cboxFtpAtomicReplace->isChecked(),
                      .TlsFingerprint = ftpList_.stored().TlsFingerprint,
                      .KeyFile = *keyFile};
}

bool TformPreferences::ftpGroupEdited() const
{
    const FtpSetting& stored = ftpList_.stored();
    return ftpList_.selectedRow()
        && (ui_->editFtpHostName->text() != TextCodec::ToUnicode(stored.HostName)
            || ui_->editFtpUserName->text() != TextCodec::ToUnicode(stored.UserName)
            || ui_->editFtpPassWord->text() != TextCodec::ToUnicode(stored.PassWord)
            || ui_->editFtpKeyFile->text() != TextCodec::ToUnicode(stored.KeyFile)
            || shownFtpProtocol() != stored.Protocol || ui_->cboxFtpUsePasv->isChecked() != stored.UsePasv
            || ui_->cboxFtpAtomicReplace->isChecked() != stored.AtomicReplace);
}

bool TformPreferences::storeFtpGroup()
{
    if (!ftpGroupEdited())
        return true;
    const std::optional<FtpSetting> setting = ftpGroup();
    if (!setting)
        return false;
    if (std::optional<QString> error = ftpList_.apply(*setting)) {
        showStoreError(*error);
        return false;
    }
    return true;
}

void TformPreferences::bttnAddFtpSettingClick()
{
    const QString name = TrimmedFtpSettingName(ui_->editFtpSettingNameText->text());
    if (name.isEmpty())
        return;
    const std::optional<SjisString> nameBytes = EncodeFieldOrWarn(this, fieldLabel(ui_->lablFtpSettingNameText), name);
    if (!nameBytes)
        return;
    if (std::optional<QString> problem = FtpSettingList::NameProblem(*nameBytes)) {
        QMessageBox::warning(this, QStringLiteral("警告"), *problem);
        return;
    }
    std::optional<FtpSetting> setting = ftpGroup();
    if (!setting)
        return;
    // A new setting replaces the remote file in one step unless the user
    // cleared the box for it; the box may still show the setting it was
    // filled from.
    if (!atomicReplaceClicked_)
        setting->AtomicReplace = true;

    const QString question = AddFtpSettingQuestion(name, setting->Protocol, ui_->editFtpHostName->text(),
                                                   ui_->editFtpUserName->text(), ui_->editFtpPassWord->text(),
                                                   ui_->cboxFtpUsePasv->isChecked(), ui_->editFtpKeyFile->text());
    if (!AskYesNo(this, QMessageBox::Information, QStringLiteral("情報"), question, QMessageBox::Yes))
        return;
    // A name is listed once: adding it again replaces its server.
    if (ftpList_.contains(*nameBytes)
        && !AskYesNo(this, QMessageBox::Question, QStringLiteral("質問"),
                     QStringLiteral("設定名 %1 はすでにあります。上書きしますか？").arg(name), QMessageBox::No))
        return;
    if (std::optional<QString> error = ftpList_.add(*nameBytes, *setting)) {
        showStoreError(*error);
        return;
    }
    // The group now shows the setting just stored. The name is done with:
    // Enter presses OK again, and the next name can be typed at once.
    showFtpList();
    ui_->editFtpSettingNameText->clear();
    ui_->editFtpSettingNameText->setFocus();
}

void TformPreferences::listFtpSettingNameTextClick()
{
    if (fillingFtpGroup_)
        return;
    QListWidget* list = ui_->listFtpSettingNameText;
    const QList<QListWidgetItem*> selected = list->selectedItems();
    const std::optional<size_t> row =
        selected.isEmpty() ? std::nullopt : std::optional<size_t>(size_t(list->row(selected.first())));
    const std::optional<size_t> shown = ftpList_.selectedRow();
    if (row == shown)
        return;
    // Moving away from a setting whose group was edited asks first, so that
    // what was typed is not lost on the way; the group always shows a row.
    bool stay = !row;
    if (!stay && ftpGroupEdited()) {
        const QString name = TextCodec::ToUnicode(ftpList_.names()[*shown]);
        if (AskYesNo(this, QMessageBox::Question, QStringLiteral("質問"),
                     QStringLiteral("設定名 %1 の変更を保存しますか？").arg(name), QMessageBox::Yes))
            stay = !storeFtpGroup();
    }
    if (stay) {
        fillingFtpGroup_ = true;
        list->setCurrentRow(shown ? int(*shown) : -1);
        fillingFtpGroup_ = false;
        return;
    }
    ftpList_.select(row);
    showFtpGroup();
}

void TformPreferences::bttnDelFtpSettingClick()
{
    if (!ftpList_.canDelete())
        return;
    // The setting's server and password go with it: ask first.
    const QString name = TextCodec::ToUnicode(ftpList_.names()[*ftpList_.selectedRow()]);
    if (!AskYesNo(this, QMessageBox::Question, QStringLiteral("質問"), DeleteFtpSettingQuestion(name),
                  QMessageBox::No))
        return;
    if (std::optional<QString> error = ftpList_.remove()) {
        showStoreError(*error);
        return;
    }
    showFtpList();
}

void TformPreferences::bttnApplyFtpSettingClick()
{
    if (!ftpList_.selectedRow())
        return;
    const std::optional<FtpSetting> setting = ftpGroup();
    if (!setting)
        return;
    if (std::optional<QString> error = ftpList_.apply(*setting))
        showStoreError(*error);
}

// Taking back the trust is stored at once: the next upload to that server
// asks about its certificate again, whatever else the user does here.
void TformPreferences::bttnForgetTlsFingerprintClick()
{
    if (std::optional<QString> error = ftpList_.forgetTrust()) {
        showStoreError(*error);
        return;
    }
    const QString fingerprint = TextCodec::ToUnicode(ftpList_.stored().TlsFingerprint);
    ui_->editFtpTlsFingerprint->setText(fingerprint);
    ui_->editFtpTlsFingerprint->setToolTip(fingerprint);
    ui_->bttnForgetTlsFingerprint->setEnabled(false);
}
