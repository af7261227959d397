// The main window's document commands, start-up and shutdown: opening and
// saving pages, the browser link, the external tool, the manual, the upload
// queue, the recent files and dropped files.
#include "app/BrowserLink.h"
#include "app/DesktopOpener.h"
#include "app/ErrorDisplay.h"
#include "app/OutlineModel.h"
#include "app/TformMain.h"
#include "controls/FileOperations.h"
#include "controls/TOpenFileHistories.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/TformNewPage.h"
#include "document/PageFile.h"
#include "document/PagePaths.h"
#include "document/ProgramConstants.h"
#include "document/TextCodec.h"
#include "editor/ColourEditor.h"
#include "editor/EditorText.h"
#include "page/PageDocument.h"
#include "page/PageRecovery.h"
#include "page/SaveRoad.h"
#include "publish/HtmlWriter.h"
#include "settings/OutlineViewStates.h"
#include "settings/SettingsStore.h"
#include "ui_TformMain.h"
#include "upload/UploadStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>

namespace {

const QString RecentFilesName = QStringLiteral("Tav Outliner");
// Dropped paths longer than this are cut, as the shell hands them over.
constexpr int MaxDroppedPathLength = 254;

QString FromSjis(SjisView text) { return TextCodec::ToUnicode(text); }

} // namespace

void TformMain::connectDocumentCommands()
{
    updateCaption();
    connect(&document_, &PageDocument::changed, this, &TformMain::updateCaption);
    setAcceptDrops(true);

    OpenDialog = new QFileDialog(this, QStringLiteral("開く"));
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setNameFilters({QStringLiteral("ページファイル（*.data） (*.data)"),
                                QStringLiteral("すべてのファイル（*.*） (*)")});
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog);

    connect(ui_->MainMenu_FOP, &QAction::triggered, this, &TformMain::MainMenu_FOPClick);
    connect(ui_->MainMenu_FSS, &QAction::triggered, this, &TformMain::MainMenu_FSClick);
    connect(ui_->MainMenu_FSC, &QAction::triggered, this, &TformMain::MainMenu_FSCClick);
    connect(ui_->MainMenu_FX, &QAction::triggered, this, &TformMain::MainMenu_FXClick);
    connect(ui_->MainMenu_TII, &QAction::triggered, this, &TformMain::MainMenu_TIIClick);
    connect(ui_->Mainmenu_TP, &QAction::triggered, this, &TformMain::Mainmenu_TPClick);
    connect(ui_->MainMenu_TD, &QAction::triggered, this, &TformMain::MainMenu_TDClick);
    connect(ui_->MainMenu_HO, &QAction::triggered, this, &TformMain::MainMenu_HOClick);
    manualOpener_ = new DesktopOpener(this);
    connect(manualOpener_, &DesktopOpener::failed, this, [this](const QString& path) { ManualNotOpened(path, false); });
    ui_->MainMenu_TIR->setChecked(settings_.onSave);
    ui_->MainMenu_TIO->setChecked(settings_.SetFocusBack);
}

void TformMain::setStores(SettingsStore* settings, SettingsStore* recentFiles)
{
    store_ = settings;
    recentStore_ = recentFiles;
    delete RUF;
    RUF = nullptr;
    if (recentStore_) {
        RUF = new TOpenFileHistories(*recentStore_, this);
        RUF->setObjectName(QStringLiteral("RUF"));
        RUF->setUpFileItem(ui_->MainMenu_FO_Recent);
        RUF->setMaxHistory(10);
        connect(RUF, &TOpenFileHistories::OnOpenFile, this, &TformMain::RUFOpenFile);
    }
}

// --- Start-up and shutdown -------------------------------------------------

void TformMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    if (store_)
        FormShow();
}

