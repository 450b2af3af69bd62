// Where the running program lives, so that it finds the files shipped beside it.
#pragma once

#include <string>

namespace platform {

// The folder of the running executable, without a trailing separator; empty when unknown.
std::string executableFolder();

} // namespace platform
