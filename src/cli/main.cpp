// tavpub: the headless companion of Tav Outliner for batch work and scripts.
// The filter commands run here, on the standard library alone. The commands
// on pages, settings and uploads need Qt, whose libraries take several
// milliseconds to load: they run in a module that is loaded only for them,
// so that a filter starts as fast as the tools it stands beside.
#include "cli/CliErrors.h"
#include "cli/CommandList.h"
#include "cli/FilterCommands.h"

#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using FilterFunction = int (*)(const FilterArgs& args);

FilterFunction FilterNamed(std::string_view name)
{
    if (name == "convert")
        return ConvertCommand;
    if (name == "guess")
        return GuessCommand;
    if (name == "newline")
        return NewlineCommand;
    if (name == "base64")
        return Base64Command;
    return MimeHeaderCommand;
}

// The folder this program was started from, symbolic links resolved.
std::string ExecutableFolder()
{
    char path[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (size <= 0)
        return ".";
    const std::string_view exe(path, std::size_t(size));
    return std::string(exe.substr(0, exe.rfind('/')));
}

// The module lies beside this program in a build tree and in the package's
// library folder once installed.
int RunQtCommand(int argc, char* argv[])
{
    const std::string folder = ExecutableFolder();
    const std::string candidates[] = {folder + "/" TAVPUB_QT_MODULE,
                                      folder + "/" TAVPUB_QT_MODULE_FOLDER "/" TAVPUB_QT_MODULE};
    for (const std::string& path : candidates) {
        if (::access(path.c_str(), F_OK) != 0)
            continue;
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        using Entry = int (*)(int, char**);
        const auto run = module ? reinterpret_cast<Entry>(::dlsym(module, "TavpubRunQtCommand")) : nullptr;
        if (!run) {
            PrintError(std::string("cannot load ") + path + ": " + ::dlerror());
            return ExitFailure;
        }
        return run(argc, argv);
    }
    PrintError("cannot find " + candidates[1] + ", which runs the command \"" + argv[1] + "\"");
    return ExitFailure;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (argc < 2 || first == "--help" || first == "-h") {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? ExitUsage : ExitOk;
    }
    const CommandEntry* command = FindCommand(first);
    if (!command) {
        PrintError("unknown command \"" + std::string(first) + "\"");
        PrintUsage(stderr);
        return ExitUsage;
    }
    if (command->kind == CommandKind::Qt)
        return RunQtCommand(argc, argv);
    try {
        return FilterNamed(first)(FilterArgs(argv + 2, argv + argc));
    } catch (const UsageError& e) {
        PrintError(e.what());
        PrintUsage(stderr);
        return ExitUsage;
    } catch (const CliError& e) {
        PrintError(e.what());
        return ExitFailure;
    }
}
