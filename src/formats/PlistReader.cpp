// Guarded property-list parsing.
#include "PlistReader.h"

#include "platform/ByteReader.h"
#include "platform/ByteView.h"
#include "platform/Diagnostics.h"
#include "platform/Status.h"

#include <string_view>
#include <vector>

namespace formats {

namespace {

constexpr std::size_t kTrailerBytes = 32;

// The children (references) of every container object of a binary plist, flattened.
struct ObjectGraph
{
    std::vector<std::uint64_t> firstChild; // per object; one more entry at the end
    std::vector<std::uint64_t> children;
};

// Reads the count that follows a container or data marker whose low nibble is `low`.
bool readCount(platform::ByteReader& reader, std::uint8_t low, std::uint64_t& count)
{
    if (low != 0xF) {
        count = low;
        return true;
    }
    std::uint8_t marker = 0;
    if (!reader.u8(marker) || (marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) {
        return false;
    }
    return reader.uintBe(std::size_t{1} << (marker & 0x0F), count);
}

int buildGraph(std::span<const std::uint8_t> bytes,
               ObjectGraph& graph,
               std::uint64_t& top,
               platform::Diagnostics* diagnostics)
{
    if (bytes.size() < 8 + kTrailerBytes) {
        return platform::corruptAt(diagnostics, 0, "binary plist shorter than its trailer");
    }
    const platform::ByteView trailer(bytes.last(kTrailerBytes));
    std::uint8_t offsetSize = 0;
    std::uint8_t refSize = 0;
    std::uint64_t count = 0;
    std::uint64_t tableOffset = 0;
    if (!trailer.u8(6, offsetSize) || !trailer.u8(7, refSize) || !trailer.u64be(8, count) ||
        !trailer.u64be(16, top) || !trailer.u64be(24, tableOffset)) {
        return platform::corruptAt(diagnostics, 0, "binary plist trailer cut short");
    }
    const std::uint64_t objectsEnd = bytes.size() - kTrailerBytes;
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || count == 0 ||
        top >= count || tableOffset < 8 || tableOffset > objectsEnd ||
        count > (objectsEnd - tableOffset) / offsetSize) {
        return platform::corruptAt(diagnostics, 0, "binary plist trailer out of range");
    }
    platform::ByteReader table(bytes.subspan(static_cast<std::size_t>(tableOffset)));
    const std::span<const std::uint8_t> objects =
        bytes.first(static_cast<std::size_t>(tableOffset));
    graph.firstChild.assign(static_cast<std::size_t>(count) + 1, 0);
    for (std::uint64_t i = 0; i < count; ++i) {
        graph.firstChild[static_cast<std::size_t>(i)] = graph.children.size();
        std::uint64_t offset = 0;
        if (!table.uintBe(offsetSize, offset) || offset < 8 || offset >= tableOffset) {
            return platform::corruptAt(diagnostics, 0, "binary plist object offset out of range");
        }
        platform::ByteReader reader(objects);
        std::uint8_t marker = 0;
        if (!reader.seek(static_cast<std::size_t>(offset)) || !reader.u8(marker)) {
            return platform::corruptAt(diagnostics, 0, "binary plist object unreadable");
        }
        const std::uint8_t high = marker >> 4;
        if (high != 0xA && high != 0xC && high != 0xD) {
            continue;
        }
        std::uint64_t items = 0;
        if (!readCount(reader, marker & 0x0F, items)) {
            return platform::corruptAt(diagnostics, 0, "binary plist container count unreadable");
        }
        const std::uint64_t refs = high == 0xD ? items * 2 : items;
        if (items > reader.remaining() || refs > reader.remaining() / refSize) {
            return platform::corruptAt(diagnostics, 0, "binary plist container beyond the file");
        }
        for (std::uint64_t r = 0; r < refs; ++r) {
            std::uint64_t child = 0;
            if (!reader.uintBe(refSize, child) || child >= count) {
                return platform::corruptAt(diagnostics, 0, "binary plist reference out of range");
            }
            graph.children.push_back(child);
        }
    }
    graph.firstChild[static_cast<std::size_t>(count)] = graph.children.size();
    return platform::kStatusOk;
}

// Depth-first walk from `top` without recursion, with the expanded depth and node count of
// every object remembered, so shared sub-trees are measured once.
int measureGraph(const ObjectGraph& graph, std::uint64_t top, platform::Diagnostics* diagnostics)
{
    enum : std::uint8_t
    {
        kNew,
        kOnPath,
        kDone
    };

    const std::size_t count = graph.firstChild.size() - 1;
    std::vector<std::uint8_t> state(count, kNew);
    std::vector<std::uint32_t> depth(count, 1);
    std::vector<std::uint64_t> nodes(count, 1);

    struct Frame
    {
        std::size_t object;
        std::uint64_t next;
    };

    std::vector<Frame> stack;
    stack.push_back({static_cast<std::size_t>(top), graph.firstChild[top]});
    state[top] = kOnPath;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const std::uint64_t end = graph.firstChild[frame.object + 1];
        if (frame.next < end) {
            const auto child = static_cast<std::size_t>(graph.children[frame.next++]);
            if (state[child] == kOnPath) {
                return platform::failAt(
                    diagnostics, platform::kStatusCycle, 0, "binary plist reference cycle");
            }
            if (state[child] == kNew) {
                if (stack.size() >= kMaxPlistDepth) {
                    return platform::failAt(
                        diagnostics, platform::kStatusTooDeep, 0, "binary plist nested too deep");
                }
                state[child] = kOnPath;
                stack.push_back({child, graph.firstChild[child]});
            }
            continue;
        }
        const std::size_t object = frame.object;
        for (std::uint64_t c = graph.firstChild[object]; c < end; ++c) {
            const auto child = static_cast<std::size_t>(graph.children[c]);
            depth[object] = std::max(depth[object], depth[child] + 1);
            nodes[object] = std::min(nodes[object] + nodes[child], kMaxPlistNodes + 1);
        }
        if (depth[object] > kMaxPlistDepth) {
            return platform::failAt(
                diagnostics, platform::kStatusTooDeep, 0, "binary plist nested too deep");
        }
        if (nodes[object] > kMaxPlistNodes) {
            return platform::corruptAt(diagnostics, 0, "binary plist expands into too many nodes");
        }
        state[object] = kDone;
        stack.pop_back();
    }
    return platform::kStatusOk;
}

// The deepest nesting of <dict> and <array> elements in an XML plist. Counting every opening
// tag that is not self-closing over-estimates (tags inside comments count too), which errs on
// the safe side.
std::size_t xmlNesting(std::string_view text)
{
    std::size_t level = 0;
    std::size_t deepest = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos;
         at = text.find('<', at + 1)) {
        const std::string_view rest = text.substr(at + 1);
        const bool closing = !rest.empty() && rest.front() == '/';
        const std::string_view name = closing ? rest.substr(1) : rest;
        std::size_t nameLength = 0;
        if (name.starts_with("dict")) {
            nameLength = 4;
        } else if (name.starts_with("array")) {
            nameLength = 5;
        } else {
            continue;
        }
        const std::size_t tagEnd = text.find('>', at);
        if (tagEnd == std::string_view::npos) {
            break;
        }
        const char after = name.size() > nameLength ? name[nameLength] : '>';
        if (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\n' &&
            after != '\r') {
            continue;
        }
        if (closing) {
            level = level > 0 ? level - 1 : 0;
        } else if (text[tagEnd - 1] != '/') {
            deepest = std::max(deepest, ++level);
        }
    }
    return deepest;
}

} // namespace

