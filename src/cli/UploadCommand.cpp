// tavpub upload: the upload window's run without a window, for scheduled jobs.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "settings/SettingsStore.h"
#include "upload/CertificateFingerprint.h"
#include "upload/UploadRun.h"

#include <cstdio>

namespace {

// Beyond a day a wait is no limit a job would want; within int milliseconds.
constexpr int MaxTimeOutSeconds = 86400;
// The last notices go on their way before the job ends, but a companion
// that never answers cannot keep it.
constexpr int NoticeWaitMs = 2000;

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
            const qlonglong seconds = args[++i].toLongLong(&ok);
            if (!ok || seconds < 1 || seconds > MaxTimeOutSeconds)
                throw UsageError(QStringLiteral("upload: --timeout needs a number of seconds from 1 to %1")
                                     .arg(MaxTimeOutSeconds));
            options.timeOutSeconds = int(seconds);
        } else if (args[i] == QLatin1String("--trust-fingerprint") && i + 1 < args.size()) {
            options.trustedFingerprint = args[++i];
        } else {
            throw UsageError(QStringLiteral("upload: unknown argument \"%1\"").arg(args[i]));
        }
    }
    return options;
}

QString AlertText(UploadRun::Alert what, const QString& subject)
{
    switch (what) {
    case UploadRun::Alert::NoServer: return QStringLiteral("a page's FTP setting lacks the server, user or password");
    case UploadRun::Alert::UnknownFormat: return QStringLiteral("a queued page file is of a format this program does not read");
    case UploadRun::Alert::LoginFailed: return QStringLiteral("the server refused the connection or the login of %1").arg(subject);
    case UploadRun::Alert::BrokenCommand:
        return QStringLiteral("a remote folder, file name, user or password holds a line break or NUL byte");
    case UploadRun::Alert::FolderNotCreated: return QStringLiteral("the remote folder could not be made");
    case UploadRun::Alert::NotUploaded: return QStringLiteral("the server did not take the page");
    case UploadRun::Alert::HostKeyChanged:
        return QStringLiteral("the host key of %1 has changed; nothing was sent to it").arg(subject);
    }
    return {};
}

QString StepText(const UploadRun& run)
{
    switch (run.CurrentStep()) {
    case UploadRun::Step::Connecting: return QStringLiteral("connecting");
    case UploadRun::Step::LoggedIn: return QStringLiteral("logged in to %1").arg(run.Host());
    case UploadRun::Step::Uploading: return QStringLiteral("sending into %1").arg(run.Folder());
    default: return {};
    }
}

QString RowText(const UploadRow& row)
{
    const QString where = QStringLiteral("[%1] %2").arg(row.remotePath.isEmpty() ? row.pageFile : row.remotePath,
                                                       row.server);
    if (row.state == UploadRow::State::Done)
        return where + QStringLiteral(": sent");
    return where + (row.reason.isEmpty() ? QStringLiteral(": failed") : QStringLiteral(": failed (%1)").arg(row.reason));
}

// The last line of a failed run: which file, where it was going, and why,
// so that a job's log says what to fix without the lines above it.
QString FailureLine(const UploadRun& run)
{
    QString line = QStringLiteral("upload: failed");
    const int current = run.CurrentRow();
    if (current >= 0 && current < int(run.Rows().size())) {
        const UploadRow& row = run.Rows()[size_t(current)];
        line += QStringLiteral(": ") + (row.htmlFile.isEmpty() ? row.pageFile : row.htmlFile);
        if (!row.remotePath.isEmpty())
            line += QStringLiteral(" -> ") + row.remotePath;
        if (!row.server.isEmpty())
            line += QStringLiteral(" on ") + row.server;
        if (!row.reason.isEmpty())
            line += QStringLiteral(": ") + QString(row.reason).replace(QLatin1Char('\n'), QLatin1Char(' '));
    }
    return line + QStringLiteral("; the queue is kept");
}

