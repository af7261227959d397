#include "dialogs/TformPageProperty.h"

#include "dialogs/DialogHelpers.h"
#include "dialogs/FtpProtocolCaption.h"
#include "dialogs/NewPageRules.h"
#include "document/Page.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "settings/Settings.h"
#include "ui_TformPageProperty.h"
#include "upload/UploadStore.h"

#include <QFileInfo>
#include <QShowEvent>
#include <QStyle>

namespace {

// Display-only edits sit on the dialog's face, like labels.
void ShowAsLabel(QLineEdit* edit)
{
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    edit->setPalette(p);
}

} // namespace

TformPageProperty::TformPageProperty(Page& page, const Settings& settings, const SettingsStore& store, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TformPageProperty>()), page_(page), settings_(settings), store_(store)
{
    ui_->setupUi(this);
    ui_->cmbbDocumentType->addItems(DocumentTypeChoices());
    ui_->lablTitleIcon->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(24, 24));
    for (QLineEdit* e : {ui_->editCreateDate, ui_->editModifyDate, ui_->editTitle2, ui_->editFtpProtocol,
                         ui_->editHostName, ui_->editUserName})
        ShowAsLabel(e);

    connect(ui_->bttnOk, &QPushButton::clicked, this, &TformPageProperty::bttnOkClick);
    connect(ui_->bttnCancel, &QPushButton::clicked, this, &TformPageProperty::bttnCancelClick);
    connect(ui_->cmbbFtpSettingName, &QComboBox::activated, this, &TformPageProperty::cmbbFtpSettingNameChange);
    AddPageKeys(ui_->PageControl);
}

TformPageProperty::~TformPageProperty() = default;

QString TformPageProperty::NoCreationTimeText()
{
    return QStringLiteral("（このファイルシステムには作成日時の記録がありません）");
}

QString TformPageProperty::MissingFtpSettingText(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("（設定名なし）");
    return name + QStringLiteral(" （この設定はありません）");
}

void TformPageProperty::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TformPageProperty::FormShow()
{
    ui_->PageControl->setCurrentWidget(ui_->tabGeneral);
    ui_->editTitle->setText(shown_[Title].load(page_.Title));
    ui_->editFileName->setText(shown_[FileName].load(page_.FileName));
    ui_->editDatabasePath->setText(shown_[DatabasePath].load(page_.DatabasePath));
    ui_->editCategory->setText(shown_[Category].load(page_.Category));
    ui_->editCategoryUrl->setText(shown_[CategoryUrl].load(page_.CategoryUrl));
    showFileDates();
    ui_->cboxUpload->setChecked(page_.Upload);
    switch (page_.CharacterSet) {
    case Charset::Iso2022Jp: ui_->rbtnJis->setChecked(true); break;
    case Charset::ShiftJis: ui_->rbtnSJis->setChecked(true); break;
    case Charset::EucJp: ui_->rbtnEuc->setChecked(true); break;
    }
    ui_->cmbbDocumentType->setEditText(shown_[Doctype].load(page_.Doctype));
    ui_->editTitle2->setText(TextCodec::ToUnicode(page_.Title));
    ui_->editStyleSheetFileName->setText(shown_[StyleSheet].load(page_.StyleSheetFileName));
    ui_->editJavaScriptFileName->setText(shown_[JavaScript].load(page_.JavaScriptFileName));
    ui_->cboxEnableStyleSheet->setChecked(page_.EnableStyleSheet);
    ui_->cboxEnableJavaScript->setChecked(page_.EnableJavaScript);

    ftpChoices_ = ChooseFtpSetting(SplitSettingNames(settings_.SettingNameText), page_.FtpSettingName);
    ui_->cmbbFtpSettingName->clear();
    for (size_t i = 0; i < ftpChoices_.names.size(); ++i) {
        const QString name = TextCodec::ToUnicode(ftpChoices_.names[i]);
        const bool missing = ftpChoices_.pageNameMissing && i + 1 == ftpChoices_.names.size();
        ui_->cmbbFtpSettingName->addItem(missing ? MissingFtpSettingText(name) : name);
    }
    ui_->cmbbFtpSettingName->setCurrentIndex(ftpChoices_.selected);
    showFtpSetting(page_.FtpSettingName);
    ui_->editDirName->setText(shown_[RemoteFolder].load(page_.RemoteFolder));
    ui_->editTitle->setFocus();
}

