#include "app/OutlineTreeView.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QPainter>

namespace {
constexpr char NodeMimeType[] = "application/x-tav-outline-node";
}

OutlineTreeView::OutlineTreeView(QWidget* parent) : QTreeView(parent)
{
    setIndentation(19);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    // The window scrolls during drags, row by row on its own timer.
    setAutoScroll(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

QModelIndex OutlineTreeView::topRow() const
{
    return indexAt(QPoint(1, 1));
}

TreeRowHit OutlineTreeView::rowHitAt(QPoint pos, QModelIndex* rowOut) const
{
    TreeRowHit hit;
    hit.x = pos.x();
    const QModelIndex index = indexAt(QPoint(1, pos.y()));
    if (rowOut)
        *rowOut = index;
    const QRect client = viewport()->rect();
    if (!index.isValid()) {
        hit.belowLastRow = client.contains(pos);
        return hit;
    }
    hit.onRow = true;
    const QRect item = visualRect(index);
    hit.itemLeft = item.left();
    hit.buttonLeft = item.left() - indentation();
    hit.hasButton = model()->hasChildren(index);

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = item;
    option.text = index.data(Qt::DisplayRole).toString();
    option.features |= QStyleOptionViewItem::HasDisplay;
    if (!index.data(Qt::DecorationRole).isNull())
        option.features |= QStyleOptionViewItem::HasDecoration;
    const QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, this) + 1;
    hit.iconRight = text.left();
    hit.labelRight = std::min(text.left() + option.fontMetrics.horizontalAdvance(option.text) + 2 * margin,
                              text.right() + 1);
    return hit;
}

void OutlineTreeView::setDropTarget(const QModelIndex& index)
{
    if (index == dropTarget_)
        return;
    const QModelIndex old = dropTarget_;
    dropTarget_ = index;
    if (old.isValid())
        viewport()->update(visualRect(old).adjusted(-viewport()->width(), 0, viewport()->width(), 0));
    if (index.isValid())
        viewport()->update(visualRect(index).adjusted(-viewport()->width(), 0, viewport()->width(), 0));
}

void OutlineTreeView::startDrag(Qt::DropActions)
{
    if (!currentIndex().isValid())
        return;
    auto* drag = new QDrag(this);
    auto* mime = new QMimeData;
    mime->setData(NodeMimeType, QByteArray());
    drag->setMimeData(mime);
    dragging_ = true;
    // The drop handler moves the node itself; what exec returns changes
    // nothing, so the view never removes rows on its own.
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    dragging_ = false;
    setDropTarget({});
    emit dragEnded();
}

bool OutlineTreeView::isOwnDrag(const QDropEvent* event) const
{
    return event->source() == this && event->mimeData()->hasFormat(NodeMimeType);
}

void OutlineTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit dragMoved(event->position().toPoint());
}

void OutlineTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit dragMoved(event->position().toPoint());
}

void OutlineTreeView::dragLeaveEvent(QDragLeaveEvent*)
{
    emit dragLeft();
}

void OutlineTreeView::dropEvent(QDropEvent* event)
{
    if (!isOwnDrag(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    emit dropped(event->position().toPoint());
}

void OutlineTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    emit mouseReleased(event->button(), event->position().toPoint());
}

void OutlineTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index == dropTarget_) {
        QColor highlight = palette().color(QPalette::Highlight);
        highlight.setAlpha(90);
        painter->fillRect(option.rect, highlight);
    }
    QTreeView::drawRow(painter, option, index);
}