void TformMain::FormShow()
{
    LoadBrowserTitle(*store_, settings_);
    const QRect screen = this->screen()->availableGeometry();
    LoadSettings(*store_, settings_, page_, screen.width(), screen.height());
    ApplyWindowPosition();
    ApplyEditorAppearance();
    OpenStartPage();
    if (RUF) {
        RUF->LoadHistories(RecentFilesName);
        historiesLoaded_ = true;
        // The page opened above goes to the top of the list at once.
        if (RUF->hasPending())
            RUF->RefreshMenu();
    }
    ApplyViewSettings();
    ui_->MainMenu_TIR->setChecked(settings_.onSave);
    ui_->MainMenu_TIO->setChecked(settings_.SetFocusBack);
    ClearBinding();
    PageStarted(true);
    raise();
    activateWindow();
}

void TformMain::OpenUntitledPage()
{
    page_.ResetPage(settings_.newPageDefaults());
    page_.Title = ProgramConstants::UntitledPageTitle();
    page_.FileName = settings_.ProgramFolder + "untitled.html";
    page_.DatabasePath = settings_.ProgramFolder;
}

void TformMain::OpenStartPage()
{
    // A page file that exists but could not be read is not left as the
    // page's target: the next save would replace it with an empty page.
    // The stored last page is kept for the next run all the same (its drive
    // may just not be there today).
    const PageProperties storedLastPage = page_.properties();
    const auto fallBackIfUnread = [this, storedLastPage](bool opened) {
        if (!opened && QFileInfo::exists(TextCodec::NativePath(PagePaths::PageFilePath(page_)))) {
            OpenUntitledPage();
            unreadLastPage_ = storedLastPage;
        }
    };
    if (!commandLineFile_.isEmpty()) {
        // Relative to the folder the program was started in: the page keeps
        // working (and is listed once) when it is started from elsewhere.
        const QString absolute =
            QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(commandLineFile_).absoluteFilePath()));
        const std::optional<SjisString> path = TextCodec::FromUnicodeStrict(absolute);
        if (!path) {
            ShowError(this, UnencodablePathMessage(absolute));
            OpenUntitledPage();
            return;
        }
        PointPageAt(page_, *path);
        Page fresh;
        fresh.properties() = page_.properties();
        fallBackIfUnread(ReadIntoPage(fresh, *path));
        return;
    }
    switch (settings_.BootOnAction) {
    case 0:
        if (QFileInfo::exists(TextCodec::NativePath(PagePaths::PageFilePath(page_)))) {
            Page fresh;
            fresh.properties() = page_.properties();
            fallBackIfUnread(ReadIntoPage(fresh, PagePaths::PageFilePath(page_)));
        }
        break;
    case 1: // the new page dialog; cancelled, the untitled page
        if (!windows_.formNewPage || windows_.formNewPage->exec() != QDialog::Accepted)
            OpenUntitledPage();
        break;
    case 2:
        OpenUntitledPage();
        break;
    default:
        break;
    }
}

void TformMain::closeEvent(QCloseEvent* event)
{
    if (!ConfirmDiscard()) {
        event->ignore();
        return;
    }
    if (store_) {
        RememberViewState();
        SplitterMoved(); // the pane size as it is now
        settings_.TopMost = ui_->MainMenu_TS->isChecked();
        settings_.SeparateHorizontal = ui_->MainMenu_TV->isChecked();
        settings_.onSave = ui_->MainMenu_TIR->isChecked();
        settings_.SetFocusBack = ui_->MainMenu_TIO->isChecked();
        StorePreviewSettings();
        SaveSettings(*store_, settings_, unreadLastPage_ ? *unreadLastPage_ : page_.properties(), windowBounds());
        if (std::optional<QString> error = store_->flush())
            ShowError(this, *error);
    }
    // A list that was never loaded is never written back over the stored one.
    if (RUF && historiesLoaded_) {
        RUF->SaveHistories(RecentFilesName);
        if (std::optional<QString> error = recentStore_->flush())
            ShowError(this, *error);
    }
    event->accept();
}

void TformMain::MainMenu_FXClick()
{
    close();
}

// --- Opening -----------------------------------------------------------------

