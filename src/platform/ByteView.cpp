// Bounds-checked random access to bytes.
#include "ByteView.h"

namespace platform {

namespace {

template <typename T>
bool loadLittle(std::span<const std::uint8_t> bytes, std::size_t offset, T& value)
{
    if (offset > bytes.size() || sizeof(T) > bytes.size() - offset) {
        return false;
    }
    T result = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) {
        result = static_cast<T>((result << 8) | bytes[offset + i]);
    }
    value = result;
    return true;
}

} // namespace

bool ByteView::uintBe(std::size_t offset, std::size_t width, std::uint64_t& value) const
{
    if (width == 0 || width > 8 || !contains(offset, width)) {
        return false;
    }
    std::uint64_t result = 0;
    for (std::size_t i = 0; i < width; ++i) {
        result = (result << 8) | m_bytes[offset + i];
    }
    value = result;
    return true;
}

bool ByteView::u8(std::size_t offset, std::uint8_t& value) const
{
    if (!contains(offset, 1)) {
        return false;
    }
    value = m_bytes[offset];
    return true;
}

bool ByteView::u16be(std::size_t offset, std::uint16_t& value) const
{
    std::uint64_t wide = 0;
    if (!uintBe(offset, 2, wide)) {
        return false;
    }
    value = static_cast<std::uint16_t>(wide);
    return true;
}

bool ByteView::u32be(std::size_t offset, std::uint32_t& value) const
{
    std::uint64_t wide = 0;
    if (!uintBe(offset, 4, wide)) {
        return false;
    }
    value = static_cast<std::uint32_t>(wide);
    return true;
}

bool ByteView::u64be(std::size_t offset, std::uint64_t& value) const
{
    return uintBe(offset, 8, value);
}

bool ByteView::u16le(std::size_t offset, std::uint16_t& value) const
{
    return loadLittle(m_bytes, offset, value);
}

bool ByteView::u32le(std::size_t offset, std::uint32_t& value) const
{
    return loadLittle(m_bytes, offset, value);
}

bool ByteView::u64le(std::size_t offset, std::uint64_t& value) const
{
    return loadLittle(m_bytes, offset, value);
}

bool ByteView::sub(std::size_t offset, std::size_t count, std::span<const std::uint8_t>& out) const
{
    if (!contains(offset, count)) {
        return false;
    }
    out = m_bytes.subspan(offset, count);
    return true;
}

} // namespace platform
