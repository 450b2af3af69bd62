// Bounds-checked decoding of bytes read from hostile files. Every read either succeeds within
// the span or fails, leaves the position unchanged and marks the reader failed; no read ever
// leaves the span. Layouts are described by offsets, never by packed structs. For reads at
// arbitrary offsets, see ByteView.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

class ByteReader
{
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {}

    std::size_t position() const { return m_position; }

    std::size_t remaining() const { return m_bytes.size() - m_position; }

    std::size_t size() const { return m_bytes.size(); }

    bool atEnd() const { return m_position >= m_bytes.size(); }

    // False once any read has failed.
    bool ok() const { return m_ok; }

    // Moves to `offset`; fails beyond the end.
    bool seek(std::size_t offset);
    bool skip(std::size_t count);

    bool u8(std::uint8_t& value);
    bool u16be(std::uint16_t& value);
    bool u32be(std::uint32_t& value);
    bool u64be(std::uint64_t& value);
    bool u16le(std::uint16_t& value);
    bool u32le(std::uint32_t& value);
    bool u64le(std::uint64_t& value);
    // A big-endian unsigned integer of `width` bytes (1–8).
    bool uintBe(std::size_t width, std::uint64_t& value);
    // The next `count` bytes as a view into the span.
    bool bytes(std::size_t count, std::span<const std::uint8_t>& out);
    bool text(std::size_t count, std::string_view& out);

private:
    bool fail()
    {
        m_ok = false;
        return false;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
    bool m_ok = true;
};

} // namespace platform
