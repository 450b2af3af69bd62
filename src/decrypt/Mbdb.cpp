// Reading Manifest.mbdb.
#include "Mbdb.h"

#include "Crypto.h"
#include "platform/ByteReader.h"
#include "platform/Status.h"

#include <string_view>

namespace decrypt {

namespace {

constexpr std::uint16_t kNullString = 0xFFFF;

bool readString(platform::ByteReader& reader, std::span<const std::uint8_t>& value, bool& isNull)
{
    std::uint16_t length = 0;
    if (!reader.u16be(length)) {
        return false;
    }
    isNull = length == kNullString;
    value = {};
    return isNull || reader.bytes(length, value);
}

std::string asString(std::span<const std::uint8_t> bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

int parseMbdb(std::span<const std::uint8_t> bytes, std::vector<MbdbRecord>& records)
{
    records.clear();
    platform::ByteReader reader(bytes);
    std::string_view magic;
    if (!reader.text(6, magic) || magic.substr(0, 4) != "mbdb") {
        return platform::kStatusInvalid;
    }
    while (!reader.atEnd()) {
        MbdbRecord record;
        std::span<const std::uint8_t> domain;
        std::span<const std::uint8_t> path;
        std::span<const std::uint8_t> ignored;
        std::span<const std::uint8_t> key;
        bool isNull = false;
        bool keyIsNull = false;
        std::uint8_t propertyCount = 0;
        if (!readString(reader, domain, isNull) || !readString(reader, path, isNull) ||
            !readString(reader, ignored, isNull) || !readString(reader, ignored, isNull) ||
            !readString(reader, key, keyIsNull) || !reader.u16be(record.mode) || !reader.skip(28) ||
            !reader.u64be(record.size) || !reader.u8(record.protectionClass) ||
            !reader.u8(propertyCount)) {
            return platform::kStatusTruncated;
        }
        for (unsigned i = 0; i < propertyCount * 2u; ++i) {
            if (!readString(reader, ignored, isNull)) {
                return platform::kStatusTruncated;
            }
        }
        record.domain = asString(domain);
        record.relativePath = asString(path);
        record.fileId = sha1Hex(record.domain + "-" + record.relativePath);
        if (!keyIsNull && !key.empty()) {
            WrappedFileKey wrapped;
            if (splitWrappedKey(key, wrapped) != platform::kStatusOk) {
                return platform::kStatusCorrupt;
            }
            record.key = std::move(wrapped);
        }
        records.push_back(std::move(record));
    }
    return platform::kStatusOk;
}

} // namespace decrypt
