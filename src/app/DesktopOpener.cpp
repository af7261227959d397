#include "app/DesktopOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

DesktopOpener::DesktopOpener(QObject* parent)
    : QObject(parent), program_(QStandardPaths::findExecutable(QStringLiteral("xdg-open")))
{
}

void DesktopOpener::open(const QString& path)
{
    if (program_.isEmpty()) {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            emit failed(path);
        return;
    }
    // The opener may run as long as the browser it started. Without pipes to
    // this program, the browser outlives it: ending the program ends only
    // the opener.
    auto* process = new QProcess(this);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [this, process, path](int exitCode, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status != QProcess::NormalExit || exitCode != 0)
            emit failed(path);
    });
    connect(process, &QProcess::errorOccurred, this, [this, process, path](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        emit failed(path);
    });
    process->start(program_, {path});
}
