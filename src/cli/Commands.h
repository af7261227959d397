#pragma once

#include <QStringList>

class SettingsStore;

// Each tavpub command takes its arguments (after the command name) and
// returns the exit status; failures are thrown as CliError or UsageError.
using CommandFunction = int (*)(const QStringList& args, SettingsStore& store);

struct Command {
    const char* name;
    const char* usage; // shown by "tavpub --help"
    CommandFunction run;
};

int ShowCommand(const QStringList& args, SettingsStore& store);
int ImportCommand(const QStringList& args, SettingsStore& store);
int ConvertCommand(const QStringList& args, SettingsStore& store);
int GuessCommand(const QStringList& args, SettingsStore& store);
int NewlineCommand(const QStringList& args, SettingsStore& store);
int Base64Command(const QStringList& args, SettingsStore& store);
int MimeHeaderCommand(const QStringList& args, SettingsStore& store);
int PublishCommand(const QStringList& args, SettingsStore& store);
int UploadCommand(const QStringList& args, SettingsStore& store);