Plist::~Plist()
{
    reset(nullptr);
}

Plist::Plist(Plist&& other) noexcept
    : m_root(other.m_root)
{
    other.m_root = nullptr;
}

Plist& Plist::operator=(Plist&& other) noexcept
{
    if (this != &other) {
        reset(other.m_root);
        other.m_root = nullptr;
    }
    return *this;
}

void Plist::reset(plist_t root)
{
    if (m_root != nullptr) {
        plist_free(m_root);
    }
    m_root = root;
}

int checkBinaryPlist(std::span<const std::uint8_t> bytes, platform::Diagnostics* diagnostics)
{
    if (bytes.size() < 8 ||
        std::string_view(reinterpret_cast<const char*>(bytes.data()), 7) != "bplist0") {
        return platform::corruptAt(diagnostics, 0, "not a binary plist");
    }
    ObjectGraph graph;
    std::uint64_t top = 0;
    const int status = buildGraph(bytes, graph, top, diagnostics);
    if (status != platform::kStatusOk) {
        return status;
    }
    return measureGraph(graph, top, diagnostics);
}

int parsePlist(std::span<const std::uint8_t> bytes,
               std::size_t maxBytes,
               Plist& out,
               platform::Diagnostics* diagnostics)
{
    out.reset(nullptr);
    if (bytes.empty() || bytes.size() > maxBytes || bytes.size() > UINT32_MAX) {
        return platform::kStatusInvalid;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    plist_t root = nullptr;
    if (text.starts_with("bplist0")) {
        const int status = checkBinaryPlist(bytes, diagnostics);
        if (status != platform::kStatusOk) {
            return status;
        }
        plist_from_bin(text.data(), static_cast<std::uint32_t>(text.size()), &root);
    } else {
        if (xmlNesting(text) > kMaxPlistDepth) {
            return platform::failAt(
                diagnostics, platform::kStatusTooDeep, 0, "XML plist nested too deep");
        }
        plist_from_xml(text.data(), static_cast<std::uint32_t>(text.size()), &root);
    }
    if (root == nullptr) {
        return platform::corruptAt(diagnostics, 0, "plist does not parse");
    }
    out.reset(root);
    return platform::kStatusOk;
}

plist_t dictItem(plist_t dict, const char* key)
{
    if (dict == nullptr || plist_get_node_type(dict) != PLIST_DICT) {
        return nullptr;
    }
    return plist_dict_get_item(dict, key);
}

std::optional<std::span<const std::uint8_t>> dataValue(plist_t node)
{
    if (node == nullptr || plist_get_node_type(node) != PLIST_DATA) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    const char* data = plist_get_data_ptr(node, &length);
    if (data == nullptr && length != 0) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data),
                                         static_cast<std::size_t>(length));
}

