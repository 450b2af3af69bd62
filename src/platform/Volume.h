// Volumes: free space and the list of mounted volumes a temporary folder may go on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Free bytes available to this user on the volume that holds `path`. Returns 0, or the
// system error's status.
[[nodiscard]] int freeSpace(const std::string& path, std::uint64_t& bytes);

// Appends the mount points of the writable, disk-backed volumes in mount order (pseudo and
// memory file systems are left out). Returns 0, or the system error's status when the list of
// mounts cannot be read.
[[nodiscard]] int listVolumes(std::vector<std::string>& roots);

} // namespace platform
