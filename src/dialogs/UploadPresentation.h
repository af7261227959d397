#pragma once

#include "upload/UploadRun.h"

#include <QString>
#include <QStringList>

// What the upload window shows of a run, in the window's own words: the
// request label, the byte counters and the gauge, the buttons' captions, the
// rows' columns and the message boxes. It follows the run's steps; the
// window copies it onto its controls.
class UploadPresentation {
public:
    struct Message {
        QString caption;
        QString text;
        bool stopIcon = false; // the stop icon; the information icon otherwise
    };

    // The four columns of a row: title, server, remote path, state.
    static QStringList RowColumns(const UploadRow& row);
    static Message AlertMessage(UploadRun::Alert what, const QString& subject);
    // The question for a certificate that failed verification; `trusted` is
    // the one the setting trusts (empty: none, the certificate is new).
    static Message CertificateQuestion(const QString& host, const QString& fingerprint, const QString& why,
                                       const QString& trusted);
    // The question for an SSH server whose host key is not yet known.
    static Message HostKeyQuestion(const QString& host, const QString& fingerprint);

    // The run has listed the queue.
    void Listed(const UploadRun& run);
    // The run took a step.
    void Stepped(const UploadRun& run);
    void Progressed(qint64 sent, qint64 total);

    const QString& Request() const { return request_; }
    const QString& Rate() const { return rate_; }
    const QString& RateMax() const { return rateMax_; }
    int Gauge() const { return gauge_; }
    const QString& OkCaption() const { return okCaption_; }
    bool OkEnabled() const { return okEnabled_; }
    const QString& CancelCaption() const { return cancelCaption_; }

private:
    void ResetCounters();

    QString request_;
    QString rate_;
    QString rateMax_;
    int gauge_ = 0;
    QString okCaption_;
    bool okEnabled_ = false;
    QString cancelCaption_;
};
