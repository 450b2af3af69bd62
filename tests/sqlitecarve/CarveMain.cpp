// A test-only driver of the carve command, so that CTest can run it as a process over real
// database files before it is wired into brenvale-cli.
#include "cli/CarveCommand.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return cli::runCarve(args, std::cout, std::cerr);
}
