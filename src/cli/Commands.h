// The commands of brenvale-cli. Each takes its arguments without the program and command
// names, writes results to `out` and messages to `err`, and returns the process exit status:
// 0 success, 1 the operation reported a failure, 2 bad usage.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

using CommandArgs = std::vector<std::string>;

int runList(const CommandArgs& args, std::ostream& out, std::ostream& err);
int runInfo(const CommandArgs& args, std::ostream& out, std::ostream& err);
int runScan(const CommandArgs& args, std::ostream& out, std::ostream& err);
int runExport(const CommandArgs& args, std::ostream& out, std::ostream& err);

// Dispatches `args` (the command name first) to its command; prints the usage for no command,
// an unknown one or --help, and the version for --version.
int runCli(const CommandArgs& args, std::ostream& out, std::ostream& err);

// Writes "brenvale-cli: MESSAGE" and the usage hint of `command` to `err`; returns 2.
int usageError(std::ostream& err, const std::string& command, const std::string& message);

} // namespace cli
