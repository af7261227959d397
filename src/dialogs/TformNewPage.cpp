#include "dialogs/TformNewPage.h"

#include "controls/FileOperations.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/FileFilter.h"
#include "dialogs/NewPageRules.h"
#include "dialogs/TformFolderDialog.h"
#include "document/Page.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "publish/HtmlWriter.h"
#include "settings/Settings.h"
#include "ui_TformNewPage.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

const QString SaveDialogFilter =
    QStringLiteral("ハイパーテキスト ドキュメント（*.html;*.htm）|*.html;*.htm|すべてのファイル（*.*）|*.*");

// The field's text as page bytes. A field still showing what the page held
// keeps the page's bytes, even ones that do not decode; nothing when a
// character has no Shift_JIS code.
std::optional<SjisString> FieldBytes(const QString& text, SjisView original)
{
    if (text == TextCodec::ToUnicode(original))
        return SjisString(original);
    return TextCodec::FromUnicodeStrict(text);
}

} // namespace

TformNewPage::TformNewPage(Page& page, const Settings& settings, QWidget* parent)
    : QDialog(parent, DialogWithoutSystemButtons()), ui_(std::make_unique<Ui::TformNewPage>()), page_(page),
      settings_(settings)
{
    ui_->setupUi(this);
    setFixedHeight(sizeHint().height());

    SaveDialog = new QFileDialog(this);
    SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
    SaveDialog->setOption(QFileDialog::DontUseNativeDialog);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setDefaultSuffix(QStringLiteral("html"));
    SaveDialog->setNameFilters(NameFilters(SaveDialogFilter));

    for (QLineEdit* edit : {ui_->editTitle, ui_->editFileName, ui_->editDatabasePath})
        connect(edit, &QLineEdit::textChanged, this, &TformNewPage::EditChange);
    connect(ui_->cboxForceDirectories, &QCheckBox::clicked, this, &TformNewPage::EditChange);
    connect(ui_->sbtnFileName, &QToolButton::clicked, this, &TformNewPage::sbtnFileNameClick);
    connect(ui_->sbtnDatabasePath, &QToolButton::clicked, this, &TformNewPage::sbtnDatabasePathClick);
    connect(ui_->bttnOk, &QPushButton::clicked, this, &TformNewPage::bttnOkClick);
    connect(ui_->bttnCancel, &QPushButton::clicked, this, &TformNewPage::bttnCancelClick);
}

TformNewPage::~TformNewPage() = default;

void TformNewPage::showEvent(QShowEvent* event)
{
    CentreOnScreen(this);
    FormShow();
    QDialog::showEvent(event);
}

void TformNewPage::FormShow()
{
    ui_->bttnOk->setEnabled(false);
    // An edit that already holds the text raises no change: shown again
    // for the same page, OK waits for the user to change something.
    ui_->editTitle->setText(TextCodec::ToUnicode(page_.Title));
    ui_->editFileName->setText(TextCodec::ToUnicode(page_.FileName));
    ui_->editDatabasePath->setText(TextCodec::ToUnicode(page_.DatabasePath));
    ui_->editTitle->setFocus();
}

void TformNewPage::EditChange()
{
    const NewPageRules::Fields fields{ui_->editTitle->text(), ui_->editFileName->text(),
                                      ui_->editDatabasePath->text(), ui_->cboxForceDirectories->isChecked()};
    ui_->bttnOk->setEnabled(NewPageRules::OkEnabled(fields));
}

void TformNewPage::sbtnFileNameClick()
{
    const QString folder = NewPageRules::FolderPart(NewPageRules::ExpandHome(ui_->editFileName->text()));
    if (NewPageRules::IsFolder(folder))
        SaveDialog->setDirectory(folder);
    if (!lastChosenName_.isEmpty())
        SaveDialog->selectFile(lastChosenName_);
    if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty())
        return;
    const QString chosen = SaveDialog->selectedFiles().first();
    lastChosenName_ = QFileInfo(chosen).fileName();
    ui_->editFileName->setText(QDir::toNativeSeparators(chosen));
}