PageFileContext TformMain::pageFileContext()
{
    return settings_.pageFileContext();
}

void TformMain::AddToRecentFiles(const SjisString& path)
{
    if (RUF) {
        RUF->AddHistory(FromSjis(path));
        RUF->RefreshMenu();
    }
}

void TformMain::ShowPageFileFailure(const PageFileResult& result)
{
    if (result.isUnknownFormat())
        ShowError(this, result.message, UnknownFormatCaption());
    else
        ShowError(this, result.message);
}

// Reads the page file named by `fresh`'s DatabasePath and FileName into it
// and makes it the open page. On failure the open page stays as it was, and
// the message names `chosen`, the file the user named. A failure to open
// `recentEntry` (an entry of the recent-files list) asks whether to forget it.
bool TformMain::ReadIntoPage(Page& fresh, SjisView chosen, const QString& recentEntry)
{
    PageFileResult result = ReadPageFile(fresh, pageFileContext());
    if (!result.opened()) {
        NameChosenFile(result, chosen);
        if (recentEntry.isEmpty())
            ShowPageFileFailure(result);
        else
            OfferToForget(recentEntry, result.message);
        return false;
    }
    page_.TakeContentFrom(fresh);
    unreadLastPage_.reset();
    AddToRecentFiles(result.path);
    if (shown_)
        PageStarted(true);
    if (result.status == PageFileStatus::Damaged)
        ShowError(this, result.message, QStringLiteral("警告"));
    return true;
}

// One question for both: why the entry did not open, and whether to take it
// off the list (No keeps it: its drive may only be away today).
void TformMain::OfferToForget(const QString& recentEntry, const QString& failure)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("質問"),
                    failure.trimmed() + QStringLiteral("\n\n“%1” を最近使ったファイルの一覧から削除しますか？").arg(recentEntry),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes && RUF) {
        RUF->RemoveHistory(recentEntry);
        RUF->RefreshMenu();
    }
}

QString TformMain::UnencodablePathMessage(const QString& path)
{
    return QStringLiteral("“%1” には Shift_JIS で表せない文字が含まれているため、開けません。").arg(path);
}

bool TformMain::OpenPage(const QString& path)
{
    return OpenChosenFile(path, QString());
}

bool TformMain::OpenChosenFile(const QString& path, const QString& recentEntry)
{
    if (!ConfirmDiscard())
        return false;
    const std::optional<SjisString> bytes = TextCodec::FromUnicodeStrict(QDir::toNativeSeparators(path));
    if (!bytes) {
        if (recentEntry.isEmpty())
            ShowError(this, UnencodablePathMessage(path));
        else
            OfferToForget(recentEntry, UnencodablePathMessage(path));
        return false;
    }
    RememberViewState();
    Page fresh;
    fresh.properties() = page_.properties(); // a new page keeps the DOCTYPE of the one before
    fresh.ResetPage(settings_.newPageDefaults());
    PointPageAt(fresh, *bytes);
    return ReadIntoPage(fresh, *bytes, recentEntry);
}

void TformMain::MainMenu_FOPClick()
{
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty())
        return;
    OpenPage(OpenDialog->selectedFiles().first());
}

void TformMain::RUFOpenFile(QAction*, QString fileName)
{
    OpenChosenFile(fileName, fileName);
}

void TformMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TformMain::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    raise();
    activateWindow();
    // The first file only; the rest are ignored.
    const QString path = urls.first().toLocalFile().left(MaxDroppedPathLength);
    OpenPage(path);
}

// --- Saving ------------------------------------------------------------------

bool TformMain::SavePage()
{
    return Save(true);
}

bool TformMain::SaveSource()
{
    return Save(false);
}