std::optional<std::uint64_t> uintValue(plist_t node)
{
    if (node == nullptr || plist_get_node_type(node) != PLIST_UINT) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    plist_get_uint_val(node, &value);
    return value;
}

std::optional<std::uint64_t> uidValue(plist_t node)
{
    if (node == nullptr || plist_get_node_type(node) != PLIST_UID) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    plist_get_uid_val(node, &value);
    return value;
}

std::optional<bool> boolValue(plist_t node)
{
    if (node == nullptr || plist_get_node_type(node) != PLIST_BOOLEAN) {
        return std::nullopt;
    }
    std::uint8_t value = 0;
    plist_get_bool_val(node, &value);
    return value != 0;
}

std::optional<std::string> stringValue(plist_t node)
{
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) {
        return std::nullopt;
    }
    std::uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (text == nullptr) {
        return std::nullopt;
    }
    return std::string(text, static_cast<std::size_t>(length));
}

std::optional<std::int64_t> dateSeconds(plist_t node)
{
    if (node == nullptr || plist_get_node_type(node) != PLIST_DATE) {
        return std::nullopt;
    }
    std::int32_t seconds = 0;
    std::int32_t micros = 0;
    plist_get_date_val(node, &seconds, &micros);
    return seconds;
}

} // namespace formats
