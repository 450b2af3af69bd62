// The attributedBody reader: a strict walk of the archive up to the string's end marker, and
// the search used on blobs that walk cannot read.
#include "Typedstream.h"

#include "platform/ByteReader.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <string_view>
#include <vector>

namespace formats {

namespace {

constexpr std::uint8_t kStreamerVersion = 4;
constexpr std::string_view kSignature = "streamtyped";
constexpr std::string_view kBigEndianSignature = "typedstream";
constexpr std::int64_t kSystemVersion = 1000;

constexpr std::uint8_t kFirstTag = 0x80;
constexpr std::uint8_t kTagInteger2 = 0x81;
constexpr std::uint8_t kTagInteger4 = 0x82;
constexpr std::uint8_t kTagNew = 0x84;
constexpr std::uint8_t kTagNil = 0x85;
constexpr std::uint8_t kTagEnd = 0x86;
constexpr std::uint8_t kLastTag = 0x91;
// A reference's integer value plus this is the index of its entry in its table.
constexpr std::int64_t kReferenceBias = 110;
constexpr std::size_t kNoClass = static_cast<std::size_t>(-1);

// The class name "NSString" written new (length, then the name), and the byte-string type
// "+" written new: the search for the text in a damaged blob looks for these in turn.
constexpr std::string_view kStringClassName = "\x08NSString";
constexpr std::string_view kByteStringType = "\x84\x01+";
// The end of the string object followed by the next new value.
constexpr std::string_view kEndThenNew = "\x86\x84";

std::string_view asText(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

int readHead(platform::ByteReader& reader, std::uint8_t& head)
{
    return reader.u8(head) ? platform::kStatusOk : platform::kStatusTruncated;
}

// The integer whose head byte `head` was just read; `isSigned` says how a one-byte value and
// the multi-byte forms read.
int readInteger(platform::ByteReader& reader, std::uint8_t head, bool isSigned, std::int64_t& value)
{
    if (head < kFirstTag || head > kLastTag) {
        value = isSigned ? static_cast<std::int8_t>(head) : head;
        return platform::kStatusOk;
    }
    if (head == kTagInteger2) {
        std::uint16_t raw = 0;
        if (!reader.u16le(raw)) {
            return platform::kStatusTruncated;
        }
        value = isSigned ? static_cast<std::int16_t>(raw) : raw;
        return platform::kStatusOk;
    }
    if (head == kTagInteger4) {
        std::uint32_t raw = 0;
        if (!reader.u32le(raw)) {
            return platform::kStatusTruncated;
        }
        value = isSigned ? static_cast<std::int32_t>(raw) : raw;
        return platform::kStatusOk;
    }
    return platform::kStatusCorrupt;
}

int readNextInteger(platform::ByteReader& reader, bool isSigned, std::int64_t& value)
{
    std::uint8_t head = 0;
    const int status = readHead(reader, head);
    return status != platform::kStatusOk ? status : readInteger(reader, head, isSigned, value);
}

// Drops the last character when the text was cut inside its bytes.
std::string_view withoutCutCharacter(std::string_view text)
{
    for (std::size_t lead = text.size(); lead > 0 && text.size() - lead < 4;) {
        --lead;
        const auto byte = static_cast<std::uint8_t>(text[lead]);
        if ((byte & 0xC0) != 0x80) {
            const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return text.size() - lead < length ? text.substr(0, lead) : text;
        }
    }
    return text;
}

// One entry of the object table: an object, or a class with its name and superclass.
struct ArchivedObject
{
    bool isClass = false;
    // False while the class chain that brings the class is still being read.
    bool complete = false;
    std::string_view name;
    std::size_t superclass = kNoClass;
};

// Reads the archive in order, keeping both reference tables.
class ArchiveReader
{
public:
    explicit ArchiveReader(std::span<const std::uint8_t> blob)
        : m_reader(blob)
    {}

    int readHeader();
    // Reads a type-encoding string; kStatusUnsupported when it is not `expected`.
    int expectType(std::string_view expected);
    // Reads a new object's start and class chain; kStatusUnsupported when its class does not
    // descend from `ancestor`.
    int readObjectStart(std::string_view ancestor);
    // Reads a byte string and the end marker of the object that holds it.
    int readByteStringAndEnd(std::span<const std::uint8_t>& bytes);

private:
    int readByteString(std::span<const std::uint8_t>& bytes);
    int readSharedString(std::string_view& value);
    int readReference(std::uint8_t head, std::size_t tableSize, std::size_t& index);
    int readClassChain(std::size_t& classIndex);
    int readClassReference(std::uint8_t head, std::size_t& classIndex);
    bool descendsFrom(std::size_t classIndex, std::string_view ancestor) const;

    platform::ByteReader m_reader;
    std::vector<std::string_view> m_strings;
    std::vector<ArchivedObject> m_objects;
};

int ArchiveReader::readHeader()
{
    std::uint8_t version = 0;
    std::uint8_t signatureLength = 0;
    if (!m_reader.u8(version) || !m_reader.u8(signatureLength)) {
        return platform::kStatusTruncated;
    }
    std::string_view signature;
    if (signatureLength != kSignature.size()) {
        return platform::kStatusCorrupt;
    }
    if (!m_reader.text(signatureLength, signature)) {
        return platform::kStatusTruncated;
    }
    if (signature != kSignature && signature != kBigEndianSignature) {
        return platform::kStatusCorrupt;
    }
    if (signature != kSignature || version != kStreamerVersion) {
        return platform::kStatusUnsupported;
    }
    std::int64_t systemVersion = 0;
    if (const int status = readNextInteger(m_reader, false, systemVersion);
        status != platform::kStatusOk) {
        return status;
    }
    return systemVersion == kSystemVersion ? platform::kStatusOk : platform::kStatusUnsupported;
}

int ArchiveReader::expectType(std::string_view expected)
{
    std::string_view type;
    const int status = readSharedString(type);
    if (status != platform::kStatusOk) {
        return status;
    }
    return type == expected ? platform::kStatusOk : platform::kStatusUnsupported;
}

int ArchiveReader::readObjectStart(std::string_view ancestor)
{
    std::uint8_t head = 0;
    if (const int status = readHead(m_reader, head); status != platform::kStatusOk) {
        return status;
    }
    // The attributed string and its string are the first objects of the archive, so they are
    // never nil and never a reference to an object read before.
    if (head != kTagNew) {
        return platform::kStatusCorrupt;
    }
    m_objects.push_back({});
    std::size_t classIndex = kNoClass;
    if (const int status = readClassChain(classIndex); status != platform::kStatusOk) {
        return status;
    }
    return descendsFrom(classIndex, ancestor) ? platform::kStatusOk : platform::kStatusUnsupported;
}

int ArchiveReader::readByteStringAndEnd(std::span<const std::uint8_t>& bytes)
{
    std::uint8_t end = 0;
    int status = readByteString(bytes);
    if (status == platform::kStatusOk) {
        status = readHead(m_reader, end);
    }
    if (status == platform::kStatusOk && end != kTagEnd) {
        status = platform::kStatusCorrupt;
    }
    return status;
}

int ArchiveReader::readByteString(std::span<const std::uint8_t>& bytes)
{
    std::uint8_t head = 0;
    std::int64_t length = 0;
    int status = readHead(m_reader, head);
    if (status == platform::kStatusOk && head == kTagNil) {
        status = platform::kStatusCorrupt;
    }
    if (status == platform::kStatusOk) {
        status = readInteger(m_reader, head, false, length);
    }
    if (status == platform::kStatusOk && !m_reader.bytes(static_cast<std::size_t>(length), bytes)) {
        status = platform::kStatusTruncated;
    }
    return status;
}

int ArchiveReader::readSharedString(std::string_view& value)
{
    std::uint8_t head = 0;
    if (const int status = readHead(m_reader, head); status != platform::kStatusOk) {
        return status;
    }
    if (head == kTagNew) {
        std::span<const std::uint8_t> bytes;
        const int status = readByteString(bytes);
        if (status == platform::kStatusOk) {
            value = asText(bytes);
            m_strings.push_back(value);
        }
        return status;
    }
    if (head == kTagNil) {
        return platform::kStatusCorrupt;
    }
    std::size_t index = 0;
    const int status = readReference(head, m_strings.size(), index);
    if (status == platform::kStatusOk) {
        value = m_strings[index];
    }
    return status;
}

int ArchiveReader::readReference(std::uint8_t head, std::size_t tableSize, std::size_t& index)
{
    std::int64_t value = 0;
    if (const int status = readInteger(m_reader, head, true, value);
        status != platform::kStatusOk) {
        return status;
    }
    const std::int64_t at = value + kReferenceBias;
    if (at < 0 || static_cast<std::uint64_t>(at) >= tableSize) {
        return platform::kStatusCorrupt;
    }
    index = static_cast<std::size_t>(at);
    return platform::kStatusOk;
}

// A chain of new classes, each followed by its superclass, ends at nil (a root class) or at a
// reference to a class read before. Returns the first class of the chain in `classIndex`.
int ArchiveReader::readClassChain(std::size_t& classIndex)
{
    const std::size_t first = m_objects.size();
    std::uint8_t head = 0;
    int status = readHead(m_reader, head);
    while (status == platform::kStatusOk && head == kTagNew) {
        std::string_view name;
        std::int64_t version = 0;
        status = readSharedString(name);
        if (status == platform::kStatusOk) {
            status = readNextInteger(m_reader, true, version);
        }
        if (status == platform::kStatusOk) {
            if (m_objects.size() > first) {
                m_objects.back().superclass = m_objects.size();
            }
            m_objects.push_back({true, false, name, kNoClass});
            status = readHead(m_reader, head);
        }
    }
    std::size_t last = kNoClass;
    if (status == platform::kStatusOk && head != kTagNil) {
        status = readClassReference(head, last);
    }
    if (status != platform::kStatusOk) {
        return status;
    }
    if (m_objects.size() == first) {
        classIndex = last;
        return last == kNoClass ? platform::kStatusCorrupt : platform::kStatusOk;
    }
    m_objects.back().superclass = last;
    for (std::size_t i = first; i < m_objects.size(); ++i) {
        m_objects[i].complete = true;
    }
    classIndex = first;
    return platform::kStatusOk;
}

int ArchiveReader::readClassReference(std::uint8_t head, std::size_t& classIndex)
{
    const int status = readReference(head, m_objects.size(), classIndex);
    if (status != platform::kStatusOk) {
        return status;
    }
    if (!m_objects[classIndex].isClass) {
        return platform::kStatusCorrupt;
    }
    // A class still being read would make its own chain a loop.
    return m_objects[classIndex].complete ? platform::kStatusOk : platform::kStatusCycle;
}

// Superclass links only lead to later classes of the same chain or to complete classes, so
// the walk ends.
bool ArchiveReader::descendsFrom(std::size_t classIndex, std::string_view ancestor) const
{
    for (std::size_t at = classIndex; at != kNoClass; at = m_objects[at].superclass) {
        if (m_objects[at].name == ancestor) {
            return true;
        }
    }
    return false;
}

// The text after the first "NSString" class name and "+" type, for archives the strict walk
// cannot read: a damaged header or class chain, a wrong length, a blob cut short.
int scanAttributedBodyText(std::span<const std::uint8_t> blob, std::string& text)
{
    const std::string_view all = asText(blob);
    const std::size_t name = all.find(kStringClassName);
    const std::size_t type = name == std::string_view::npos
                                 ? std::string_view::npos
                                 : all.find(kByteStringType, name + kStringClassName.size());
    if (type == std::string_view::npos) {
        return platform::kStatusCorrupt;
    }
    const std::size_t lengthAt = type + kByteStringType.size();
    platform::ByteReader reader(blob.subspan(lengthAt));
    std::int64_t length = 0;
    if (const int status = readNextInteger(reader, false, length); status != platform::kStatusOk) {
        return status;
    }
    const std::string_view rest = all.substr(lengthAt + reader.position());
    const auto declared = static_cast<std::uint64_t>(length);
    std::string_view found;
    if (declared < rest.size() && static_cast<std::uint8_t>(rest[declared]) == kTagEnd) {
        found = rest.substr(0, declared);
    } else {
        found = withoutCutCharacter(rest.substr(0, rest.find(kEndThenNew)));
    }
    if (!platform::isValidUtf8(found)) {
        return platform::kStatusCorrupt;
    }
    text.assign(found);
    return platform::kStatusOk;
}

} // namespace

int decodeAttributedBodyText(std::span<const std::uint8_t> blob, std::string& text)
{
    ArchiveReader reader(blob);
    std::span<const std::uint8_t> bytes;
    int status = reader.readHeader();
    if (status == platform::kStatusOk) {
        status = reader.expectType("@");
    }
    if (status == platform::kStatusOk) {
        status = reader.readObjectStart("NSAttributedString");
    }
    if (status == platform::kStatusOk) {
        status = reader.expectType("@");
    }
    if (status == platform::kStatusOk) {
        status = reader.readObjectStart("NSString");
    }
    if (status == platform::kStatusOk) {
        status = reader.expectType("+");
    }
    if (status == platform::kStatusOk) {
        status = reader.readByteStringAndEnd(bytes);
    }
    if (status == platform::kStatusOk && !platform::isValidUtf8(asText(bytes))) {
        status = platform::kStatusCorrupt;
    }
    if (status == platform::kStatusOk) {
        text.assign(asText(bytes));
    }
    return status;
}

int readAttributedBodyText(std::span<const std::uint8_t> blob,
                           std::string& text,
                           BodyTextOrigin& origin)
{
    const int status = decodeAttributedBodyText(blob, text);
    if (status == platform::kStatusOk) {
        origin = BodyTextOrigin::Archive;
        return status;
    }
    if (scanAttributedBodyText(blob, text) == platform::kStatusOk) {
        origin = BodyTextOrigin::Scan;
        return platform::kStatusOk;
    }
    return status;
}

} // namespace formats
