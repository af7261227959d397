#pragma once

#include <string>
#include <vector>

// The commands that tavpub runs without Qt: each takes its arguments (after
// the command name) and returns the exit status; failures are thrown as
// CliError or UsageError.
using FilterArgs = std::vector<std::string>;

int ConvertCommand(const FilterArgs& args);
int GuessCommand(const FilterArgs& args);
int NewlineCommand(const FilterArgs& args);
int Base64Command(const FilterArgs& args);
int MimeHeaderCommand(const FilterArgs& args);
