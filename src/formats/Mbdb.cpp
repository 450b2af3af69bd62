// Manifest.mbdb records, read in place over the whole file held in memory.
#include "Mbdb.h"

#include "platform/ByteReader.h"
#include "platform/Status.h"

namespace formats {

namespace {

constexpr std::string_view kMagic = "mbdb";
constexpr std::size_t kRecordsOffset = 6;
constexpr std::uint16_t kAbsentString = 0xFFFF;
constexpr std::size_t kInodeToBirthBytes = 28;

bool readString(platform::ByteReader& reader, std::span<const std::uint8_t>& value)
{
    std::uint16_t length = 0;
    if (!reader.u16be(length)) {
        return false;
    }
    value = {};
    return length == kAbsentString || reader.bytes(length, value);
}

std::string_view asText(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool readRecord(platform::ByteReader& reader, MbdbRecord& record)
{
    std::span<const std::uint8_t> domain;
    std::span<const std::uint8_t> path;
    std::span<const std::uint8_t> ignored;
    std::uint8_t properties = 0;
    bool ok = readString(reader, domain) && readString(reader, path) &&
              readString(reader, ignored) && readString(reader, ignored) &&
              readString(reader, record.encryptionKey) && reader.u16be(record.mode) &&
              reader.skip(kInodeToBirthBytes) && reader.u64be(record.size) &&
              reader.u8(record.protectionClass) && reader.u8(properties);
    for (unsigned i = 0; ok && i < properties; ++i) {
        ok = readString(reader, ignored) && readString(reader, ignored);
    }
    record.domain = asText(domain);
    record.path = asText(path);
    return ok;
}

} // namespace

int readMbdbRecords(std::span<const std::uint8_t> bytes,
                    const std::function<int(const MbdbRecord&)>& visit)
{
    if (bytes.size() < kMagic.size() || asText(bytes.first(kMagic.size())) != kMagic) {
        return platform::kStatusInvalid;
    }
    platform::ByteReader reader(bytes);
    if (!reader.seek(kRecordsOffset)) {
        return platform::kStatusOk;
    }
    while (!reader.atEnd()) {
        MbdbRecord record;
        if (!readRecord(reader, record)) {
            return platform::kStatusTruncated;
        }
        if (const int answer = visit(record); answer != platform::kStatusOk) {
            return answer;
        }
    }
    return platform::kStatusOk;
}

} // namespace formats
