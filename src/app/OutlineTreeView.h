#pragma once

#include "app/DropRules.h"

#include <QPersistentModelIndex>
#include <QTreeView>

// The outline tree. Dragging moves the selected node; a drop is accepted
// only from this view itself. The view reports drags and drops to its
// window, which decides what they do.
class OutlineTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit OutlineTreeView(QWidget* parent = nullptr);

    // What lies under a point of the viewport, and the row's index there
    // (invalid below the last row).
    TreeRowHit rowHitAt(QPoint viewportPos, QModelIndex* row = nullptr) const;
    // The row under a drag, and where a drop there would put the node: the
    // view draws a line where it would land before or after, or a frame
    // round the row that would become its parent. DropZone::Nothing: no
    // mark (the row still counts as the drag's row for scrolling).
    void setDropTarget(const QModelIndex& index, DropZone zone = DropZone::Nothing);
    QModelIndex dropTarget() const { return dropTarget_; }
    DropZone dropZone() const { return dropZone_; }
    // The mark for the current drop target, in viewport coordinates: a line
    // (height 0) or a frame; empty when there is none.
    QRect dropMark() const;
    bool isDragging() const { return dragging_; }
    // A label is being edited in place.
    bool isEditingLabel() const { return state() == QAbstractItemView::EditingState; }
    // The index whose row is the first one shown.
    QModelIndex topRow() const;

signals:
    void dragMoved(QPoint viewportPos);
    void dragLeft();
    void dropped(QPoint viewportPos);
    void dragEnded();
    void mouseReleased(Qt::MouseButton button, QPoint viewportPos);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool isOwnDrag(const QDropEvent* event) const;
    // The last row shown of the subtree at `index` (itself when collapsed).
    QModelIndex lastShownRow(const QModelIndex& index) const;

    QPersistentModelIndex dropTarget_;
    DropZone dropZone_ = DropZone::Nothing;
    QRect shownMark_; // the mark as last painted, repainted away when it moves
    bool dragging_ = false;
};
