// brenvale-cli: the engine without a window.
#include "Commands.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    try {
        return cli::runCli(cli::CommandArgs(argv + 1, argv + argc), std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "brenvale-cli: internal error: " << error.what() << "\n";
        return cli::kExitFailure;
    }
}
