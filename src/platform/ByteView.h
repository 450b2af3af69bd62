// Bounds-checked random access to a span of bytes read from a hostile file: fixed-width
// integers of either byte order and SQLite varints at any offset. Every read either lies wholly
// inside the span and succeeds, or fails and leaves its output unchanged, so a value read from
// outside a page can never pass for a zero (which in a chain of pages or blocks means "end").
// For sequential decoding with a position, see ByteReader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

class ByteView
{
public:
    // A view of `bytes`, which must outlive it.
    explicit ByteView(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {}

    // Whether `count` bytes from `offset` lie inside the span (no overflow in the sum).
    bool contains(std::size_t offset, std::size_t count) const
    {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }

    // Each reads the value at `offset`; false when it does not lie wholly inside the span.
    [[nodiscard]] bool u8(std::size_t offset, std::uint8_t& value) const;
    [[nodiscard]] bool u16be(std::size_t offset, std::uint16_t& value) const;
    [[nodiscard]] bool u32be(std::size_t offset, std::uint32_t& value) const;
    [[nodiscard]] bool u64be(std::size_t offset, std::uint64_t& value) const;
    [[nodiscard]] bool u16le(std::size_t offset, std::uint16_t& value) const;
    [[nodiscard]] bool u32le(std::size_t offset, std::uint32_t& value) const;
    [[nodiscard]] bool u64le(std::size_t offset, std::uint64_t& value) const;
    // A big-endian unsigned integer of `width` bytes (1–8); false for other widths too.
    [[nodiscard]] bool uintBe(std::size_t offset, std::size_t width, std::uint64_t& value) const;
    // `count` bytes from `offset` as a view into the span.
    [[nodiscard]] bool
    sub(std::size_t offset, std::size_t count, std::span<const std::uint8_t>& out) const;

    // The SQLite varint at `offset`: up to eight bytes give their low seven bits while their
    // top bit is set, a ninth gives all eight. Returns the bytes it takes (1–9), or 0 when it
    // does not end inside the span. Defined here so that readers of records, a few varints per
    // cell, have it inline.
    [[nodiscard]] std::size_t varint(std::size_t offset, std::uint64_t& value) const
    {
        std::uint64_t result = 0;
        for (std::size_t i = 0; i < 9; ++i) {
            if (!contains(offset, i + 1)) {
                return 0;
            }
            const std::uint8_t byte = m_bytes[offset + i];
            if (i == 8) {
                value = (result << 8) | byte;
                return 9;
            }
            result = (result << 7) | (byte & 0x7fU);
            if ((byte & 0x80U) == 0) {
                value = result;
                return i + 1;
            }
        }
        return 0;
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace platform
