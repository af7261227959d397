#include "cli/CliErrors.h"

#include <cstdio>

void PrintError(std::string_view message)
{
    std::fprintf(stderr, "tavpub: %.*s\n", int(message.size()), message.data());
}
