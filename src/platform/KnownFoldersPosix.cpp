// POSIX implementation of the known folders.
#include "File.h"
#include "KnownFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <string_view>
#include <unistd.h>

namespace platform {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string withoutTrailingSeparator(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

std::string homeFolder()
{
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    return withoutTrailingSeparator(home);
}

std::string appDataFolder()
{
    if (std::string forced = environment("BRENVALE_APPDATA"); !forced.empty()) {
        return withoutTrailingSeparator(forced);
    }
    const std::string home = homeFolder();
#ifdef __APPLE__
    return home.empty() ? std::string() : home + "/Library/Application Support";
#else
    if (std::string xdg = environment("XDG_DATA_HOME"); !xdg.empty() && xdg.front() == '/') {
        return withoutTrailingSeparator(xdg);
    }
    return home.empty() ? std::string() : home + "/.local/share";
#endif
}

std::vector<std::string> platformBackupRoots()
{
#ifdef __APPLE__
    const std::string home = homeFolder();
    if (!home.empty()) {
        return {home + "/Library/Application Support/MobileSync/Backup"};
    }
#endif
    return {};
}

std::vector<std::string> mountRoots()
{
    const char* forced = std::getenv("BRENVALE_MOUNT_ROOTS");
    if (forced == nullptr) {
#ifdef __linux__
        return {"/mnt", "/media", "/run/media"};
#else
        return {};
#endif
    }
    std::vector<std::string> roots;
    std::string_view rest(forced);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        if (!entry.empty()) {
            roots.push_back(withoutTrailingSeparator(std::string(entry)));
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return roots;
}

} // namespace platform
