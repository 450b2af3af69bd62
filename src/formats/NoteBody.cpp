// Note bodies: bounded inflate and a bounds-checked protobuf walk.
#include "formats/NoteBody.h"

#include "formats/ProtoReader.h"
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

// How a paragraph is shown.
struct ParagraphStyle
{
    std::int64_t kind = -1;
    std::int64_t indent = 0;
    bool done = false;
};

// One attribute run: how many UTF-16 units it covers, its paragraph style and, for an
// embedded object's mark, the object's identifier.
struct Run
{
    std::uint64_t units = 0;
    ParagraphStyle style;
    std::string_view object;
};

bool readChecklistDone(std::string_view bytes, bool& done)
{
    ProtoReader reader(bytes);
    ProtoField field;
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
    ProtoField field;
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

bool readObjectIdentifier(std::string_view bytes, std::string_view& identifier)
{
    ProtoReader reader(bytes);
    ProtoField field;
    while (reader.next(field)) {
        if (field.number == 1 && field.wireType == kWireBytes) {
            identifier = field.bytes;
        }
    }
    return !reader.failed();
}

bool readRun(std::string_view bytes, Run& run)
{
    ProtoReader reader(bytes);
    ProtoField field;
    bool ok = true;
    while (ok && reader.next(field)) {
        if (field.number == 1 && field.wireType == 0) {
            run.units = field.integer;
        } else if (field.number == 2 && field.wireType == 2) {
            ok = readStyle(field.bytes, run.style);
        } else if (field.number == 12 && field.wireType == kWireBytes) {
            ok = readObjectIdentifier(field.bytes, run.object);
        }
    }
    return ok && !reader.failed();
}

// The note's text and runs; false when the note message is damaged.
bool readNote(std::string_view note, std::string_view& text, std::vector<Run>& runs)
{
    ProtoReader reader(note);
    ProtoField field;
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

// Finds the runs over UTF-16 offsets of the text in increasing order: the position is kept
// between calls, so a whole note costs one pass over its runs.
class RunCursor
{
public:
    explicit RunCursor(const std::vector<Run>& runs)
        : m_runs(runs)
    {}

    // The run over offset `unit` (no earlier than the last asked), or null past the last run.
    const Run* at(std::uint64_t unit)
    {
        while (m_index < m_runs.size() && m_end + m_runs[m_index].units <= unit) {
            m_end += m_runs[m_index].units;
            ++m_index;
        }
        return m_index < m_runs.size() ? &m_runs[m_index] : nullptr;
    }

private:
    const std::vector<Run>& m_runs;
    std::size_t m_index = 0;
    std::uint64_t m_end = 0;
};

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

std::string
renderParagraphs(std::string_view text, const std::vector<Run>& runs, const NoteObjectText& objects)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::vector<int> numbers;
    RunCursor paragraphs(runs);
    RunCursor marks(runs);
    std::uint64_t unit = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view paragraph = text.substr(start, end - start);
        const Run* first = paragraphs.at(unit);
        const std::string prefix =
            paragraphPrefix(first != nullptr ? first->style : ParagraphStyle{}, numbers);
        if (!paragraph.empty()) {
            out += prefix;
        }
        for (std::size_t at = 0; at < paragraph.size();) {
            if (paragraph.substr(at, kObjectMark.size()) == kObjectMark) {
                const Run* run = marks.at(unit);
                if (objects && run != nullptr && !run->object.empty()) {
                    out += objects(run->object);
                }
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

int renderNoteDocument(std::string_view document, std::string& text, const NoteObjectText& objects)
{
    text.clear();
    std::optional<std::string_view> body;
    std::optional<std::string_view> note;
    if (!protoSubmessage(document, 2, body) || (body && !protoSubmessage(*body, 3, note))) {
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
    text = renderParagraphs(noteText, runs, objects);
    return platform::kStatusOk;
}

int decodeNoteBody(std::span<const std::uint8_t> blob,
                   std::string& text,
                   const NoteObjectText& objects)
{
    text.clear();
    std::string document;
    if (const int inflated = inflateNoteData(blob, document); inflated != platform::kStatusOk) {
        return inflated;
    }
    return renderNoteDocument(document, text, objects);
}

} // namespace formats
