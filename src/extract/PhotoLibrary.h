// The device's photo library (CameraRollDomain Media/PhotoData/Photos.sqlite), read through the
// SQLite library: what it says about each asset, keyed by the asset's file in the backup. The
// asset table was renamed across device generations (ZGENERICASSET, later ZASSET) and gained
// and lost columns, so the query is built from the columns the table has.
#pragma once

#include "catalogue/BackupEngine.h"
#include "extract/Records.h"
#include "platform/Diagnostics.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace extract {

// The library's domain and path as the manifest names it.
inline constexpr std::string_view kPhotoLibraryDomainPath =
    "CameraRollDomain-Media/PhotoData/Photos.sqlite";

// Asset file path relative to CameraRollDomain ("Media/DCIM/100APPLE/IMG_0001.HEIC") → details.
using PhotoAssets = std::map<std::string, PhotoDetails>;

// Reads every asset of the library at `path` that names a directory and a file into `assets`
// (replacing its contents; the first asset of a path wins). Dates are local time, a latitude
// or longitude of -180 or out of range is no place, and assets in "Recently Deleted"
// (ZTRASHEDSTATE not 0) are deleted with their ZTRASHEDDATE. Returns 0, the library's mapped
// code when the file does not open, or 1006 when it has no asset table or the query fails
// (`assets` then empty).
[[nodiscard]] int readPhotoLibrary(const std::string& path, PhotoAssets& assets);

// Gives every item of `cameraRoll` whose file the backup's photo library knows the library's
// details. A missing library leaves the items as they are; one that cannot be read too, and it
// adds one line to `damage` saying so (none when the camera roll is empty).
void addPhotoDetails(catalogue::BackupEngine& engine,
                     std::vector<MediaItem>& cameraRoll,
                     platform::Diagnostics& damage);

} // namespace extract
