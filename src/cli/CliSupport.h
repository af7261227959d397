#pragma once

#include "document/Page.h"
#include "document/PageFile.h"
#include "settings/Settings.h"

#include <QString>
#include <QStringList>
#include <stdexcept>

// Exit statuses of tavpub.
enum ExitStatus { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// A failure that ends a command: one line on stderr, exit status 1.
struct CliError : std::runtime_error {
    explicit CliError(const QString& message) : std::runtime_error(message.toStdString()) {}
};
// A wrong command line: the usage text, exit status 2.
struct UsageError : std::runtime_error {
    explicit UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The settings as a freshly started program has them: read from the store,
// with the run-time folders of this process.
Settings LoadCliSettings(SettingsStore& store);

// Reads a page as File > Open does in a freshly started program. A damaged
// file leaves what could be read in `page` and is reported in the result.
PageFileResult OpenPageLikeFileOpen(Page& page, const QString& path, const Settings& settings);

// A path given on the command line as the model's path bytes (absolute).
SjisString ModelPath(const QString& path);

// Reads a whole file, or standard input for an empty name or "-".
QByteArray ReadInput(const QString& fileName);
void WriteOutput(const QByteArray& bytes);
void PrintError(const QString& message);

// One-line text of a page file failure, naming the file.
QString OneLine(const QString& message);
