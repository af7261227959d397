#pragma once

#include "app/AppWindows.h"
#include "app/DropRules.h"
#include "document/Page.h"
#include "page/PageRecovery.h"
#include "page/NodeClipboard.h"
#include "settings/Settings.h"

#include <QMainWindow>
#include <QPixmap>
#include <QString>

#include <array>
#include <memory>
#include <optional>

class DesktopOpener;
class FindBar;
class OutlineModel;
class PageDocument;
class PageRecovery;
class PreviewBuilder;
class PreviewPane;
class RecoveryStore;
class OutlineTreeView;
class QFileDialog;
class QMenu;
class QSplitter;
class QTimer;
class SettingsStore;
class TOpenFileHistories;
struct PageFileContext;
struct PageFileResult;
struct PageMatch;
struct PageTextChange;
struct SearchPosition;
namespace Ui {
class TformMain;
}

// The main window: the outline in a tree above (or beside) the node editor,
// views of the page document. Every change goes through the document, one
// step of its history. The editor shows the body of one node, the bound
// node; what is typed there is a run that becomes one step when it ends (a
// pause, another node, a paste, any other change, a save), when the record
// is stored from the editor (StoreBoundNode). While no node is bound the
// editor is read-only, so nothing can be typed that no record would receive.
class TformMain : public QMainWindow, private OutlineObserver {
    Q_OBJECT
public:
    // A run of typing ends after this pause.
    static constexpr int TypingPauseMs = 1000;

    TformMain(PageDocument& document, Settings& settings, QWidget* parent = nullptr);
    ~TformMain() override;

    Ui::TformMain& form() { return *ui_; }
    OutlineModel& outlineModel() { return *model_; }
    QMenu* pmnuTreeView() const { return pmnuTreeView_; }
    QMenu* pmnuRichEdit() const { return pmnuRichEdit_; }

    // Copies the editor into the bound node's record: a changed body is one
    // step of the history, and the run of typing ends.
    void StoreBoundNode();
    PageDocument& document() { return document_; }
    // The copies that survive a crash: kept once a store is given (the
    // program gives one; tests that do not test recovery leave it out).
    void setRecoveryStore(RecoveryStore* store);
    // The editor's typing that is no step yet, for copies of the page.
    std::optional<PageRecovery::LiveBody> LiveBody() const;
    PageRecovery* recovery() const { return recovery_; }
    // Shows a node's record in the editor and the property bar.
    void LoadNode(Node* node);
    void RefreshIcons();
    // No node bound: the editor is emptied and made read-only.
    void ClearBinding();
    Node* boundNode() const { return bound_; }
    Node* selectedNode() const;
    void selectNode(Node* node);

    // The window's geometry from the Position settings.
    void ApplyWindowPosition();
    // Tree and editor font and colours, the editor's class formats.
    void ApplyEditorAppearance();
    // Always on top, tree pane size and side-by-side view from the settings.
    void ApplyViewSettings();
    WindowBounds windowBounds() const;
    bool propertyBarExpanded() const;
    // The settings (with the upload queue) and the recent-files list. The
    // first showing reads them and closing writes them; without a settings
    // store the window runs on the settings it was given.
    void setStores(SettingsStore* settings, SettingsStore* recentFiles);
    // The dialogs and windows start-up made; their menu items are enabled
    // for those that are there.
    void setWindows(const AppWindows& windows);
    const AppWindows& windows() const { return windows_; }
    // The page named on the command line, opened by the first showing.
    void setCommandLineFile(const QString& file) { commandLineFile_ = file; }