void TformPageProperty::showFileDates()
{
    // A file that is not there shows no dates, rather than those of the
    // page shown before.
    const QFileInfo file(TextCodec::NativePath(page_.FileName));
    if (page_.FileName.empty() || !file.exists()) {
        ui_->editCreateDate->clear();
        ui_->editModifyDate->clear();
        return;
    }
    const QDateTime created = file.birthTime();
    ui_->editCreateDate->setText(created.isValid() ? FileDateText(created) : NoCreationTimeText());
    ui_->editModifyDate->setText(FileDateText(file.lastModified()));
}

void TformPageProperty::showFtpSetting(SjisView name)
{
    const FtpSetting setting = ReadFtpSetting(store_, name);
    // A setting with nothing stored shows nothing, not the FTP it defaults to.
    ui_->editFtpProtocol->setText(setting == FtpSetting() ? QString() : FtpProtocolCaption(setting.Protocol));
    ui_->editHostName->setText(TextCodec::ToUnicode(setting.HostName));
    ui_->editUserName->setText(TextCodec::ToUnicode(setting.UserName));
}

void TformPageProperty::cmbbFtpSettingNameChange(int index)
{
    if (index >= 0 && size_t(index) < ftpChoices_.names.size())
        showFtpSetting(ftpChoices_.names[size_t(index)]);
}

void TformPageProperty::bttnOkClick()
{
    // Every text is encoded first: one that cannot be stored keeps the
    // dialog open and the page untouched.
    const struct {
        Text text;
        QString label;
        QString now;
        SjisString* target;
    } fields[] = {
        {Title, QStringLiteral("ページ名"), ui_->editTitle->text(), &page_.Title},
        {FileName, ui_->lablFileName->text(), NewPageRules::ExpandHome(ui_->editFileName->text()), &page_.FileName},
        {DatabasePath, ui_->lablDatabasePath->text(), NewPageRules::ExpandHome(ui_->editDatabasePath->text()),
         &page_.DatabasePath},
        {Category, ui_->lablCategory->text(), ui_->editCategory->text(), &page_.Category},
        {CategoryUrl, ui_->lablCategoryUrl->text(), ui_->editCategoryUrl->text(), &page_.CategoryUrl},
        {Doctype, ui_->lablDocumentType->text(), ui_->cmbbDocumentType->currentText(), &page_.Doctype},
        {StyleSheet, ui_->lablStyleSheetFileName->text(), ui_->editStyleSheetFileName->text(),
         &page_.StyleSheetFileName},
        {JavaScript, ui_->lablJavaScriptFileName->text(), ui_->editJavaScriptFileName->text(),
         &page_.JavaScriptFileName},
        {RemoteFolder, ui_->lablDirName->text(), ui_->editDirName->text(), &page_.RemoteFolder},
    };
    std::array<SjisString, TextCount> bytes;
    for (const auto& f : fields) {
        QString label = f.label;
        label.remove(u'：');
        std::optional<SjisString> encoded = EncodeFieldOrWarn(this, label, f.now, &shown_[f.text]);
        if (!encoded)
            return;
        bytes[f.text] = std::move(*encoded);
    }

    page_.Title = bytes[Title];
    page_.FileName = bytes[FileName];
    // The page file is the root + a name: a root without its final
    // separator would put the page file beside the folder.
    page_.DatabasePath = PagePaths::IncludeTrailingPathDelimiter(bytes[DatabasePath]);
    page_.Category = bytes[Category];
    page_.CategoryUrl = bytes[CategoryUrl];
    page_.Upload = ui_->cboxUpload->isChecked();
    page_.CharacterSet = ui_->rbtnEuc->isChecked()    ? Charset::EucJp
                         : ui_->rbtnSJis->isChecked() ? Charset::ShiftJis
                                                      : Charset::Iso2022Jp;
    page_.Doctype = bytes[Doctype];
    page_.StyleSheetFileName = bytes[StyleSheet];
    page_.JavaScriptFileName = bytes[JavaScript];
    page_.EnableStyleSheet = ui_->cboxEnableStyleSheet->isChecked();
    page_.EnableJavaScript = ui_->cboxEnableJavaScript->isChecked();
    const int ftp = ui_->cmbbFtpSettingName->currentIndex();
    if (ftp >= 0 && size_t(ftp) < ftpChoices_.names.size())
        page_.FtpSettingName = ftpChoices_.names[size_t(ftp)];
    page_.RemoteFolder = bytes[RemoteFolder];
    accept();
}

void TformPageProperty::bttnCancelClick()
{
    reject();
}
