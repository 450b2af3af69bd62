// Manifest.mbdb reading, in place over the whole file held in memory.
#include "ManifestMbdb.h"

#include "Sha1.h"
#include "platform/ByteReader.h"
#include "platform/File.h"
#include "platform/Status.h"

#include <algorithm>

namespace catalogue {

namespace {

constexpr std::string_view kMagic = "mbdb";
constexpr std::size_t kRecordsOffset = 6;
constexpr std::uint16_t kAbsentString = 0xFFFF;
constexpr std::size_t kNumericAttributesBytes = 36;
constexpr std::uint16_t kFileTypeMask = 0xE000;
constexpr std::uint16_t kFolderType = 0x4000;

bool readString(platform::ByteReader& reader, std::string_view& value)
{
    std::uint16_t length = 0;
    if (!reader.u16be(length)) {
        return false;
    }
    if (length == kAbsentString) {
        value = {};
        return true;
    }
    return reader.text(length, value);
}

bool skipString(platform::ByteReader& reader)
{
    std::string_view ignored;
    return readString(reader, ignored);
}

} // namespace

int parseManifestMbdb(std::span<const std::uint8_t> bytes, std::vector<ManifestEntry>& manifest)
{
    if (bytes.size() < kMagic.size() ||
        std::string_view(reinterpret_cast<const char*>(bytes.data()), kMagic.size()) != kMagic) {
        return platform::kStatusInvalid;
    }
    platform::ByteReader reader(bytes);
    if (!reader.seek(kRecordsOffset)) {
        // The magic without a whole version field: no records.
        return platform::kStatusOk;
    }
    // Room for as many entries as the smallest records (52 bytes) could hold, within a bound:
    // reserved memory that no entry uses is never touched.
    constexpr std::size_t kSmallestRecordBytes = 52;
    constexpr std::size_t kMaxReservedEntries = 1024 * 1024;
    manifest.reserve(manifest.size() +
                     std::min(bytes.size() / kSmallestRecordBytes, kMaxReservedEntries));
    while (!reader.atEnd()) {
        std::string_view domain;
        std::string_view path;
        std::uint16_t mode = 0;
        std::uint8_t protection = 0;
        std::uint8_t properties = 0;
        bool ok = readString(reader, domain) && readString(reader, path) && skipString(reader) &&
                  skipString(reader) && skipString(reader) && reader.u16be(mode) &&
                  reader.skip(kNumericAttributesBytes) && reader.u8(protection) &&
                  reader.u8(properties);
        for (unsigned i = 0; ok && i < properties; ++i) {
            ok = skipString(reader) && skipString(reader);
        }
        if (!ok) {
            return platform::kStatusTruncated;
        }
        if (domain.empty() || path.empty() || (mode & kFileTypeMask) == kFolderType) {
            continue;
        }
        ManifestEntry entry;
        entry.domainPath.reserve(domain.size() + 1 + path.size());
        entry.domainPath.append(domain).append(1, '-').append(path);
        entry.fileId = sha1Hex(entry.domainPath);
        manifest.push_back(std::move(entry));
    }
    return platform::kStatusOk;
}

int readManifestMbdb(const std::string& path, std::vector<ManifestEntry>& manifest)
{
    if (path.empty()) {
        return platform::kStatusInvalid;
    }
    std::string content;
    const int status = platform::readWholeFile(path, kMaxManifestMbdbBytes, content);
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
