// Runs brenvale-cli as a separate process, the way a user or a script does, and collects its
// exit status, standard output and standard error.
#pragma once

#include "support/TempDir.h"

#include <string>

namespace e2e {

struct CliRun
{
    int exitStatus = -1;
    std::string out;
    std::string err;
};

// `text` quoted for the shell.
std::string quoted(const std::string& text);

// Runs the shell command `line` (already quoted) with standard error collected in `dir`.
CliRun runShell(const std::string& line, const testsupport::TempDir& dir);

// Runs "brenvale-cli COMMAND ARGUMENTS" with BRENVALE_APPDATA inside `dir`, `input` on its
// standard input; `arguments` are already quoted.
CliRun runCli(const std::string& command,
              const std::string& arguments,
              const testsupport::TempDir& dir,
              const std::string& input = {});

} // namespace e2e
