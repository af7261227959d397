#include "dialogs/TformFolderDialog.h"

#include "controls/TFolderTreeViewEx.h"
#include "dialogs/DialogFrame.h"
#include "ui_TformFolderDialog.h"

#include <QDir>
#include <QLabel>

TformFolderDialog::TformFolderDialog(QWidget* parent)
    : QDialog(parent, DialogWithoutSystemButtons()), ui_(std::make_unique<Ui::TformFolderDialog>())
{
    ui_->setupUi(this);
    setSizeGripEnabled(false); // the status bar has its own
    auto* panel = new QLabel(ui_->StatusBar);
    panel->setObjectName(QStringLiteral("StatusBarPanel"));
    panel->setFixedWidth(50);
    ui_->StatusBar->addWidget(panel);

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

void TformFolderDialog::bttnOkClick()
{
    accept();
}

void TformFolderDialog::bttnCancelClick()
{
    reject();
}
