// Choosing and creating the temporary folder.
#include "TempFolder.h"

#include "Folders.h"
#include "platform/File.h"
#include "platform/KnownFolders.h"
#include "platform/Status.h"
#include "platform/Volume.h"

namespace catalogue {

VolumeProbe systemVolumeProbe()
{
    return VolumeProbe{
        [](const std::string& path, std::uint64_t& bytes) {
            return platform::freeSpace(path, bytes);
        },
        [](std::vector<std::string>& roots) { return platform::listVolumes(roots); }};
}

int chooseTempFolder(const std::string& appDataFolder,
                     const VolumeProbe& probe,
                     std::string& folder)
{
    folder.clear();
    std::uint64_t free = 0;
    if (!appDataFolder.empty() && probe.freeSpace(appDataFolder, free) == platform::kStatusOk &&
        free > kTempFolderFreeBytes) {
        folder = platform::joinPath(platform::joinPath(appDataFolder, std::string(kWorkFolderName)),
                                    std::string(kTempFolderName));
        return platform::kStatusOk;
    }
    std::vector<std::string> roots;
    if (const int status = probe.listVolumes(roots); status != platform::kStatusOk) {
        return status;
    }
    std::uint64_t best = 0;
    for (const std::string& root : roots) {
        if (probe.freeSpace(root, free) == platform::kStatusOk && free > best) {
            best = free;
            folder = platform::joinPath(root, std::string(kTempFolderName));
        }
    }
    return platform::kStatusOk;
}

const std::string& tempFolder()
{
    static const std::string folder = [] {
        std::string chosen;
        if (chooseTempFolder(platform::appDataFolder(), systemVolumeProbe(), chosen) !=
                platform::kStatusOk ||
            chosen.empty() || platform::createPrivateFolder(chosen) != platform::kStatusOk) {
            return std::string();
        }
        return chosen;
    }();
    return folder;
}

} // namespace catalogue
