// A record of every entry of a folder tree (path, size, modification time and content digest),
// for checking that reading a backup left its folder exactly as it was.
#pragma once

#include "formats/FileId.h"
#include "support/SharedFixtures.h"

#include <filesystem>
#include <map>
#include <string>

namespace catalogue_test {

inline std::map<std::string, std::string> snapshotFolder(const std::string& folder)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const auto stamp =
            std::filesystem::last_write_time(entry.path()).time_since_epoch().count();
        std::string description = std::to_string(stamp);
        if (entry.is_regular_file()) {
            description +=
                " " + formats::sha1Hex(testsupport::readFileBytes(entry.path().string()));
        }
        entries[entry.path().string()] = description;
    }
    return entries;
}

} // namespace catalogue_test
