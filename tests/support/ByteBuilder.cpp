// Byte strings for tests.
#include "support/ByteBuilder.h"

#include <algorithm>

namespace testsupport {

ByteBuilder& ByteBuilder::bigEndian(std::uint64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    return *this;
}

ByteBuilder& ByteBuilder::littleEndian(std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i) {
        m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    return *this;
}

ByteBuilder& ByteBuilder::u8(std::uint8_t value)
{
    m_bytes.push_back(value);
    return *this;
}

ByteBuilder& ByteBuilder::u16be(std::uint16_t value)
{
    return bigEndian(value, 2);
}

ByteBuilder& ByteBuilder::u32be(std::uint32_t value)
{
    return bigEndian(value, 4);
}

ByteBuilder& ByteBuilder::u64be(std::uint64_t value)
{
    return bigEndian(value, 8);
}

ByteBuilder& ByteBuilder::u16le(std::uint16_t value)
{
    return littleEndian(value, 2);
}

ByteBuilder& ByteBuilder::u32le(std::uint32_t value)
{
    return littleEndian(value, 4);
}

ByteBuilder& ByteBuilder::u64le(std::uint64_t value)
{
    return littleEndian(value, 8);
}

ByteBuilder& ByteBuilder::varint(std::uint64_t value)
{
    if (value > 0x00ffffffffffffffULL) {
        // Eight bytes of seven bits, then a ninth of eight.
        for (int i = 0; i < 8; ++i) {
            m_bytes.push_back(static_cast<std::uint8_t>(0x80 | ((value >> (57 - 7 * i)) & 0x7f)));
        }
        m_bytes.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    std::uint8_t groups[8];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7f);
        value >>= 7;
    } while (value != 0);
    for (int i = count - 1; i >= 0; --i) {
        m_bytes.push_back(static_cast<std::uint8_t>(groups[i] | (i > 0 ? 0x80 : 0)));
    }
    return *this;
}

ByteBuilder& ByteBuilder::bytes(std::initializer_list<std::uint8_t> values)
{
    m_bytes.insert(m_bytes.end(), values.begin(), values.end());
    return *this;
}

ByteBuilder& ByteBuilder::bytes(std::span<const std::uint8_t> values)
{
    m_bytes.insert(m_bytes.end(), values.begin(), values.end());
    return *this;
}

ByteBuilder& ByteBuilder::text(std::string_view value)
{
    m_bytes.insert(m_bytes.end(), value.begin(), value.end());
    return *this;
}

ByteBuilder& ByteBuilder::fill(std::size_t count, std::uint8_t value)
{
    m_bytes.insert(m_bytes.end(), count, value);
    return *this;
}

ByteBuilder& ByteBuilder::patch(std::size_t offset, std::span<const std::uint8_t> values)
{
    if (m_bytes.size() < offset + values.size()) {
        m_bytes.resize(offset + values.size(), 0);
    }
    std::copy(values.begin(), values.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
}

ByteBuilder& ByteBuilder::patch(std::size_t offset, std::initializer_list<std::uint8_t> values)
{
    return patch(offset, std::span<const std::uint8_t>(values.begin(), values.size()));
}

ByteBuilder& ByteBuilder::truncate(std::size_t size)
{
    m_bytes.resize(std::min(size, m_bytes.size()));
    return *this;
}

ByteBuilder& ByteBuilder::patchU16be(std::size_t offset, std::uint16_t value)
{
    return patch(offset, ByteBuilder().u16be(value).data());
}

ByteBuilder& ByteBuilder::patchU32be(std::size_t offset, std::uint32_t value)
{
    return patch(offset, ByteBuilder().u32be(value).data());
}

} // namespace testsupport
