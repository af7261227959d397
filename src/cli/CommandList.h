#pragma once

#include <cstdio>
#include <string_view>

// tavpub's commands. The filters run in tavpub itself; the others need Qt
// and run in the module it loads for them (QtCommands).
enum class CommandKind { Filter, Qt };

struct CommandEntry {
    const char* name;
    const char* usage; // shown by "tavpub --help"
    CommandKind kind;
};

// The entry named `name`, or nullptr.
const CommandEntry* FindCommand(std::string_view name);
void PrintUsage(std::FILE* to);
