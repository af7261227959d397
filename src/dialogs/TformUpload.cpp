#include "dialogs/TformUpload.h"

#include "ui_TformUpload.h"

#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QTreeWidgetItem>

TformUpload::TformUpload(SettingsStore& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), // no title-bar buttons
      ui_(std::make_unique<Ui::TformUpload>()), run_(store)
{
    ui_->setupUi(this);
    setFixedSize(size().expandedTo(minimumSizeHint())); // a dialog border: not resizable
    for (int column = 0; column < 3; ++column)
        ui_->listUpload->setColumnWidth(column, 150);

    connect(ui_->bttnOk, &QPushButton::clicked, this, &TformUpload::bttnOkClick);
    connect(ui_->bttnCancel, &QPushButton::clicked, this, &TformUpload::bttnCancelClick);

    connect(&run_, &UploadRun::rowChanged, this, &TformUpload::ShowRow);
    connect(&run_, &UploadRun::stepChanged, this, [this] {
        view_.Stepped(run_);
        ShowState();
    });
    connect(&run_, &UploadRun::progress, this, [this](qint64 sent, qint64 total) {
        view_.Progressed(sent, total);
        ShowState();
    });
    connect(&run_, &UploadRun::alert, this, [this](UploadRun::Alert what, const QString& subject) {
        ShowMessage(UploadPresentation::AlertMessage(what, subject));
    });
    connect(&run_, &UploadRun::error, this, &TformUpload::errorRaised);
    connect(&run_, &UploadRun::closeRequested, this, &TformUpload::CloseWhenIdle);
    run_.ConfirmCertificate = [this](const QString& host, const QString& fingerprint, const QString& why,
                                     const QString& trusted) {
        return ConfirmCertificate(host, fingerprint, why, trusted);
    };
    run_.ConfirmHostKey = [this](const QString& host, const QString& fingerprint) {
        return Ask(UploadPresentation::HostKeyQuestion(host, fingerprint));
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
    const QStringList columns = UploadPresentation::RowColumns(run_.Rows()[size_t(row)]);
    for (int column = 0; column < ui_->listUpload->columnCount(); ++column)
        item->setText(column, columns.value(column));
    ui_->listUpload->scrollToItem(item);
}

void TformUpload::ShowState()
{
    ui_->lablRequest->setText(view_.Request());
    ui_->lablRate->setText(view_.Rate());
    ui_->lablRateMax->setText(view_.RateMax());
    ui_->Pie->setProgress(view_.Gauge());
    ui_->bttnOk->setText(view_.OkCaption());
    ui_->bttnOk->setEnabled(view_.OkEnabled());
    ui_->bttnCancel->setText(view_.CancelCaption());
}

void TformUpload::ShowMessage(const UploadPresentation::Message& message)
{
    emit messageShown(message.caption, message.text);
    QMessageBox box(message.stopIcon ? QMessageBox::Critical : QMessageBox::Information, message.caption,
                    message.text, QMessageBox::Ok, this);
    box.exec();
}

bool TformUpload::ConfirmCertificate(const QString& host, const QString& fingerprint, const QString& why,
                                     const QString& trusted)
{
    return Ask(UploadPresentation::CertificateQuestion(host, fingerprint, why, trusted));
}

bool TformUpload::Ask(const UploadPresentation::Message& question)
{
    QMessageBox box(question.stopIcon ? QMessageBox::Warning : QMessageBox::Question, question.caption,
                    question.text, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse); // the fingerprint can be copied
    return box.exec() == QMessageBox::Yes;
}

// --- handlers --------------------------------------------------------------------------

void TformUpload::FormShow()
{
    closePending_ = false;
    ui_->listUpload->clear();
    run_.List();
    view_.Listed(run_);
    ShowState();
}

void TformUpload::bttnOkClick()
{
    if (run_.Running())
        return;
    run_.Start(); // the whole run happens inside
    if (closePending_) {
        closePending_ = false;
        QDialog::done(Rejected);
    }
}

void TformUpload::bttnCancelClick()
{
    run_.Stop();
}

void TformUpload::reject()
{
    bttnCancelClick();
}

void TformUpload::CloseWhenIdle()
{
    // During the run the window stays until bttnOkClick has returned, so
    // that nothing the run still does lands on a closed window.
    if (run_.Running())
        closePending_ = true;
    else
        QDialog::done(Rejected);
}
