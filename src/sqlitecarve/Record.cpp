// Reading record headers and decoding record contents.
#include "sqlitecarve/Record.h"

#include "platform/ByteView.h"
#include "platform/Status.h"
#include "sqlitecarve/Varint.h"

#include <algorithm>

namespace sqlitecarve {

bool contentLengthOf(const std::vector<std::uint64_t>& types, std::uint64_t& total)
{
    std::uint64_t sum = 0;
    for (const std::uint64_t type : types) {
        const std::uint64_t length = serialTypeContentLength(type);
        if (length > kMaxRecordBytes - sum) {
            return false;
        }
        sum += length;
    }
    total = sum;
    return true;
}

int readRecordHeader(std::span<const std::uint8_t> bytes,
                     std::size_t offset,
                     std::size_t maxColumns,
                     RecordLayout& layout)
{
    const platform::ByteView view(bytes);
    std::uint64_t headerSize = 0;
    const std::size_t sizeLength = view.varint(offset, headerSize);
    if (sizeLength == 0 || headerSize <= sizeLength || !view.contains(offset, headerSize)) {
        return platform::kStatusCorrupt;
    }
    layout.serialTypes.clear();
    layout.typesStart = offset + sizeLength;
    const std::size_t headerEnd = offset + static_cast<std::size_t>(headerSize);
    // Room for every type at once: each takes a byte at least, and the header lies inside
    // `bytes`, so this is bounded by what was read.
    layout.serialTypes.reserve(std::min(headerEnd - layout.typesStart, maxColumns));
    const platform::ByteView header(bytes.first(headerEnd));
    std::size_t position = layout.typesStart;
    while (position < headerEnd) {
        std::uint64_t type = 0;
        const std::size_t length = header.varint(position, type);
        if (length == 0 || type == 10 || type == 11 || layout.serialTypes.size() >= maxColumns) {
            return platform::kStatusCorrupt;
        }
        layout.serialTypes.push_back(type);
        position += length;
    }
    layout.contentStart = headerEnd;
    std::uint64_t content = 0;
    if (!contentLengthOf(layout.serialTypes, content)) {
        return platform::kStatusCorrupt;
    }
    layout.contentLength = content;
    layout.recordSize = headerSize + content;
    return platform::kStatusOk;
}

int readSerialTypes(std::span<const std::uint8_t> bytes,
                    std::size_t offset,
                    std::size_t count,
                    RecordLayout& layout)
{
    const platform::ByteView view(bytes);
    layout.serialTypes.clear();
    layout.typesStart = offset;
    if (offset < bytes.size()) {
        layout.serialTypes.reserve(std::min(count, bytes.size() - offset));
    }
    std::size_t position = offset;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t type = 0;
        const std::size_t length = view.varint(position, type);
        if (length == 0 || type == 10 || type == 11) {
            return platform::kStatusCorrupt;
        }
        layout.serialTypes.push_back(type);
        position += length;
    }
    layout.contentStart = position;
    std::uint64_t content = 0;
    if (!contentLengthOf(layout.serialTypes, content)) {
        return platform::kStatusCorrupt;
    }
    const std::size_t typeBytes = position - offset;
    layout.contentLength = content;
    layout.recordSize = varintLength(typeBytes + 1) + typeBytes + content;
    return platform::kStatusOk;
}

int decodeRecordValues(const std::vector<std::uint64_t>& types,
                       std::span<const std::uint8_t> content,
                       TextEncoding encoding,
                       const std::vector<bool>& decode,
                       std::vector<Value>& values)
{
    values.resize(types.size());
    std::size_t position = 0;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::uint64_t type = types[i];
        const std::uint64_t length = serialTypeContentLength(type);
        if (type == 10 || type == 11 || length > content.size() - position) {
            return platform::kStatusCorrupt;
        }
        Value& value = values[i];
        if (decode.empty() || (i < decode.size() && decode[i])) {
            const int status = decodeValue(
                type, content.subspan(position, static_cast<std::size_t>(length)), encoding, value);
            if (status != platform::kStatusOk) {
                return status;
            }
        } else {
            value.kind = ValueKind::Null;
            value.serialType = type;
            value.integer = 0;
            value.real = 0.0;
            value.bytes.clear();
        }
        position += static_cast<std::size_t>(length);
    }
    return platform::kStatusOk;
}

int decodeRecordValues(const std::vector<std::uint64_t>& types,
                       std::span<const std::uint8_t> content,
                       TextEncoding encoding,
                       std::vector<Value>& values)
{
    return decodeRecordValues(types, content, encoding, {}, values);
}

} // namespace sqlitecarve
