// One file of a backup as its manifest lists it.
#pragma once

#include <string>

namespace catalogue {

struct ManifestEntry
{
    // The file's domain, a hyphen and its path relative to the domain, for example
    // "CameraRollDomain-Media/DCIM/100APPLE/IMG_0001.JPG".
    std::string domainPath;
    // The name of the content file inside the backup folder: 40 hexadecimal digits.
    std::string fileId;
};

} // namespace catalogue
