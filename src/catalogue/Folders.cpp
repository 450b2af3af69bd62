// The fixed folders of the application.
#include "Folders.h"

#include "platform/File.h"
#include "platform/KnownFolders.h"

#include <algorithm>

namespace catalogue {

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

std::vector<std::string> backupsRoots(const std::vector<std::string>& userRoots)
{
    std::vector<std::string> roots;
    const auto add = [&roots](std::string root) {
        while (root.size() > 1 && root.back() == '/') {
            root.pop_back();
        }
        if (!root.empty() && std::find(roots.begin(), roots.end(), root) == roots.end()) {
            roots.push_back(std::move(root));
        }
    };
    add(defaultBackupsRoot());
    for (const std::string& root : platform::platformBackupRoots()) {
        add(root);
    }
    for (const std::string& root : userRoots) {
        add(root);
    }
    return roots;
}

} // namespace catalogue
