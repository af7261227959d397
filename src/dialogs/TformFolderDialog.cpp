#include "dialogs/TformFolderDialog.h"

#include "controls/TFolderTreeViewEx.h"
#include "dialogs/DialogFrame.h"
#include "ui_TformFolderDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

TformFolderDialog::TformFolderDialog(QWidget* parent)
    : QDialog(parent, DialogWithoutSystemButtons()), ui_(std::make_unique<Ui::TformFolderDialog>())
{
    ui_->setupUi(this);
    setSizeGripEnabled(false); // the status bar has its own
    auto* panel = new QLabel(ui_->StatusBar);
    panel->setObjectName(QStringLiteral("StatusBarPanel"));
    panel->setFixedWidth(50);
    ui_->StatusBar->addWidget(panel);

    // A folder dragged a little too far would move on disk without a word.
    ui_->FolderTreeView->setMoveQuestion([this](const QString& source, const QString& folder) {
        return AskBeforeMove(source, folder);
    });
    connect(ui_->FolderTreeView, &TFolderTreeViewEx::OnChange, this, &TformFolderDialog::FolderTreeViewChange);
    // A click on the folder that is already selected chooses it as well.
    connect(ui_->FolderTreeView, &TFolderTreeViewEx::OnClick, this, &TformFolderDialog::FolderTreeViewChange);
    connect(ui_->bttnOk, &QPushButton::clicked, this, &TformFolderDialog::bttnOkClick);
    connect(ui_->bttnCancel, &QPushButton::clicked, this, &TformFolderDialog::bttnCancelClick);
}

TformFolderDialog::~TformFolderDialog() = default;

void TformFolderDialog::showEvent(QShowEvent* event)
{
    CentreOnScreen(this);
    FormShow();
    QDialog::showEvent(event);
}

void TformFolderDialog::FormShow()
{
    ui_->bttnOk->setEnabled(!chosenFolder_.isEmpty());
}

void TformFolderDialog::FolderTreeViewChange(TFolderTreeViewEx*, const QString& folderName)
{
    // The computer's own node names no folder: it cannot be chosen.
    if (!QDir::isAbsolutePath(folderName)) {
        ui_->bttnOk->setEnabled(false);
        return;
    }
    chosenFolder_ = folderName;
    ui_->bttnOk->setEnabled(true);
}

bool TformFolderDialog::AskBeforeMove(const QString& source, const QString& folder)
{
    const QString kind = QFileInfo(source).isDir() ? QStringLiteral("フォルダ") : QStringLiteral("ファイル");
    QMessageBox box(QMessageBox::Question, QStringLiteral("質問"),
                    QStringLiteral("%1 “%2” を “%3” の中へ移動しますか？")
                        .arg(kind, QDir::toNativeSeparators(source), QDir::toNativeSeparators(folder)),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TformFolderDialog::bttnOkClick()
{
    accept();
}

void TformFolderDialog::bttnCancelClick()
{
    reject();
}