// The page file (unless only the HTML is asked for), the HTML file and the
// queue, by the one save road; the page counts as saved only when all of
// it was written, and keeps its mark otherwise, so that closing or opening
// another page still asks.
bool TformMain::Save(bool pageFile)
{
    // Asked before anything is written: a save that could not write its
    // HTML would leave the page file newer than the page on the server.
    if (!EnsureHtmlFolder())
        return false;
    StoreBoundNode();
    const SaveOutcome saved = SavePageFiles(page_, settings_, SaveRequest{pageFile, store_, QDateTime::currentDateTime()});
    if (saved.failed == SaveOutcome::Failed::PageFile) {
        ShowPageFileFailure(saved.pageFile);
        return false;
    }
    if (pageFile)
        AddToRecentFiles(saved.pageFile.path);
    if (!saved.ok()) {
        ShowError(this, saved.message);
        return false;
    }
    unreadLastPage_.reset();
    if (pageFile)
        document_.MarkSaved();
    AnnounceSaved();
    return true;
}

bool TformMain::EnsureHtmlFolder()
{
    if (PagePaths::IsForeignPath(page_.FileName))
        return true; // refused with its own message when written
    const QString folder = FromSjis(PagePaths::ExtractFileDir(CompleteHtmlFileName(page_.FileName, settings_.StartFolder)));
    if (folder.isEmpty() || QFileInfo(folder).isDir())
        return true;
    if (!AskYesNo(this, QMessageBox::Question, QStringLiteral("質問"),
                  QStringLiteral("HTML ファイルの保存先フォルダ “%1” がありません。作成しますか？").arg(folder),
                  QMessageBox::Yes))
        return false;
    if (std::optional<QString> failed = FileOperations::CreateFolderWithParents(folder)) {
        ShowError(this, QStringLiteral("フォルダ “%1” を作成できませんでした。\n%2").arg(folder, *failed));
        return false;
    }
    return true;
}

void TformMain::AnnounceSaved()
{
    statusBar()->showMessage(QStringLiteral("保存しました。"));
    if (ui_->MainMenu_TIR->isChecked())
        ReloadBrowser();
}

void TformMain::MainMenu_FSClick()
{
    SavePage();
}

void TformMain::MainMenu_FSCClick()
{
    SaveSource();
}

bool TformMain::isModified() const
{
    return typing_ || document_.IsModified();
}

void TformMain::pagePropertiesEdited(const PageProperties& before)
{
    document_.PropertiesEdited(before);
}

// The page's title (its file's name when it has none), the mark, then the
// program's name, as desktop programs name their documents.
void TformMain::updateCaption()
{
    QString name = FromSjis(page_.Title);
    if (name.trimmed().isEmpty())
        name = FromSjis(PagePaths::ExtractFileName(PagePaths::PageFilePath(page_)));
    // A "[*]" of the title's own is doubled, which Qt shows as itself.
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(name + QStringLiteral("[*] - Tav Outliner"));
    setWindowModified(isModified());
}

void TformMain::updateHistoryCommands()
{
    // Typing not yet a step can be undone: it becomes one first.
    ui_->MainMenu_EU->setEnabled(typing_ || document_.CanUndo());
    ui_->MainMenu_ER->setEnabled(!typing_ && document_.CanRedo());
}

void TformMain::UndoPage()
{
    FinishTyping();
    document_.Undo();
}

void TformMain::RedoPage()
{
    FinishTyping();
    document_.Redo();
}

void TformMain::ShowStep(Node* node, bool body)
{
    updateCaption();
    if (!node)
        return;
    if (node != bound_) {
        selectNode(node); // binds it, showing what it holds now
        tree_->scrollTo(model_->indexOf(node));
        return;
    }
    if (body) {
        LoadNode(node);
        return;
    }
    ui_->editNodeName->setText(TextCodec::ToUnicode(node->name()));
    ui_->cboxPublish->setChecked(node->record().Publish);
    ui_->cboxHide->setChecked(node->record().Hide);
    RefreshIcons();
}

void TformMain::PageStarted(bool opened)
{
    document_.StartOver();
    updateCaption();
    updateHistoryCommands();
    if (opened)
        RestoreViewState();
    if (!recovery_)
        return;
    recovery_->PageReplaced();
    // Asked once the window is up (start-up opens the page while showing).
    // Start-up starts its page twice (read, then shown): one question.
    if (opened && !recoveryOfferPending_) {
        recoveryOfferPending_ = true;
        QMetaObject::invokeMethod(this, &TformMain::OfferRecovery, Qt::QueuedConnection);
    }
}

