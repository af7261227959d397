#include "cli/CliSupport.h"

#include "document/TextCodec.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

Settings LoadCliSettings(SettingsStore& store)
{
    Settings settings;
    settings.ProgramFolder = ProgramFolder();
    settings.StartFolder = CurrentFolder();
    PageProperties ignored;
    LoadSettings(store, settings, ignored, 0, 0);
    LoadBrowserTitle(store, settings);
    return settings;
}

SjisString ModelPath(const QString& path)
{
    QString absolute = QFileInfo(path).absoluteFilePath();
    std::optional<SjisString> bytes = TextCodec::FromUnicodeStrict(QDir::toNativeSeparators(absolute));
    if (!bytes)
        throw CliError(QStringLiteral("%1: the path holds characters that Shift_JIS cannot hold").arg(path));
    return *bytes;
}

PageFileResult OpenPageLikeFileOpen(Page& page, const QString& path, const Settings& settings)
{
    page.ResetPage(settings.newPageDefaults());
    PointPageAt(page, ModelPath(path));
    return ReadPageFile(page, settings.pageFileContext());
}

QByteArray ReadInput(const QString& fileName)
{
    QFile file;
    bool opened = fileName.isEmpty() || fileName == QLatin1String("-")
        ? file.open(stdin, QIODevice::ReadOnly)
        : (file.setFileName(fileName), file.open(QIODevice::ReadOnly));
    if (!opened)
        throw CliError(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    return file.readAll();
}

void WriteOutput(const QByteArray& bytes)
{
    // A full disk or a closed pipe must not pass for a complete output.
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    if (std::fflush(stdout) != 0 || written != size_t(bytes.size()))
        throw CliError(QStringLiteral("standard output: the output could not be written completely"));
}

QString OneLine(const QString& message)
{
    QString line = message.trimmed();
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

void PrintError(const QString& message)
{
    const QByteArray line = OneLine(message).toUtf8();
    PrintError(std::string_view(line.constData(), std::size_t(line.size())));
}
