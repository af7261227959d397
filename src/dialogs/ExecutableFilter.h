#pragma once

#include <QSortFilterProxyModel>

class QFileInfo;

// Whether a file picker for a program lists this entry: folders (to walk
// into) and files this system would run.
bool ListedAsProgram(const QFileInfo& entry);

// Hides what is not a program from a file dialog while `setActive(true)`;
// on this platform programs are known by their permission, not by an
// extension that a name filter could match.
class ExecutableFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setActive(bool active);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    bool active_ = true;
};