void TformNewPage::sbtnDatabasePathClick()
{
    if (!folderDialog_)
        return;
    const QString root = NewPageRules::ExpandHome(ui_->editDatabasePath->text());
    folderDialog_->setChosenFolder(NewPageRules::IsFolder(root) ? root : QString());
    if (folderDialog_->exec() == QDialog::Accepted)
        ui_->editDatabasePath->setText(QDir::toNativeSeparators(folderDialog_->chosenFolder()));
}

void TformNewPage::warn(const QString& text, QLineEdit* field)
{
    QMessageBox::warning(this, QStringLiteral("警告"), text);
    field->setFocus();
    field->selectAll();
}

void TformNewPage::bttnOkClick()
{
    // Every field is checked before anything is asked, created or stored.
    const struct {
        QLineEdit* edit;
        const char* name;
        const SjisString& original;
        QString text;
    } fields[] = {
        {ui_->editTitle, "ページタイトル", page_.Title, ui_->editTitle->text()},
        {ui_->editFileName, "ページを出力する場所", page_.FileName,
         NewPageRules::ExpandHome(ui_->editFileName->text())},
        {ui_->editDatabasePath, "ドキュメントルート", page_.DatabasePath,
         NewPageRules::ExpandHome(ui_->editDatabasePath->text())},
    };
    std::optional<SjisString> bytes[3];
    for (size_t i = 0; i < std::size(fields); ++i) {
        bytes[i] = FieldBytes(fields[i].text, fields[i].original);
        if (!bytes[i]) {
            warn(QStringLiteral("%1に Shift_JIS で表せない文字 “%2” が含まれています。")
                     .arg(QString::fromUtf8(fields[i].name),
                          TextCodec::FirstUnencodable(fields[i].text).value_or(QString())),
                 fields[i].edit);
            return;
        }
    }
    PageProperties names;
    names.FileName = *bytes[1];
    names.DatabasePath = PagePaths::IncludeTrailingPathDelimiter(*bytes[2]);

    if (!confirmOverwrite(names) || !createFolders(names, fields[2].text))
        return;
    page_.Title = *bytes[0];
    page_.FileName = names.FileName;
    page_.DatabasePath = names.DatabasePath;
    ApplyNewPageOptions(page_, settings_.newPageDefaults());
    accept();
}

bool TformNewPage::confirmOverwrite(const PageProperties& names)
{
    // The fields start out holding the open page's names: OK must not let
    // the first save replace that page (or another one) unasked.
    const QString pageFile = TextCodec::NativePath(PagePaths::PageFilePath(names));
    const QString htmlFile = TextCodec::NativePath(CompleteHtmlFileName(names.FileName, settings_.StartFolder));
    const std::optional<QString> question = NewPageRules::OverwriteQuestion(
        pageFile, htmlFile, [](const QString& path) { return QFileInfo::exists(path); });
    if (!question || AskYesNo(this, QMessageBox::Question, QStringLiteral("質問"), *question, QMessageBox::No))
        return true;
    ui_->editFileName->setFocus();
    ui_->editFileName->selectAll();
    return false;
}

bool TformNewPage::createFolders(const PageProperties& names, const QString& typedRoot)
{
    // The document root and the HTML file's folder are both made here, so
    // that the first save can write both files.
    if (!NewPageRules::IsFolder(typedRoot)) {
        if (std::optional<QString> failed = FileOperations::CreateFolderWithParents(typedRoot)) {
            warn(QStringLiteral("ドキュメントルート “%1” を作成できませんでした。\n%2").arg(typedRoot, *failed),
                 ui_->editDatabasePath);
            return false;
        }
    }
    if (PagePaths::IsForeignPath(names.FileName))
        return true; // names no folder here; the save says so
    const QString htmlFolder = TextCodec::NativePath(
        PagePaths::ExtractFileDir(CompleteHtmlFileName(names.FileName, settings_.StartFolder)));
    if (htmlFolder.isEmpty() || NewPageRules::IsFolder(htmlFolder))
        return true;
    if (std::optional<QString> failed = FileOperations::CreateFolderWithParents(htmlFolder)) {
        warn(QStringLiteral("ページを出力するフォルダ “%1” を作成できませんでした。\n%2").arg(htmlFolder, *failed),
             ui_->editFileName);
        return false;
    }
    return true;
}

void TformNewPage::bttnCancelClick()
{
    reject();
}
