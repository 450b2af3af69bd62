// Note bodies: bounded inflate and a bounds-checked protobuf walk.
#include "formats/NoteBody.h"

#include "platform/Status.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <vector>
#include <zlib.h>

namespace formats {

namespace {

constexpr std::size_t kInflateChunk = 64 * 1024;
constexpr std::int64_t kStyleDotted = 100;
constexpr std::int64_t kStyleDashed = 101;
constexpr std::int64_t kStyleNumbered = 102;
constexpr std::int64_t kStyleChecklist = 103;
constexpr std::int64_t kMaxIndent = 8;
constexpr std::string_view kObjectMark = "\xEF\xBF\xBC";

bool hasCompressionMagic(std::span<const std::uint8_t> blob)
{
    if (blob.size() < 2) {
        return false;
    }
    const bool gzip = blob[0] == 0x1F && blob[1] == 0x8B;
    const bool zlib = (blob[0] & 0x0F) == 8 && (blob[0] * 256 + blob[1]) % 31 == 0;
    return gzip || zlib;
}

// One field of a protobuf message: its number and wire type, and its value (the integer of a
// varint or fixed field, the bytes of a length-delimited one).
struct Field
{
    std::uint64_t number = 0;
    std::uint32_t wireType = 0;
    std::uint64_t integer = 0;
    std::string_view bytes;
};

// Reads the fields of one message in order; `failed` is set when a field leaves the buffer.
class ProtoReader
{
public:
    explicit ProtoReader(std::string_view data)
        : data_(data)
    {}

    // Reads the next field into `field`; false at the end or on damage (then failed()).
    bool next(Field& field)
    {
        std::uint64_t key = 0;
        if (pos_ >= data_.size() || !readVarint(key)) {
            return false;
        }
        field = Field{key >> 3, static_cast<std::uint32_t>(key & 7), 0, {}};
        switch (field.wireType) {
        case 0:
            return readVarint(field.integer);
        case 1:
            return readFixed(8, field.integer);
        case 5:
            return readFixed(4, field.integer);
        case 2:
            return readBytes(field.bytes);
        default:
            failed_ = true;
            return false;
        }
    }

    [[nodiscard]] bool failed() const { return failed_; }

private:
    bool readVarint(std::uint64_t& value)
    {
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (pos_ >= data_.size()) {
                break;
            }
            const auto byte = static_cast<std::uint8_t>(data_[pos_++]);
            value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) {
                return true;
            }
        }
        failed_ = true;
        return false;
    }

