#pragma once

#include <QStringList>

class SettingsStore;

// Each of tavpub's commands on Qt takes its arguments (after the command
// name) and returns the exit status; failures are thrown as CliError or
// UsageError. The filters are in FilterCommands.h.
using CommandFunction = int (*)(const QStringList& args, SettingsStore& store);

int ShowCommand(const QStringList& args, SettingsStore& store);
int ImportCommand(const QStringList& args, SettingsStore& store);
int PublishCommand(const QStringList& args, SettingsStore& store);
int UploadCommand(const QStringList& args, SettingsStore& store);