    // Opens the page file that belongs to `path` (its ".data" file, whatever
    // the extension). The open page is replaced only when the read succeeds.
    bool OpenPage(const QString& path);
    // Writes the page file, then SaveSource; the page counts as saved only
    // when both files and the queue were written.
    bool SavePage();
    // Generates and writes the HTML file, updates the upload queue, says so
    // in the status bar and reloads the browser.
    bool SaveSource();
    // Whether the page differs from its file (a run of typing counts).
    bool isModified() const;
    // A dialog that writes into the page's properties (page properties,
    // the user header) calls this after it closed, with the properties as
    // they were when it opened: a change is one step of the history.
    void pagePropertiesEdited(const PageProperties& before);
    // Undo and Redo of the page's history.
    void UndoPage();
    void RedoPage();
    TOpenFileHistories* recentFiles() const { return RUF; }
    QFileDialog* openDialog() const { return OpenDialog; }
    // What Help > manual opens the manual with.
    DesktopOpener* manualOpener() const { return manualOpener_; }
    // The preview pane once it was first shown; null before and in a build
    // without it.
    PreviewPane* previewPane() const { return preview_; }

signals:
    // A save reloaded the browser windows that show the page (how many).
    void browsersReloaded(int windows);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void pmnuTreeView_NSClick();
    void pmnuTreeView_NCClick();
    void pmnuTreeView_DClick();
    void pmnuTreeView_MClick();
    void pmnuTreeView_RClick();
    void pmnuRichEdit_TClick();
    void pmnuRichEdit_PClick();
    void MainMenu_TEClick();
    void MainMenu_TCClick();
    void MainMenu_TSClick();
    void MainMenu_TVClick();
    void MainMenu_EUClick();
    void MainMenu_ERClick();
    void MainMenu_EXClick();
    void MainMenu_ECClick();
    void MainMenu_EVClick();
    void MainMenu_EKClick();
    void MainMenu_ELClick();
    void MainMenu_EAClick();
    void sbtnNodePropertyClick();
    void cboxPublishClick();
    void TreeViewChange(const QModelIndex& current);
    void TreeViewMouseUp(Qt::MouseButton button, QPoint pos);
    void TreeViewContextPopup(QPoint pos);
    void TreeViewDragOver(QPoint pos);
    void TreeViewDragLeave();
    void TreeViewDragDrop(QPoint pos);
    void TreeViewEndDrag();
    void TimerTimer();
    void SplitterMoved();
    void RichEditChange();
    void MainMenu_FOPClick();
    void MainMenu_FSClick();
    void MainMenu_FSCClick();
    void MainMenu_FXClick();
    void MainMenu_TIIClick();
    void Mainmenu_TPClick();
    void MainMenu_TDClick();
    void MainMenu_HOClick();
    void RUFOpenFile(QAction* sender, QString fileName);
    void MainMenu_FNPClick();
    void MainMenu_FSAClick();
    void MainMenu_FHClick();
    void MainMenu_FRClick();
    void MainMenu_EPClick();
    void MainMenu_TFClick();
    void MainMenu_HAClick();
    void MainMenu_EFClick();
    void MainMenu_ENClick();
    void MainMenu_EBClick();
    void MainMenu_EHClick();

private:
    // Start-up and shutdown.
    void FormShow();
    void OpenStartPage();
    void OpenUntitledPage();
    bool ReadIntoPage(Page& fresh, SjisView chosen, const QString& recentEntry = QString());
    bool OpenChosenFile(const QString& path, const QString& recentEntry);
    void OfferToForget(const QString& recentEntry, const QString& failure);
    static QString UnencodablePathMessage(const QString& path);
    // Document commands.
    void connectDocumentCommands();
    void connectWindowCommands();
    PageFileContext pageFileContext();
    void ShowPageFileFailure(const PageFileResult& result);
    void ReloadBrowser();
    // A save: the HTML file's folder (made after asking), the save road
    // (the page file when `pageFile`, the HTML file, the queue), then the
    // message and the browser reload.
    bool Save(bool pageFile);
    bool EnsureHtmlFolder();
    void AnnounceSaved();
    void AddToRecentFiles(const SjisString& path);
    void ManualNotOpened(const QString& path, bool missing);
    // Asks whether to save a changed page before it is replaced; false to keep it.
    bool ConfirmDiscard();
    void updateCaption();
    void updateHistoryCommands();
    // A run of typing ends here: the editor's text becomes a step.
    void FinishTyping();
    // Shows what an undo or redo changed.
    void ShowStep(Node* node, bool body);
    // A page was opened or made: its history starts. `opened` (start-up and
    // opening): the tree shows it as the user left it, and a recovery copy
    // newer than its file is offered.
    void PageStarted(bool opened);
    // Which nodes were open and which was selected, kept in the settings
    // for the most recent pages.
    void RememberViewState();
    void RestoreViewState();
    void OfferRecovery();
    void RestoreFromCopy();

