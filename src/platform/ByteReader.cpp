// Bounds-checked byte decoding.
#include "ByteReader.h"

namespace platform {

namespace {

// Big-endian integer of `width` bytes at `bytes`; uintBe has checked the length.
std::uint64_t loadBe(const std::uint8_t* bytes, std::size_t width)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

} // namespace

bool ByteReader::seek(std::size_t offset)
{
    if (offset > m_bytes.size()) {
        return fail();
    }
    m_position = offset;
    return true;
}

bool ByteReader::skip(std::size_t count)
{
    if (count > remaining()) {
        return fail();
    }
    m_position += count;
    return true;
}

bool ByteReader::uintBe(std::size_t width, std::uint64_t& value)
{
    if (width == 0 || width > 8 || width > remaining()) {
        return fail();
    }
    value = loadBe(m_bytes.data() + m_position, width);
    m_position += width;
    return true;
}

bool ByteReader::u8(std::uint8_t& value)
{
    std::uint64_t wide = 0;
    if (!uintBe(1, wide)) {
        return false;
    }
    value = static_cast<std::uint8_t>(wide);
    return true;
}

bool ByteReader::u16be(std::uint16_t& value)
{
    std::uint64_t wide = 0;
    if (!uintBe(2, wide)) {
        return false;
    }
    value = static_cast<std::uint16_t>(wide);
    return true;
}

bool ByteReader::u32be(std::uint32_t& value)
{
    std::uint64_t wide = 0;
    if (!uintBe(4, wide)) {
        return false;
    }
    value = static_cast<std::uint32_t>(wide);
    return true;
}

bool ByteReader::u64be(std::uint64_t& value)
{
    return uintBe(8, value);
}

bool ByteReader::u16le(std::uint16_t& value)
{
    std::span<const std::uint8_t> raw;
    if (!bytes(2, raw)) {
        return false;
    }
    value = static_cast<std::uint16_t>(raw[0] | (raw[1] << 8));
    return true;
}

bool ByteReader::u32le(std::uint32_t& value)
{
    std::span<const std::uint8_t> raw;
    if (!bytes(4, raw)) {
        return false;
    }
    value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | raw[static_cast<std::size_t>(i)];
    }
    return true;
}

bool ByteReader::u64le(std::uint64_t& value)
{
    std::span<const std::uint8_t> raw;
    if (!bytes(8, raw)) {
        return false;
    }
    value = 0;
    for (int i = 7; i >= 0; --i) {
        value = (value << 8) | raw[static_cast<std::size_t>(i)];
    }
    return true;
}

bool ByteReader::bytes(std::size_t count, std::span<const std::uint8_t>& out)
{
    if (count > remaining()) {
        return fail();
    }
    out = m_bytes.subspan(m_position, count);
    m_position += count;
    return true;
}

bool ByteReader::text(std::size_t count, std::string_view& out)
{
    std::span<const std::uint8_t> raw;
    if (!bytes(count, raw)) {
        return false;
    }
    out = std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size());
    return true;
}

} // namespace platform