    bool readFixed(std::size_t size, std::uint64_t& value)
    {
        if (data_.size() - pos_ < size) {
            failed_ = true;
            return false;
        }
        value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(data_[pos_ + i]))
                     << (8 * i);
        }
        pos_ += size;
        return true;
    }

    bool readBytes(std::string_view& bytes)
    {
        std::uint64_t length = 0;
        if (!readVarint(length)) {
            return false;
        }
        if (length > data_.size() - pos_) {
            failed_ = true;
            return false;
        }
        bytes = data_.substr(pos_, static_cast<std::size_t>(length));
        pos_ += static_cast<std::size_t>(length);
        return true;
    }

    std::string_view data_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Sets `found` to the bytes of the first length-delimited field `number` of `message` (nullopt
// when absent). Returns false when the message is damaged anywhere.
bool submessage(std::string_view message,
                std::uint64_t number,
                std::optional<std::string_view>& found)
{
    ProtoReader reader(message);
    found.reset();
    Field field;
    while (reader.next(field)) {
        if (!found && field.number == number && field.wireType == 2) {
            found = field.bytes;
        }
    }
    return !reader.failed();
}

// How a paragraph is shown.
struct ParagraphStyle
{
    std::int64_t kind = -1;
    std::int64_t indent = 0;
    bool done = false;
};

// One attribute run: how many UTF-16 units it covers and its paragraph style.
struct Run
{
    std::uint64_t units = 0;
    ParagraphStyle style;
};

bool readChecklistDone(std::string_view bytes, bool& done)
{
    ProtoReader reader(bytes);
    Field field;
    while (reader.next(field)) {
        if (field.number == 2 && field.wireType == 0) {
            done = field.integer != 0;
        }
    }
    return !reader.failed();
}

bool readStyle(std::string_view bytes, ParagraphStyle& style)
{
    ProtoReader reader(bytes);
    Field field;
    bool ok = true;
    while (ok && reader.next(field)) {
        if (field.number == 1 && field.wireType == 0) {
            style.kind = static_cast<std::int64_t>(field.integer);
        } else if (field.number == 4 && field.wireType == 0) {
            style.indent =
                std::clamp<std::int64_t>(static_cast<std::int64_t>(field.integer), 0, kMaxIndent);
        } else if (field.number == 5 && field.wireType == 2) {
            ok = readChecklistDone(field.bytes, style.done);
        }
    }
    return ok && !reader.failed();
}

bool readRun(std::string_view bytes, Run& run)
{
    ProtoReader reader(bytes);
    Field field;
    bool ok = true;
    while (ok && reader.next(field)) {
        if (field.number == 1 && field.wireType == 0) {
            run.units = field.integer;
        } else if (field.number == 2 && field.wireType == 2) {
            ok = readStyle(field.bytes, run.style);
        }
    }
    return ok && !reader.failed();
}

// The note's text and runs; false when the note message is damaged.
bool readNote(std::string_view note, std::string_view& text, std::vector<Run>& runs)
{
    ProtoReader reader(note);
    Field field;
    bool ok = true;
    while (ok && reader.next(field)) {
        if (field.number == 2 && field.wireType == 2) {
            text = field.bytes;
        } else if (field.number == 5 && field.wireType == 2) {
            Run run;
            ok = readRun(field.bytes, run);
            runs.push_back(run);
        }
    }
    return ok && !reader.failed();
}

// UTF-16 units of the code point whose UTF-8 lead byte is `lead` (0 for a continuation byte).
std::uint64_t utf16Units(std::uint8_t lead)
{
    if ((lead & 0xC0) == 0x80) {
        return 0;
    }
    return lead >= 0xF0 ? 2 : 1;
}

// Finds the style of the paragraph starting at UTF-16 offset `unit`; runs are walked forward
// only, `runIndex` and `runEnd` keep the position between calls.
ParagraphStyle styleAt(const std::vector<Run>& runs,
                       std::uint64_t unit,
                       std::size_t& runIndex,
                       std::uint64_t& runEnd)
{
    while (runIndex < runs.size() && runEnd + runs[runIndex].units <= unit) {
        runEnd += runs[runIndex].units;
        ++runIndex;
    }
    return runIndex < runs.size() ? runs[runIndex].style : ParagraphStyle{};
}

// The prefix of a paragraph of `style`; `numbers` holds the running number of each indent
// level of the current numbered list.
std::string paragraphPrefix(const ParagraphStyle& style, std::vector<int>& numbers)
{
    const bool list = style.kind >= kStyleDotted && style.kind <= kStyleChecklist;
    if (!list) {
        numbers.clear();
        return {};
    }
    const auto level = static_cast<std::size_t>(style.indent);
    std::string prefix(2 * level, ' ');
    if (style.kind == kStyleNumbered) {
        numbers.resize(level + 1, 0);
        prefix += std::to_string(++numbers[level]) + ". ";
        return prefix;
    }
    numbers.resize(std::min(numbers.size(), level));
    if (style.kind == kStyleChecklist) {
        return prefix + (style.done ? "\xE2\x98\x91 " : "\xE2\x98\x90 ");
    }
    return prefix + "\xE2\x80\xA2 ";
}

std::string renderParagraphs(std::string_view text, const std::vector<Run>& runs)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::vector<int> numbers;
    std::size_t runIndex = 0;
    std::uint64_t runEnd = 0;
    std::uint64_t unit = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view paragraph = text.substr(start, end - start);
        const ParagraphStyle style = styleAt(runs, unit, runIndex, runEnd);
        const std::string prefix = paragraphPrefix(style, numbers);
        if (!paragraph.empty()) {
            out += prefix;
        }
        for (std::size_t at = 0; at < paragraph.size();) {
            if (paragraph.substr(at, kObjectMark.size()) == kObjectMark) {
                at += kObjectMark.size();
                ++unit;
                continue;
            }
            unit += utf16Units(static_cast<std::uint8_t>(paragraph[at]));
            out += paragraph[at++];
        }
        if (end == text.size()) {
            break;
        }
        out += '\n';
        ++unit;
        start = end + 1;
    }
    return out;
}

} // namespace

int inflateNoteData(std::span<const std::uint8_t> blob, std::string& document, std::size_t limit)
{
    document.clear();
    if (!hasCompressionMagic(blob) || blob.size() > UINT_MAX) {
        return platform::kStatusUnsupported;
    }
    z_stream stream{};
    if (inflateInit2(&stream, 15 + 32) != Z_OK) {
        return platform::kStatusFailed;
    }
    // zlib's interface is not const-correct; it never writes through next_in.
    stream.next_in = const_cast<Bytef*>(blob.data());
    stream.avail_in = static_cast<uInt>(blob.size());
    std::array<Bytef, kInflateChunk> chunk{};
    int result = Z_OK;
    int status = platform::kStatusOk;
    while (result == Z_OK) {
        stream.next_out = chunk.data();
        stream.avail_out = static_cast<uInt>(chunk.size());
        result = inflate(&stream, Z_NO_FLUSH);
        const std::size_t produced = chunk.size() - stream.avail_out;
        if (document.size() + produced > limit) {
            status = platform::kStatusUnsupported;
            break;
        }
        document.append(reinterpret_cast<const char*>(chunk.data()), produced);
        if (result == Z_BUF_ERROR && stream.avail_in == 0) {
            status = platform::kStatusTruncated;
        } else if (result != Z_OK && result != Z_STREAM_END) {
            status = platform::kStatusCorrupt;
        }
    }
    inflateEnd(&stream);
    if (status != platform::kStatusOk) {
        document.clear();
    }
    return status;
}

int renderNoteDocument(std::string_view document, std::string& text)
{
    text.clear();
    std::optional<std::string_view> body;
    std::optional<std::string_view> note;
    if (!submessage(document, 2, body) || (body && !submessage(*body, 3, note))) {
        return platform::kStatusCorrupt;
    }
    if (!note) {
        return platform::kStatusUnsupported;
    }
    std::string_view noteText;
    std::vector<Run> runs;
    if (!readNote(*note, noteText, runs) || !platform::isValidUtf8(noteText)) {
        return platform::kStatusCorrupt;
    }
    text = renderParagraphs(noteText, runs);
    return platform::kStatusOk;
}

int decodeNoteBody(std::span<const std::uint8_t> blob, std::string& text)
{
    text.clear();
    std::string document;
    if (const int inflated = inflateNoteData(blob, document); inflated != platform::kStatusOk) {
        return inflated;
    }
    return renderNoteDocument(document, text);
}

} // namespace formats
