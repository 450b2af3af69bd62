// Builds byte strings for tests: integers of either byte order, SQLite varints, raw bytes,
// runs of one byte, and patches at an offset, so that hand-made pages, keybags and media
// headers read as their layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class ByteBuilder
{
public:
    ByteBuilder() = default;

    // Starts from `bytes`, to patch or extend them.
    explicit ByteBuilder(std::vector<std::uint8_t> bytes)
        : m_bytes(std::move(bytes))
    {}

    // Each appends its value in the named width and byte order and returns the builder.
    ByteBuilder& u8(std::uint8_t value);
    ByteBuilder& u16be(std::uint16_t value);
    ByteBuilder& u32be(std::uint32_t value);
    ByteBuilder& u64be(std::uint64_t value);
    ByteBuilder& u16le(std::uint16_t value);
    ByteBuilder& u32le(std::uint32_t value);
    ByteBuilder& u64le(std::uint64_t value);
    // `value` as the SQLite varint of the fewest bytes (1–9).
    ByteBuilder& varint(std::uint64_t value);
    // Append the bytes, or the characters, as they are.
    ByteBuilder& bytes(std::initializer_list<std::uint8_t> values);
    ByteBuilder& bytes(std::span<const std::uint8_t> values);
    ByteBuilder& text(std::string_view value);
    // `count` copies of `value`.
    ByteBuilder& fill(std::size_t count, std::uint8_t value = 0);

    // Overwrite bytes from `offset`, growing the buffer with zeros when they reach past it.
    ByteBuilder& patch(std::size_t offset, std::span<const std::uint8_t> values);
    ByteBuilder& patch(std::size_t offset, std::initializer_list<std::uint8_t> values);
    ByteBuilder& patchU16be(std::size_t offset, std::uint16_t value);
    ByteBuilder& patchU32be(std::size_t offset, std::uint32_t value);

    // Cuts the buffer to its first `size` bytes.
    ByteBuilder& truncate(std::size_t size);

    std::size_t size() const { return m_bytes.size(); }

    // The bytes built so far.
    const std::vector<std::uint8_t>& data() const { return m_bytes; }

    // The bytes built, moved out; the builder is left empty.
    std::vector<std::uint8_t> take() { return std::move(m_bytes); }

    // The bytes built as a string, for the helpers that write files from one.
    std::string str() const { return std::string(m_bytes.begin(), m_bytes.end()); }

private:
    ByteBuilder& bigEndian(std::uint64_t value, int width);
    ByteBuilder& littleEndian(std::uint64_t value, int width);

    std::vector<std::uint8_t> m_bytes;
};

} // namespace testsupport
