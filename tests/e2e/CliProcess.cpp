// Running brenvale-cli as a process for end-to-end tests.
#include "CliProcess.h"

#include "support/SharedFixtures.h"

#include <cstdio>
#include <sys/wait.h>

namespace e2e {

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (const char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

CliRun runShell(const std::string& line, const testsupport::TempDir& dir)
{
    const std::string errPath = dir.file("stderr.txt");
    CliRun run;
    std::FILE* pipe = ::popen((line + " 2>" + quoted(errPath)).c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = testsupport::readFileBytes(errPath);
    return run;
}

CliRun runCli(const std::string& command,
              const std::string& arguments,
              const testsupport::TempDir& dir,
              const std::string& input)
{
    const std::string inputPath = dir.file("stdin.txt");
    testsupport::writeFileBytes(inputPath, input);
    return runShell("BRENVALE_APPDATA=" + quoted(dir.file("appdata")) + " " + BRENVALE_CLI_PATH +
                        " " + command + " " + arguments + " <" + quoted(inputPath),
                    dir);
}

} // namespace e2e
