// tavpub upload: the upload window's run without a window, for scheduled jobs.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "settings/SettingsStore.h"
#include "upload/CertificateFingerprint.h"
#include "upload/UploadController.h"

#include <cstdio>

namespace {

void Say(const QString& text)
{
    const QByteArray bytes = (QStringLiteral("tavpub upload: ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

struct UploadOptions {
    int timeOutSeconds = 30;
    QString trustedFingerprint; // --trust-fingerprint: a certificate to accept once seen
};

UploadOptions ParseOptions(const QStringList& args)
{
    UploadOptions options;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--timeout") && i + 1 < args.size()) {
            bool ok = false;
            options.timeOutSeconds = args[++i].toInt(&ok);
            if (!ok || options.timeOutSeconds <= 0)
                throw UsageError(QStringLiteral("upload: --timeout needs a positive number of seconds"));
        } else if (args[i] == QLatin1String("--trust-fingerprint") && i + 1 < args.size()) {
            options.trustedFingerprint = args[++i];
        } else {
            throw UsageError(QStringLiteral("upload: unknown argument \"%1\"").arg(args[i]));
        }
    }
    return options;
}

// The last line of a failed run: which file, where it was going, and why,
// so that a job's log says what to fix without the lines above it.
QString FailureLine(const UploadController::Failure& failure)
{
    QString line = QStringLiteral("upload: failed");
    if (failure.row >= 0) {
        line += QStringLiteral(": ")
                + (failure.htmlFile.isEmpty() ? failure.pageFile : failure.htmlFile);
        if (!failure.remotePath.isEmpty())
            line += QStringLiteral(" -> ") + failure.remotePath;
        if (!failure.host.isEmpty())
            line += QStringLiteral(" on ") + failure.host;
    }
    if (!failure.reason.isEmpty())
        line += QStringLiteral(": ") + QString(failure.reason).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line + QStringLiteral("; the queue is kept");
}

} // namespace

int UploadCommand(const QStringList& args, SettingsStore& store)
{
    // Every wait has a limit, so that a silent server cannot hang a job.
    const UploadOptions options = ParseOptions(args);
    UploadController upload(store);
    upload.SetTimeOut(options.timeOutSeconds * 1000);
    // The last notices are still on their way when the run ends: they get a
    // moment to leave before the process does, whichever way it returns.
    struct NoticesLeave {
        UploadNotices& notices;
        ~NoticesLeave() { notices.WaitUntilSent(2000); }
    } noticesLeave{upload.Notices};
    // Without a window nobody can be asked: a certificate that fails
    // verification is accepted (and remembered) only when the command line
    // names its fingerprint.
    if (!options.trustedFingerprint.isEmpty())
        upload.ConfirmCertificate = [&options](const QString&, const QString& fingerprint, const QString&) {
            return SameFingerprint(fingerprint, options.trustedFingerprint);
        };

    QObject::connect(&upload, &UploadController::message, [](const QString& caption, const QString& text) {
        Say(caption + QStringLiteral(": ") + text);
    });
    QString storeError;
    QObject::connect(&upload, &UploadController::error, [&storeError](const QString& text) { storeError = text; });
    QObject::connect(&upload, &UploadController::requestChanged, [](const QString& text) { Say(text); });
    int lastPercent = -1;
    QObject::connect(&upload, &UploadController::progress, [&lastPercent](qint64 sent, qint64 total, int percent) {
        if (total == 0 || percent == lastPercent)
            return;
        lastPercent = percent;
        Say(QStringLiteral("%1 / %2 bytes (%3%)").arg(sent).arg(total).arg(percent));
    });
    QObject::connect(&upload, &UploadController::rowChanged, [&upload](int row) {
        const QStringList& columns = upload.Rows()[size_t(row)];
        if (columns.size() > 3) // a state: done or failed; an unreadable page has only its path
            Say(QStringLiteral("[%1] %2 %3")
                    .arg(columns.value(2).isEmpty() ? columns.value(0) : columns.value(2), columns.value(1),
                         columns.value(3)));
    });

    upload.FormShow();
    if (upload.Rows().empty()) {
        Say(QStringLiteral("the upload queue is empty"));
        return ExitOk;
    }
    if (!upload.OkEnabled())
        throw CliError(QStringLiteral("upload: the queue cannot be sent (see the messages above)"));
    upload.bttnOkClick();
    const UploadController::RunState state = upload.State();
    upload.bttnCancelClick(); // QUIT
    if (!storeError.isEmpty())
        throw CliError(QStringLiteral("upload: the files were sent, but the queue could not be updated: ") + storeError);
    if (const auto& refused = upload.UntrustedCertificate())
        throw CliError(FailureLine(upload.LastFailure())
                       + QStringLiteral(". If the certificate is your server's, trust it with: "
                                        "tavpub upload --trust-fingerprint %1")
                             .arg(refused->Fingerprint));
    if (state == UploadController::RunState::Incomplete)
        throw CliError(QStringLiteral("upload: page files that could not be read stay queued"));
    if (state != UploadController::RunState::Succeeded)
        throw CliError(FailureLine(upload.LastFailure()));
    Say(QStringLiteral("all %1 files sent and taken off the queue").arg(upload.Rows().size()));
    return ExitOk;
}
