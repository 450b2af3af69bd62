// The running executable's folder, read from /proc/self/exe on Linux.
#include "Executable.h"

#include <filesystem>
#include <system_error>

namespace platform {

std::string executableFolder()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

} // namespace platform