// --- Where the user left a page ---------------------------------------------

void TformMain::RememberViewState()
{
    if (!store_)
        return;
    OutlineViewState state;
    const std::vector<Node*> nodes = page_.NodesInDocumentOrder();
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i]->expanded && nodes[i]->childCount() > 0)
            state.expanded.push_back(int(i));
        if (nodes[i] == selectedNode())
            state.selected = int(i);
    }
    OutlineViewStates::Save(*store_, FromSjis(PagePaths::PageFilePath(page_)), state);
}

void TformMain::RestoreViewState()
{
    if (!store_)
        return;
    const std::optional<OutlineViewState> state =
        OutlineViewStates::Load(*store_, FromSjis(PagePaths::PageFilePath(page_)));
    if (!state)
        return;
    // Indexes past the end are of a page that was shortened elsewhere.
    const std::vector<Node*> nodes = page_.NodesInDocumentOrder();
    for (const int i : state->expanded)
        if (size_t(i) < nodes.size())
            tree_->expand(model_->indexOf(nodes[size_t(i)]));
    if (state->selected >= 0 && size_t(state->selected) < nodes.size()) {
        selectNode(nodes[size_t(state->selected)]);
        tree_->scrollTo(model_->indexOf(nodes[size_t(state->selected)]));
    }
}

std::optional<PageRecovery::LiveBody> TformMain::LiveBody() const
{
    if (!typing_ || !bound_)
        return std::nullopt;
    const QString text = ui_->RichEdit->text();
    const int start = ui_->RichEdit->selectionStart();
    const std::int32_t selStart = EditorText::ByteOffset(text, start);
    const std::int32_t selEnd = EditorText::ByteOffset(text, start + ui_->RichEdit->selectionLength());
    return PageRecovery::LiveBody{bound_, EditorText::ToBody(text), selStart, selEnd - selStart};
}

void TformMain::setRecoveryStore(RecoveryStore* store)
{
    delete recovery_;
    recovery_ = nullptr;
    if (!store)
        return;
    recovery_ = new PageRecovery(document_, *store, this);
    recovery_->SetLiveBody([this] { return LiveBody(); });
    connect(recovery_, &PageRecovery::failed, this,
            [this](const QString& message) { statusBar()->showMessage(message); });
}

