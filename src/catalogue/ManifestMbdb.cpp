// Manifest.mbdb reading, in place over the whole file held in memory.
#include "ManifestMbdb.h"

#include "formats/FileId.h"
#include "formats/Mbdb.h"
#include "platform/File.h"
#include "platform/Status.h"

#include <algorithm>

namespace catalogue {

int parseManifestMbdb(std::span<const std::uint8_t> bytes, std::vector<ManifestEntry>& manifest)
{
    // Room for as many entries as the smallest records (52 bytes) could hold, within a bound:
    // reserved memory that no entry uses is never touched.
    constexpr std::size_t kSmallestRecordBytes = 52;
    constexpr std::size_t kMaxReservedEntries = 1024 * 1024;
    manifest.reserve(manifest.size() +
                     std::min(bytes.size() / kSmallestRecordBytes, kMaxReservedEntries));
    return formats::readMbdbRecords(bytes, [&manifest](const formats::MbdbRecord& record) {
        if (!record.domain.empty() && !record.path.empty() && !record.isFolder()) {
            ManifestEntry entry;
            entry.domainPath.reserve(record.domain.size() + 1 + record.path.size());
            entry.domainPath.append(record.domain).append(1, '-').append(record.path);
            entry.fileId = formats::sha1Hex(entry.domainPath);
            manifest.push_back(std::move(entry));
        }
        return platform::kStatusOk;
    });
}

int readManifestMbdb(const std::string& path, std::vector<ManifestEntry>& manifest)
{
    if (path.empty()) {
        return platform::kStatusInvalid;
    }
    std::string content;
    const int status = platform::readWholeFile(path, formats::kMaxMbdbBytes, content);
    if (status == platform::kStatusInvalid) {
        return platform::kStatusInvalid;
    }
    if (status != platform::kStatusOk) {
        return platform::kStatusMbdbOpenFailed;
    }
    return parseManifestMbdb(
        std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()), manifest);
}

} // namespace catalogue
