#include "dialogs/TformUpload.h"

#include "ui_TformUpload.h"

#include <QMessageBox>
#include <QShowEvent>
#include <QScreen>
#include <QTreeWidgetItem>

TformUpload::TformUpload(SettingsStore& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), // no title-bar buttons
      ui_(std::make_unique<Ui::TformUpload>()), upload_(store)
{
    ui_->setupUi(this);
    setFixedSize(size().expandedTo(minimumSizeHint())); // a dialog border: not resizable
    for (int column = 0; column < 3; ++column)
        ui_->listUpload->setColumnWidth(column, 150);

    connect(ui_->bttnOk, &QPushButton::clicked, this, &TformUpload::bttnOkClick);
    connect(ui_->bttnCancel, &QPushButton::clicked, this, &TformUpload::bttnCancelClick);

    connect(&upload_, &UploadController::rowChanged, this, &TformUpload::ShowRow);
    connect(&upload_, &UploadController::requestChanged, ui_->lablRequest, &QLabel::setText);
    connect(&upload_, &UploadController::progress, this, &TformUpload::ShowProgress);
    connect(&upload_, &UploadController::buttonsChanged, this, &TformUpload::ShowButtons);
    connect(&upload_, &UploadController::message, this, &TformUpload::ShowMessage);
    connect(&upload_, &UploadController::error, this, &TformUpload::errorRaised);
    connect(&upload_, &UploadController::closeRequested, this, &TformUpload::CloseWhenIdle);
    upload_.ConfirmCertificate = [this](const QString& host, const QString& fingerprint, const QString& why) {
        return ConfirmCertificate(host, fingerprint, why);
    };
}

TformUpload::~TformUpload() = default;

void TformUpload::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // shown again by the window system, not by the program
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

// --- what the run shows ----------------------------------------------------------

void TformUpload::ShowRow(int row)
{
    while (ui_->listUpload->topLevelItemCount() <= row)
        ui_->listUpload->addTopLevelItem(new QTreeWidgetItem);
    QTreeWidgetItem* item = ui_->listUpload->topLevelItem(row);
    const QStringList& columns = upload_.Rows()[size_t(row)];
    for (int column = 0; column < ui_->listUpload->columnCount(); ++column)
        item->setText(column, columns.value(column));
    ui_->listUpload->scrollToItem(item);
}

void TformUpload::ShowButtons()
{
    ui_->bttnOk->setText(upload_.OkCaption());
    ui_->bttnOk->setEnabled(upload_.OkEnabled());
    ui_->bttnCancel->setText(upload_.CancelCaption());
}

void TformUpload::ShowProgress()
{
    ui_->lablRate->setText(upload_.RateText());
    ui_->lablRateMax->setText(upload_.RateMaxText());
    ui_->Pie->setProgress(upload_.Gauge());
}

void TformUpload::ShowMessage(const QString& caption, const QString& text, UploadController::Icon icon)
{
    emit messageShown(caption, text, icon);
    QMessageBox box(icon == UploadController::Icon::Stop ? QMessageBox::Critical : QMessageBox::Information,
                    caption, text, QMessageBox::Ok, this);
    box.exec();
}

bool TformUpload::ConfirmCertificate(const QString& host, const QString& fingerprint, const QString& why)
{
    const QString caption = QString::fromUtf8("質問");
    const QString text = QString::fromUtf8("%1 の証明書を確認できませんでした（%2）。\n\n"
                                           "SHA-256 フィンガープリント:\n%3\n\n"
                                           "サーバの管理者に聞いたものと同じなら、この証明書を信頼して接続を続けますか？")
                             .arg(host, why, fingerprint);
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse); // the fingerprint can be copied
    return box.exec() == QMessageBox::Yes;
}

// --- handlers --------------------------------------------------------------------------

void TformUpload::FormShow()
{
    closePending_ = false;
    ui_->listUpload->clear();
    upload_.FormShow();
    ShowProgress();
    ShowButtons();
}

void TformUpload::bttnOkClick()
{
    if (upload_.ChainRunning())
        return;
    upload_.bttnOkClick(); // the whole run happens inside
    if (closePending_) {
        closePending_ = false;
        QDialog::done(Rejected);
    }
}

void TformUpload::bttnCancelClick()
{
    upload_.bttnCancelClick();
}

void TformUpload::reject()
{
    bttnCancelClick();
}

void TformUpload::CloseWhenIdle()
{
    // Inside the chain the window stays until bttnOkClick has returned, so
    // that nothing the chain still does lands on a closed window.
    if (upload_.ChainRunning())
        closePending_ = true;
    else
        QDialog::done(Rejected);
}