// A copy newer than the page file holds changes a crash kept from being
// saved: the user chooses between them. The copy never replaces the page
// file by itself; restored, the page is marked changed so that it is saved.
void TformMain::OfferRecovery()
{
    recoveryOfferPending_ = false;
    if (!recovery_)
        return;
    const std::optional<QDateTime> written = recovery_->NewerCopy();
    if (!written)
        return;
    QMessageBox box(QMessageBox::Question, QStringLiteral("質問"),
                    QStringLiteral("ページ “%1” には、保存されていない変更の復元用コピーがあります"
                                   "（%2 に書き込み）。\n復元しますか？\n\n"
                                   "「いいえ」を選ぶと、保存されているページを使い、復元用コピーは削除します。")
                        .arg(FromSjis(page_.Title), QLocale().toString(*written, QStringLiteral("yyyy/MM/dd HH:mm:ss"))),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("RecoveryQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() == QMessageBox::Yes)
        RestoreFromCopy();
    else
        recovery_->Discard();
}

void TformMain::RestoreFromCopy()
{
    Page fresh;
    fresh.properties() = page_.properties();
    PageFileResult result = recovery_->ReadCopy(fresh, pageFileContext());
    if (!result.opened()) {
        // Kept where it is, so that nothing is lost; the message says where.
        ShowPageFileFailure(result);
        return;
    }
    // The copy is this page's: it keeps its own names, whatever the copy says.
    fresh.FileName = page_.FileName;
    fresh.DatabasePath = page_.DatabasePath;
    ClearBinding();
    page_.TakeContentFrom(fresh);
    document_.StartOver();
    document_.MarkUnsaved();
    updateCaption();
    updateHistoryCommands();
    statusBar()->showMessage(QStringLiteral("復元用コピーから復元しました。保存するまでページファイルは元のままです。"));
}

bool TformMain::ConfirmDiscard()
{
    FinishTyping(); // typing that changed nothing in the end asks nothing
    if (!isModified())
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("質問"),
                    QStringLiteral("ページ “%1” は変更されています。保存しますか？").arg(FromSjis(page_.Title)),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.button(QMessageBox::Save)->setText(QStringLiteral("保存する(&S)"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("保存しない(&N)"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SavePage();
    case QMessageBox::Discard:
        if (recovery_)
            recovery_->Discard();
        return true;
    default:
        return false;
    }
}

// --- Browser, tools, manual, queue -----------------------------------------

void TformMain::ReloadBrowser()
{
    if (!BrowserLink::Available()) {
        if (!reloadUnavailableSaid_) {
            reloadUnavailableSaid_ = true;
            statusBar()->showMessage(
                QStringLiteral("保存しました。（この画面ではブラウザのリロードは使えません）"));
        }
        return;
    }
    // This window, and the windows it owns, carry the page's title.
    std::vector<unsigned long> own;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        QWidget* owner = window;
        while (owner && owner != this)
            owner = owner->parentWidget();
        if (owner && window->internalWinId())
            own.push_back(static_cast<unsigned long>(window->internalWinId()));
    }
    const int reloaded = BrowserLink::ReloadMatching(
        BrowserLink::CaptionFor(FromSjis(page_.Title), FromSjis(settings_.BrowserWindowTitle)),
        ui_->MainMenu_TIO->isChecked(), static_cast<unsigned long>(winId()), own);
    emit browsersReloaded(reloaded);
}

void TformMain::MainMenu_TIIClick()
{
    OpenInBrowser();
}

void TformMain::Mainmenu_TPClick()
{
    QProcess::startDetached(FromSjis(settings_.ExternalTool), {FromSjis(page_.FileName)});
}

void TformMain::MainMenu_HOClick()
{
    const QString manual = QString::fromLatin1(ProgramConstants::VersionString) + QStringLiteral(".html");
    QString path = FindResource(manual);
    if (path.isEmpty())
        path = FromSjis(settings_.ProgramFolder) + manual;
    if (!QFileInfo::exists(path)) {
        ManualNotOpened(path, true);
        return;
    }
    manualOpener_->open(path);
}

// Says why the manual did not show and where it is, so that it can be
// opened by hand; the path can be selected and copied.
void TformMain::ManualNotOpened(const QString& path, bool missing)
{
    const QString text = missing
        ? QStringLiteral("取扱説明書のファイルが見つかりません:\n%1").arg(QDir::toNativeSeparators(path))
        : QStringLiteral("取扱説明書をブラウザで開けませんでした（ブラウザを起動できません）。\n"
                         "次のファイルをブラウザで開いてください:\n%1")
              .arg(QDir::toNativeSeparators(path));
    QMessageBox box(QMessageBox::Critical, QStringLiteral("失敗"), text, QMessageBox::Ok, this);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void TformMain::MainMenu_TDClick()
{
    if (QMessageBox::question(this, QStringLiteral("質問"),
                              QStringLiteral("ファイルアップロードに指定されたファイルのキューを、全てキャンセルします"),
                              QMessageBox::Ok | QMessageBox::Cancel)
        != QMessageBox::Ok)
        return;
    if (store_) {
        try {
            EmptyUploadQueue(*store_);
        } catch (const StoreWriteError& e) {
            ShowError(this, QString::fromStdString(e.what()));
            return;
        }
    }
    QMessageBox::information(this, QStringLiteral("情報"), QStringLiteral("削除しました。"));
}
