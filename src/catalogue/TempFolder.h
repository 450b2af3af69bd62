// The process-wide temporary folder: it holds the decryption output (decrypted personal data),
// so it goes on a volume with room to spare and is readable by its owner alone.
//
// Choice: when the application-data folder's volume has more than 15 GiB free, the folder is
// <application data>/KorimoBrenvale/KorimoTempFile; otherwise it lies at the root of the volume
// with the most free bytes (<root>/KorimoTempFile), the first listed winning ties; volumes
// that do not answer or have no free bytes are passed over.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace catalogue {

// Free bytes that make the application-data volume good enough: more than 15 GiB.
inline constexpr std::uint64_t kTempFolderFreeBytes = 15ull * 1024 * 1024 * 1024;

// Where the choice gets its figures; tests put in their own.
struct VolumeProbe
{
    // Free bytes of the volume holding a path. Returns 0, or a non-zero status.
    std::function<int(const std::string& path, std::uint64_t& bytes)> freeSpace;
    // Appends the roots of the volumes that may hold the folder. Returns 0, or a non-zero
    // status.
    std::function<int(std::vector<std::string>& roots)> listVolumes;
};

// The probe of the real system (platform::freeSpace and platform::listVolumes).
VolumeProbe systemVolumeProbe();

// Chooses the temporary folder for `appDataFolder` by the rule above without creating it.
// Returns 0 with `folder` set, or empty when no volume qualifies; the status of
// `probe.listVolumes` when the volumes cannot be listed (`folder` empty).
[[nodiscard]] int
chooseTempFolder(const std::string& appDataFolder, const VolumeProbe& probe, std::string& folder);

// The temporary folder of this process: chosen with the system probe on first use and created
// with permissions 0700. Empty when none could be chosen or created.
const std::string& tempFolder();

} // namespace catalogue
