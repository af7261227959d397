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
    // The row highlighted as the drop target, or none.
    void setDropTarget(const QModelIndex& index);
    QModelIndex dropTarget() const { return dropTarget_; }
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
    void mouseReleaseEvent(QMouseEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    bool isOwnDrag(const QDropEvent* event) const;

    QPersistentModelIndex dropTarget_;
    bool dragging_ = false;
};
