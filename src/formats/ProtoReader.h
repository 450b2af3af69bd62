// A bounds-checked reader of protobuf wire data, for the note store's documents: fields are
// read one after another, a length-delimited field is handed out as a view into the buffer
// (never copied), and any field that would leave the buffer stops the reader and marks it
// failed. Groups (wire types 3 and 4) and unknown wire types count as damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace formats {

// One field of a protobuf message: its number and wire type, and its value (the integer of a
// varint or fixed field, the bytes of a length-delimited one).
struct ProtoField
{
    std::uint64_t number = 0;
    std::uint32_t wireType = 0;
    std::uint64_t integer = 0;
    std::string_view bytes;
};

inline constexpr std::uint32_t kWireVarint = 0;
inline constexpr std::uint32_t kWireBytes = 2;

class ProtoReader
{
public:
    explicit ProtoReader(std::string_view data)
        : m_data(data)
    {}

    // Reads the next field into `field`; false at the end of the message or on damage (then
    // failed() is true).
    bool next(ProtoField& field);

    [[nodiscard]] bool failed() const { return m_failed; }

private:
    bool readVarint(std::uint64_t& value);
    bool readFixed(std::size_t size, std::uint64_t& value);
    bool readBytes(std::string_view& bytes);

    std::string_view m_data;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

// Sets `found` to the bytes of the first length-delimited field `number` of `message` (nullopt
// when absent). Returns false when the message is damaged anywhere.
bool protoSubmessage(std::string_view message,
                     std::uint64_t number,
                     std::optional<std::string_view>& found);

} // namespace formats
