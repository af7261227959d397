#pragma once

#include "cli/CliErrors.h"
#include "document/Page.h"
#include "document/PageFile.h"
#include "settings/Settings.h"

#include <QString>
#include <QStringList>

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
// PrintError of the message as one line.
void PrintError(const QString& message);

// One-line text of a page file failure, naming the file.
QString OneLine(const QString& message);
