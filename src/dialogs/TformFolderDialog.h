#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class TFolderTreeViewEx;
namespace Ui {
class TformFolderDialog;
}

// The folder chooser: a tree of the computer's folders. The caller sets the
// chosen folder before showing it and reads it after OK. OK is enabled once
// a folder is chosen, by the caller or by a click in the tree.
class TformFolderDialog : public QDialog {
    Q_OBJECT
public:
    explicit TformFolderDialog(QWidget* parent = nullptr);
    ~TformFolderDialog() override;

    QString chosenFolder() const { return chosenFolder_; }
    void setChosenFolder(const QString& folder) { chosenFolder_ = folder; }

    Ui::TformFolderDialog& form() { return *ui_; }

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void FolderTreeViewChange(TFolderTreeViewEx* sender, const QString& folderName);
    void bttnOkClick();
    void bttnCancelClick();

private:
    void FormShow();
    // Whether the tree may move `source` into `folder`: the user's answer.
    bool AskBeforeMove(const QString& source, const QString& folder);

    std::unique_ptr<Ui::TformFolderDialog> ui_;
    QString chosenFolder_;
};
