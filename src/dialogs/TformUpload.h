#pragma once

#include "dialogs/UploadPresentation.h"
#include "upload/UploadRun.h"

#include <QDialog>
#include <memory>

class SettingsStore;
namespace Ui {
class TformUpload;
}

// The upload window: lists the queued pages and, on Upload, runs the upload
// (UploadRun), showing its steps in labels, rows, the pie gauge and message
// boxes. Created once at start-up and shown modally; its result means
// nothing.
//
// The run is one long call inside bttnOkClick. Cancel, Escape or the window
// manager's close during a run stop the transfer, and the window closes once
// that call has returned, never while it still runs.
class TformUpload : public QDialog {
    Q_OBJECT
public:
    explicit TformUpload(SettingsStore& store, QWidget* parent = nullptr);
    ~TformUpload() override;

    Ui::TformUpload& form() { return *ui_; }
    UploadRun& run() { return run_; }

    // Escape and closing the window act as Cancel.
    void reject() override;

signals:
    // A failure for the application's error display (the queue could not be
    // written back after the run).
    void errorRaised(const QString& text);
    // Every message box, just before it shows.
    void messageShown(const QString& caption, const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void FormShow();
    void bttnOkClick();
    void bttnCancelClick();

private:
    void ShowRow(int row);
    void ShowState();
    void ShowMessage(const UploadPresentation::Message& message);
    // Asks whether to trust a certificate that failed verification.
    bool ConfirmCertificate(const QString& host, const QString& fingerprint, const QString& why,
                            const QString& trusted);
    // Asks a Yes/No question whose default is No.
    bool Ask(const UploadPresentation::Message& question);
    void CloseWhenIdle();

    std::unique_ptr<Ui::TformUpload> ui_;
    UploadRun run_;
    UploadPresentation view_;
    bool closePending_ = false;
};