QString CertificateAdvice(const UploadRun::RefusedCertificate& refused)
{
    if (refused.Trusted.isEmpty())
        return QStringLiteral(". If the certificate is your server's, trust it with: "
                              "tavpub upload --trust-fingerprint %1")
            .arg(refused.Fingerprint);
    return QStringLiteral(". The server's certificate has changed: the setting trusts %1, the server now shows %2. "
                          "Only if you know your server's certificate was replaced, trust the new one with: "
                          "tavpub upload --trust-fingerprint %2")
        .arg(refused.Trusted, refused.Fingerprint);
}

QString HostKeyAdvice(const UploadRun::RefusedHostKey& refused)
{
    if (refused.Changed)
        return QStringLiteral(". The host key of %1 has changed: it may not be your server. Only if you know its "
                              "key was replaced, remove the old one (ssh-keygen -R %1) and trust the new one.")
            .arg(refused.Host);
    return QStringLiteral(". The host key of %1 is not known. If %2 is your server's key, trust it with: "
                          "tavpub upload --trust-fingerprint %2")
        .arg(refused.Host, refused.Fingerprint);
}

int Report(const UploadRun& run, const QString& storeError)
{
    if (!storeError.isEmpty())
        throw CliError(QStringLiteral("upload: the files were sent, but the queue could not be updated: ") + storeError);
    if (const auto& refused = run.UntrustedCertificate())
        throw CliError(FailureLine(run) + CertificateAdvice(*refused));
    if (const auto& refused = run.UntrustedHostKey())
        throw CliError(FailureLine(run) + HostKeyAdvice(*refused));
    if (run.CurrentStep() != UploadRun::Step::Finished)
        throw CliError(FailureLine(run));
    if (run.Unreadable() > 0)
        throw CliError(QStringLiteral("upload: page files that could not be read stay queued"));
    Say(QStringLiteral("all %1 files sent and taken off the queue").arg(run.Rows().size()));
    return ExitOk;
}

} // namespace

int UploadCommand(const QStringList& args, SettingsStore& store)
{
    // Every wait has a limit, so that a silent server cannot hang a job.
    const UploadOptions options = ParseOptions(args);
    UploadRun run(store);
    run.SetTimeOut(options.timeOutSeconds * 1000);
    // Without a window nobody can be asked: a certificate that fails
    // verification is accepted (and remembered) only when the command line
    // names its fingerprint.
    if (!options.trustedFingerprint.isEmpty()) {
        // SSH fingerprints are base64: compared as they are printed.
        run.ConfirmHostKey = [&options](const QString&, const QString& fingerprint) {
            return fingerprint == options.trustedFingerprint;
        };
        run.ConfirmCertificate = [&options](const QString&, const QString& fingerprint, const QString&,
                                            const QString&) {
            return SameFingerprint(fingerprint, options.trustedFingerprint);
        };
    }

    QObject::connect(&run, &UploadRun::alert,
                     [](UploadRun::Alert what, const QString& subject) { Say(AlertText(what, subject)); });
    QString storeError;
    QObject::connect(&run, &UploadRun::error, [&storeError](const QString& text) { storeError = text; });
    QObject::connect(&run, &UploadRun::stepChanged, [&run] {
        if (const QString text = StepText(run); !text.isEmpty())
            Say(text);
    });
    int lastPercent = -1;
    QObject::connect(&run, &UploadRun::progress, [&lastPercent](qint64 sent, qint64 total) {
        const int percent = total > 0 ? int(sent * 100 / total) : 100;
        if (total == 0 || percent == lastPercent)
            return;
        lastPercent = percent;
        Say(QStringLiteral("%1 / %2 bytes (%3%)").arg(sent).arg(total).arg(percent));
    });
    QObject::connect(&run, &UploadRun::rowChanged, [&run](int row) {
        const UploadRow& r = run.Rows()[size_t(row)];
        if (r.state != UploadRow::State::Waiting)
            Say(RowText(r));
    });

    run.List();
    if (run.Rows().empty()) {
        Say(QStringLiteral("the upload queue is empty"));
        return ExitOk;
    }
    if (!run.CanStart())
        throw CliError(QStringLiteral("upload: the queue cannot be sent (see the messages above)"));
    run.Start();
    run.Stop(); // QUIT
    run.Notices.WaitUntilSent(NoticeWaitMs);
    return Report(run, storeError);
}
