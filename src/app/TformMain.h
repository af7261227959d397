#pragma once

#include "app/DropRules.h"
#include "app/Settings.h"
#include "document/Page.h"

#include <QMainWindow>
#include <QPixmap>
#include <QString>

#include <array>
#include <memory>

class OutlineModel;
class OutlineTreeView;
class QMenu;
class QTimer;
class SettingsStore;
namespace Ui {
class TformMain;
}

// The main window: the outline in a tree above (or beside) the node editor.
// The editor shows the body of one node, the bound node; the node's record
// is stored from the editor when the selection moves away and before the
// page file is written (StoreBoundNode). While no node is bound the editor
// is read-only, so nothing can be typed that no record would receive.
class TformMain : public QMainWindow, private OutlineObserver {
    Q_OBJECT
public:
    TformMain(Page& page, Settings& settings, QWidget* parent = nullptr);
    ~TformMain() override;

    Ui::TformMain& form() { return *ui_; }
    OutlineModel& outlineModel() { return *model_; }
    QMenu* pmnuTreeView() const { return pmnuTreeView_; }
    QMenu* pmnuRichEdit() const { return pmnuRichEdit_; }

    // Copies the editor and the check boxes into the bound node's record.
    void StoreBoundNode();
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
    // Settings are written here at close when a store is given.
    void setSettingsStore(SettingsStore* store) { store_ = store; }

protected:
    void closeEvent(QCloseEvent* event) override;

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
    void MainMenu_EXClick();
    void MainMenu_ECClick();
    void MainMenu_EVClick();
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

private:
    void createPopupMenus();
    void connectCommands();
    void addNodeAndEdit(Node* node);
    void updateNodeCommands();
    void updateEditorAvailability();
    void setTreePaneSize(int size);
    int treePaneSize() const;
    bool editorHasFocus() const;
    void expandFromModel();
    void setAllExpanded(bool expanded);

    void nodeAboutToBeRemoved(Node* node) override;
    void outlineAboutToBeReset() override;
    void outlineReset() override;

    std::unique_ptr<Ui::TformMain> ui_;
    Page& page_;
    Settings& settings_;
    SettingsStore* store_ = nullptr;
    OutlineModel* model_ = nullptr;
    OutlineTreeView* tree_ = nullptr;
    QMenu* pmnuTreeView_ = nullptr;
    QMenu* pmnuRichEdit_ = nullptr;
    QAction* pmnuTreeView_NC_ = nullptr;
    QAction* pmnuTreeView_D_ = nullptr;
    QAction* pmnuTreeView_M_ = nullptr;
    QTimer* Timer = nullptr;
    std::array<QPixmap, 6> arrowFrames_;

    Node* bound_ = nullptr;
    QString loadedText_; // the bound body as loaded: unchanged text is never re-encoded
    ScrollDirection scrollDirection_ = ScrollDirection::None;
};
