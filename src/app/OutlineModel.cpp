#include "app/OutlineModel.h"

#include "document/TextCodec.h"

OutlineModel::OutlineModel(Page& page, QObject* parent) : QAbstractItemModel(parent), page_(page)
{
    page_.addObserver(this);
}

OutlineModel::~OutlineModel()
{
    page_.removeObserver(this);
}

Node* OutlineModel::nodeAt(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : nullptr;
}

int OutlineModel::rowOf(const Node* node) const
{
    const Node::Children& siblings = node->parent() ? node->parent()->children() : page_.topLevelNodes();
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == node)
            return int(i);
    return -1;
}

QModelIndex OutlineModel::indexOf(const Node* node) const
{
    if (!node)
        return {};
    const int row = rowOf(node);
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<Node*>(node));
}

QModelIndex OutlineModel::parentIndexOf(const Node* node) const
{
    return indexOf(node->parent());
}

void OutlineModel::setDecorations(const std::array<QVariant, 3>& decorations)
{
    decorations_ = decorations;
    RefreshIcons();
}

void OutlineModel::RefreshIcons()
{
    // Node by node in document order: no recursion, however deep the outline.
    for (Node* node : page_.NodesInDocumentOrder())
        recordChanged(node);
}

QModelIndex OutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0 || row >= rowCount(parent))
        return {};
    const Node* p = nodeAt(parent);
    Node* child = p ? p->child(row) : page_.topLevelNodes()[size_t(row)].get();
    return createIndex(row, 0, child);
}

QModelIndex OutlineModel::parent(const QModelIndex& child) const
{
    const Node* node = nodeAt(child);
    return node ? parentIndexOf(node) : QModelIndex();
}

int OutlineModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const Node* p = nodeAt(parent);
    return p ? p->childCount() : int(page_.topLevelNodes().size());
}

int OutlineModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant OutlineModel::data(const QModelIndex& index, int role) const
{
    const Node* node = nodeAt(index);
    if (!node)
        return {};
    const int image = int(node->displayState());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return TextCodec::ToUnicode(node->name());
    case Qt::DecorationRole:
        return decorations_[size_t(image)];
    case ImageIndexRole:
        return image;
    case SelectedImageIndexRole:
        return image + 3;
    default:
        return {};
    }
}

bool OutlineModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    Node* node = nodeAt(index);
    if (!node || role != Qt::EditRole)
        return false;
    const QString name = value.toString();
    const std::optional<SjisString> bytes = TextCodec::FromUnicodeStrict(name);
    if (!bytes) {
        emit nameRejected(TextCodec::FirstUnencodable(name).value_or(QString()));
        return false;
    }
    // The page announces the change.
    if (Rename)
        Rename(node, *bytes);
    else
        page_.RenameNode(node, *bytes);
    return true;
}

Qt::ItemFlags OutlineModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled
           | Qt::ItemIsDropEnabled;
}

void OutlineModel::nodeAboutToBeInserted(Node* parent, int row)
{
    beginInsertRows(indexOf(parent), row, row);
}

void OutlineModel::nodeInserted(Node*)
{
    endInsertRows();
}

void OutlineModel::nodeAboutToBeRemoved(Node* node)
{
    const int row = rowOf(node);
    beginRemoveRows(parentIndexOf(node), row, row);
}

void OutlineModel::nodeRemoved()
{
    endRemoveRows();
}

void OutlineModel::nodeAboutToBeMoved(Node* node, Node* newParent, int newRow)
{
    const int row = rowOf(node);
    if (node->parent() == newParent && (newRow == row || newRow == row + 1)) {
        // Back to where it is: the outline does not change.
        pendingMove_ = MoveKind::None;
    } else if (beginMoveRows(parentIndexOf(node), row, row, indexOf(newParent), newRow)) {
        pendingMove_ = MoveKind::Rows;
    } else {
        pendingMove_ = MoveKind::Reset;
        beginResetModel();
    }
}

void OutlineModel::nodeMoved(Node*)
{
    if (pendingMove_ == MoveKind::Rows)
        endMoveRows();
    else if (pendingMove_ == MoveKind::Reset)
        endResetModel();
    pendingMove_ = MoveKind::None;
}

void OutlineModel::nodeRenamed(Node* node)
{
    const QModelIndex i = indexOf(node);
    emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void OutlineModel::recordChanged(Node* node)
{
    const QModelIndex i = indexOf(node);
    emit dataChanged(i, i, {Qt::DecorationRole, ImageIndexRole, SelectedImageIndexRole});
}

void OutlineModel::outlineAboutToBeReset()
{
    beginResetModel();
}

void OutlineModel::outlineReset()
{
    endResetModel();
}