    // The clipboard commands (TformMainClipboard.cpp).
    void createNodeClipboardItems();
    void connectClipboardCommands();
    void updateClipboardCommands();
    NodeClipboard::ClipboardTarget clipboardTarget() const;
    bool CopyNode();
    void CutNode();
    void PasteNodes(bool asChild);
    void DuplicateNode();
    // Selects the first of `count` nodes just put in at `place`, shown open.
    void showInsertedNodes(NodePlace place, int count);
    // Find and replace.
    void connectFindCommands();
    void CountMatches();
    void FindAdjacent(bool forward);
    SearchPosition FindFrom() const;
    // The match is still as it was shown (selected in the editor).
    bool IsShown(const PageMatch& match) const;
    void ShowMatch(std::size_t index);
    void ShowHeaderMatch(const PageMatch& match);
    void ReplaceMatch();
    void ReplaceAllMatches();
    void ShowReplaced(const std::vector<PageTextChange>& changes);

    void createPopupMenus();
    void connectCommands();
    void addNodeAndEdit(Node* node);
    // The outline keys (TformMainOutline.cpp).
    void createOutlineCommands();
    void updateOutlineCommands();
    void MoveSelectedNode(KeyMove move);
    void AddSiblingAfterClick();
    DropZone DropZoneFor(QPoint pos, QModelIndex* row) const;
    void updateNodeCommands();
    void updateEditorAvailability();
    // The preview pane and the browser command (TformMainPreview.cpp).
    void createPreviewCommands();
    void ApplyPreviewSettings();
    void StorePreviewSettings();
    void OpenInBrowser();
    void setPreviewShown(bool shown);
    void RefreshPreview();
    void PreviewTyped();
    void PreviewShowNode(const Node* node);
    void setTreePaneSize(int size);
    int treePaneSize() const;
    bool editorHasFocus() const;
    void expandFromModel();
    void setAllExpanded(bool expanded);

    void nodeAboutToBeRemoved(Node* node) override;
    void outlineAboutToBeReset() override;
    void outlineReset() override;

    std::unique_ptr<Ui::TformMain> ui_;
    PageDocument& document_;
    Page& page_;
    PageRecovery* recovery_ = nullptr;
    bool recoveryOfferPending_ = false;
    QTimer* typingPause_ = nullptr;
    bool typing_ = false;      // the editor holds typing that is no step yet
    bool loadingText_ = false; // the editor's text is being replaced, not typed
    Settings& settings_;
    SettingsStore* store_ = nullptr;
    SettingsStore* recentStore_ = nullptr;
    TOpenFileHistories* RUF = nullptr;
    QFileDialog* OpenDialog = nullptr;
    DesktopOpener* manualOpener_ = nullptr;
    AppWindows windows_;
    QString commandLineFile_;
    // The last page stored when start-up could not read it: stored again at
    // exit unless another page was opened or saved meanwhile.
    std::optional<PageProperties> unreadLastPage_;
    bool shown_ = false;
    bool historiesLoaded_ = false;
    bool reloadUnavailableSaid_ = false;
    OutlineModel* model_ = nullptr;
    OutlineTreeView* tree_ = nullptr;
    QMenu* pmnuTreeView_ = nullptr;
    QMenu* pmnuRichEdit_ = nullptr;
    QAction* pmnuTreeView_NC_ = nullptr;
    QAction* pmnuTreeView_D_ = nullptr;
    QAction* pmnuTreeView_M_ = nullptr;
    QAction* addAfter_ = nullptr;
    std::array<QAction*, 4> keyMoves_{}; // by KeyMove
    // Cut, copy, paste, paste as child, duplicate.
    std::array<QAction*, 5> pmnuTreeViewClipboard_{};
    bool nodesOnClipboard_ = false; // the clipboard holds what a paste makes nodes of
    QTimer* Timer = nullptr;
    std::array<QPixmap, 6> arrowFrames_;

    Node* bound_ = nullptr;
    QString loadedText_; // the bound body as loaded: unchanged text is never re-encoded
    ScrollDirection scrollDirection_ = ScrollDirection::None;
    FindBar* findBar_ = nullptr;
    QAction* MainMenu_TW_ = nullptr; // the preview pane's check item
    QSplitter* previewSplitter_ = nullptr;
    PreviewPane* preview_ = nullptr;
    PreviewBuilder* previewBuilder_ = nullptr;
};
