// POSIX implementation of free space and the volume list (Linux reads /proc/self/mounts).
#include "Status.h"
#include "Volume.h"

#include <cerrno>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

// File systems that live in memory or describe the kernel: never a place for big files.
bool isPseudoFileSystem(const std::string& type)
{
    static const std::set<std::string> kPseudo = {
        "proc",        "sysfs",    "devtmpfs",   "devpts",     "tmpfs",    "ramfs",
        "cgroup",      "cgroup2",  "securityfs", "debugfs",    "tracefs",  "mqueue",
        "hugetlbfs",   "fusectl",  "configfs",   "pstore",     "bpf",      "autofs",
        "binfmt_misc", "efivarfs", "nsfs",       "rpc_pipefs", "squashfs", "iso9660"};
    return kPseudo.count(type) != 0;
}

// Mount points escape blanks and a few other bytes as a backslash and three octal digits.
std::string unescapeMountPath(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

int freeSpace(const std::string& path, std::uint64_t& bytes)
{
    struct statvfs info
    {};

    if (::statvfs(path.c_str(), &info) != 0) {
        return statusFromErrno(errno);
    }
    bytes = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    return kStatusOk;
}

int listVolumes(std::vector<std::string>& roots)
{
    std::ifstream mounts("/proc/self/mounts");
    if (!mounts) {
        return statusFromErrno(errno);
    }
    std::set<std::string> seen;
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type, options;
        if (!(fields >> device >> mountPoint >> type >> options)) {
            continue;
        }
        mountPoint = unescapeMountPath(mountPoint);
        const bool readOnly = options == "ro" || options.rfind("ro,", 0) == 0;
        if (readOnly || isPseudoFileSystem(type) || !seen.insert(mountPoint).second) {
            continue;
        }
        if (::access(mountPoint.c_str(), W_OK) == 0) {
            roots.push_back(mountPoint);
        }
    }
    return kStatusOk;
}

} // namespace platform
