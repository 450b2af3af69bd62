// The fixed folders of the application and the remembered backup folders.
#include "Folders.h"

#include "platform/File.h"
#include "platform/KnownFolders.h"
#include "platform/Status.h"

#include <algorithm>

namespace catalogue {

namespace {

std::string rememberedRootsPath()
{
    const std::string work = workFolderPath();
    return work.empty() ? std::string()
                        : platform::joinPath(work, std::string(kRememberedRootsFileName));
}

} // namespace

std::string withoutTrailingSeparator(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string defaultBackupsRoot()
{
    const std::string appData = platform::appDataFolder();
    return appData.empty() ? std::string()
                           : platform::joinPath(appData, std::string(kBackupsRootRelative));
}

std::string workFolderPath()
{
    const std::string appData = platform::appDataFolder();
    return appData.empty() ? std::string()
                           : platform::joinPath(appData, std::string(kWorkFolderName));
}

std::vector<std::string> rememberedRoots()
{
    std::vector<std::string> roots;
    const std::string path = rememberedRootsPath();
    std::string content;
    if (path.empty() ||
        platform::readWholeFile(path, kMaxRememberedRootsBytes, content) != platform::kStatusOk) {
        return roots;
    }
    std::size_t start = 0;
    while (start < content.size() && roots.size() < kMaxRememberedRoots) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        line = withoutTrailingSeparator(std::move(line));
        if (line.starts_with('/') && std::find(roots.begin(), roots.end(), line) == roots.end()) {
            roots.push_back(std::move(line));
        }
        start = end + 1;
    }
    return roots;
}

int rememberRoot(const std::string& root)
{
    const std::string path = rememberedRootsPath();
    const std::string folder = withoutTrailingSeparator(root);
    if (path.empty() || !folder.starts_with('/') ||
        folder.find_first_of("\r\n") != std::string::npos) {
        return platform::kStatusInvalid;
    }
    std::vector<std::string> roots = rememberedRoots();
    std::erase(roots, folder);
    roots.insert(roots.begin(), folder);
    if (roots.size() > kMaxRememberedRoots) {
        roots.resize(kMaxRememberedRoots);
    }
    std::string content;
    for (const std::string& entry : roots) {
        content += entry + "\n";
    }
    if (const int status = platform::createFolders(workFolderPath()); status != 0) {
        return status;
    }
    return platform::writeWholeFile(path, content);
}

} // namespace catalogue
