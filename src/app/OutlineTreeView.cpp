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

void OutlineTreeView::setDropTarget(const QModelIndex& index, DropZone zone)
{
    if (index == dropTarget_ && zone == dropZone_)
        return;
    dropTarget_ = index;
    dropZone_ = zone;
    const QRect mark = dropMark();
    constexpr int Pen = 2; // the pen reaches past the mark's rectangle
    for (const QRect& area : {shownMark_, mark})
        if (!area.isNull())
            viewport()->update(area.adjusted(-Pen - 4, -Pen - 4, Pen + 4, Pen + 4));
    shownMark_ = mark;
}

QModelIndex OutlineTreeView::lastShownRow(const QModelIndex& index) const
{
    QModelIndex last = index;
    while (isExpanded(last) && model()->rowCount(last) > 0)
        last = model()->index(model()->rowCount(last) - 1, 0, last);
    return last;
}

QRect OutlineTreeView::dropMark() const
{
    const int right = viewport()->width() - 1;
    const auto lineBelow = [this, right](const QModelIndex& last, int left) {
        const QRect row = visualRect(lastShownRow(last));
        return QRect(QPoint(left, row.bottom() + 1), QPoint(right, row.bottom() + 1));
    };
    switch (dropZone_) {
    case DropZone::Label: {
        if (!dropTarget_.isValid())
            return {};
        const TreeRowHit hit = rowHitAt(visualRect(dropTarget_).center());
        const QRect row = visualRect(dropTarget_);
        return QRect(QPoint(hit.itemLeft, row.top()), QPoint(std::max(hit.labelRight, hit.itemLeft + 16), row.bottom()));
    }
    case DropZone::IconOrEmpty: {
        if (dropTarget_.isValid()) {
            const QRect row = visualRect(dropTarget_);
            return QRect(QPoint(row.left(), row.top()), QPoint(right, row.top()));
        }
        const int count = model() ? model()->rowCount() : 0;
        if (count == 0)
            return QRect(QPoint(0, 0), QPoint(right, 0));
        return lineBelow(model()->index(count - 1, 0), visualRect(model()->index(0, 0)).left());
    }
    case DropZone::Indentation: {
        if (!dropTarget_.isValid())
            return {};
        const QModelIndex parent = dropTarget_.parent();
        return lineBelow(model()->index(model()->rowCount(parent) - 1, 0, parent), visualRect(dropTarget_).left());
    }
    case DropZone::Nothing:
        break;
    }
    return {};
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
    setDropTarget({}, DropZone::Nothing);
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

void OutlineTreeView::mousePressEvent(QMouseEvent* event)
{
    // A click on the empty space below the rows selects nothing, so that a
    // new node goes to the end of the top level.
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && !indexAt(QPoint(1, pos.y())).isValid() && viewport()->rect().contains(pos)
        && state() != EditingState) {
        selectionModel()->clear();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void OutlineTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    emit mouseReleased(event->button(), event->position().toPoint());
}

void OutlineTreeView::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    const QRect mark = dropMark();
    if (mark.isNull())
        return;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(palette().color(QPalette::Highlight), 2);
    painter.setPen(pen);
    if (mark.height() == 1) {
        // Where the node would land: a line with a tick at its start.
        painter.drawLine(mark.topLeft(), mark.topRight());
        painter.drawLine(mark.topLeft() + QPoint(0, -3), mark.topLeft() + QPoint(0, 3));
    } else {
        painter.drawRect(mark.adjusted(1, 1, -1, -1));
    }
}
