// Dispatch of brenvale-cli commands and the overall usage text.
#include "CarveCommand.h"
#include "Commands.h"

#include <map>

namespace cli {

namespace {

using Runner = int (*)(const CommandArgs&, std::ostream&, std::ostream&);

const std::map<std::string, Runner>& commands()
{
    static const std::map<std::string, Runner> kCommands = {
        {"list", runList},
        {"info", runInfo},
        {"scan", runScan},
        {"export", runExport},
        {"carve", runCarve},
    };
    return kCommands;
}

constexpr const char* kUsage = "Usage: brenvale-cli COMMAND [OPTIONS]\n"
                               "\n"
                               "Reads iPhone backups kept on this computer. Commands:\n"
                               "  list     the backups found, newest first\n"
                               "  info     one backup's record and manifest\n"
                               "  scan     the records of a backup, by category\n"
                               "  export   save the records of a backup into a folder\n"
                               "  carve    every row of an SQLite file, deleted ones included\n"
                               "\n"
                               "Run 'brenvale-cli COMMAND --help' for the options of a command,\n"
                               "'brenvale-cli --version' for the version.\n";

} // namespace

int usageError(std::ostream& err, const std::string& command, const std::string& message)
{
    err << "brenvale-cli: " << message << "\n"
        << "Try 'brenvale-cli " << (command.empty() ? "" : command + " ") << "--help'.\n";
    return kExitUsage;
}

int runCli(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    if (args.front() == "--version") {
        out << "brenvale-cli " << BRENVALE_VERSION << "\n";
        return kExitOk;
    }
    if (args.front() == "--help" || args.front() == "help") {
        out << kUsage;
        return kExitOk;
    }
    const auto found = commands().find(args.front());
    if (found == commands().end()) {
        return usageError(err, "", "unknown command '" + args.front() + "'");
    }
    return found->second(CommandArgs(args.begin() + 1, args.end()), out, err);
}

} // namespace cli
