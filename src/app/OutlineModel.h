#pragma once

#include "document/Page.h"

#include <QAbstractItemModel>
#include <QVariant>

#include <array>
#include <functional>

// The page's outline as a one-column item model for the tree view. The page
// stays the one source of truth: the model holds no copy, it forwards the
// page's change announcements to the view.
class OutlineModel final : public QAbstractItemModel, private OutlineObserver {
    Q_OBJECT
public:
    enum Role {
        ImageIndexRole = Qt::UserRole + 1, // 0 normal, 1 hidden, 2 unpublished
        SelectedImageIndexRole,            // the same plus 3
    };

    explicit OutlineModel(Page& page, QObject* parent = nullptr);
    ~OutlineModel() override;

    Page& page() const { return page_; }
    Node* nodeAt(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;

    // What the decoration role gives for each display state (the views'
    // icons; the model itself needs no GUI types).
    void setDecorations(const std::array<QVariant, 3>& decorations);
    // Tells the views that every node's icon may have changed.
    void RefreshIcons();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Renames the node (through Rename, when set: the page's history); a
    // name with a character code page 932 cannot hold is refused whole
    // (nameRejected).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    std::function<void(Node*, SjisView)> Rename;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void nameRejected(const QString& character);

private:
    int rowOf(const Node* node) const;
    QModelIndex parentIndexOf(const Node* node) const;

    void nodeAboutToBeInserted(Node* parent, int row) override;
    void nodeInserted(Node* node) override;
    void nodeAboutToBeRemoved(Node* node) override;
    void nodeRemoved() override;
    void nodeAboutToBeMoved(Node* node, Node* newParent, int newRow) override;
    void nodeMoved(Node* node) override;
    void nodeRenamed(Node* node) override;
    void recordChanged(Node* node) override;
    void outlineAboutToBeReset() override;
    void outlineReset() override;

    enum class MoveKind { None, Rows, Reset };

    Page& page_;
    std::array<QVariant, 3> decorations_;
    MoveKind pendingMove_ = MoveKind::None;
};
