// The protobuf wire reader.
#include "formats/ProtoReader.h"

namespace formats {

bool ProtoReader::next(ProtoField& field)
{
    std::uint64_t key = 0;
    if (m_pos >= m_data.size() || !readVarint(key)) {
        return false;
    }
    field = ProtoField{key >> 3, static_cast<std::uint32_t>(key & 7), 0, {}};
    switch (field.wireType) {
    case kWireVarint:
        return readVarint(field.integer);
    case 1:
        return readFixed(8, field.integer);
    case 5:
        return readFixed(4, field.integer);
    case kWireBytes:
        return readBytes(field.bytes);
    default:
        m_failed = true;
        return false;
    }
}

bool ProtoReader::readVarint(std::uint64_t& value)
{
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (m_pos >= m_data.size()) {
            break;
        }
        const auto byte = static_cast<std::uint8_t>(m_data[m_pos++]);
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    m_failed = true;
    return false;
}

bool ProtoReader::readFixed(std::size_t size, std::uint64_t& value)
{
    if (m_data.size() - m_pos < size) {
        m_failed = true;
        return false;
    }
    value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(m_data[m_pos + i]))
                 << (8 * i);
    }
    m_pos += size;
    return true;
}

bool ProtoReader::readBytes(std::string_view& bytes)
{
    std::uint64_t length = 0;
    if (!readVarint(length)) {
        return false;
    }
    if (length > m_data.size() - m_pos) {
        m_failed = true;
        return false;
    }
    bytes = m_data.substr(m_pos, static_cast<std::size_t>(length));
    m_pos += static_cast<std::size_t>(length);
    return true;
}

bool protoSubmessage(std::string_view message,
                     std::uint64_t number,
                     std::optional<std::string_view>& found)
{
    ProtoReader reader(message);
    found.reset();
    ProtoField field;
    while (reader.next(field)) {
        if (!found && field.number == number && field.wireType == kWireBytes) {
            found = field.bytes;
        }
    }
    return !reader.failed();
}

} // namespace formats
