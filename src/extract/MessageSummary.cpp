// Reads a message's edit summary through the property list and typedstream readers.
#include "extract/MessageSummary.h"

#include "formats/PlistReader.h"
#include "formats/Typedstream.h"
#include "platform/Status.h"
#include "sqlitecarve/DeviceTables.h"

#include <charconv>
#include <cstdlib>
#include <map>

namespace extract {

namespace {

// The entries of a dictionary whose keys are part indexes, in index order; other keys are
// left out.
std::map<std::int64_t, plist_t> partsOf(plist_t dict)
{
    std::map<std::int64_t, plist_t> parts;
    if (dict == nullptr || plist_get_node_type(dict) != PLIST_DICT) {
        return parts;
    }
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict, &iter);
    if (iter == nullptr) {
        return parts;
    }
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, iter, &key, &value);
        if (key == nullptr) {
            break;
        }
        const std::string_view name(key);
        std::int64_t index = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), index);
        if (error == std::errc() && end == name.data() + name.size() && value != nullptr) {
            parts.try_emplace(index, value);
        }
        std::free(key);
    }
    std::free(iter);
    return parts;
}

std::size_t countOf(plist_t node)
{
    if (node == nullptr) {
        return 0;
    }
    if (plist_get_node_type(node) == PLIST_ARRAY) {
        return plist_array_get_size(node);
    }
    return plist_get_node_type(node) == PLIST_DICT ? plist_dict_get_size(node) : 0;
}

// One version of a part: its date and its archived body's text.
MessageEdit versionOf(plist_t event)
{
    MessageEdit version;
    if (const plist_t date = formats::dictItem(event, "d");
        date != nullptr && plist_get_node_type(date) == PLIST_REAL) {
        double seconds = 0.0;
        plist_get_real_val(date, &seconds);
        version.date = sqlitecarve::appleDateText(seconds);
    }
    if (const auto body = formats::dataValue(formats::dictItem(event, "t")); body) {
        formats::BodyTextOrigin origin = formats::BodyTextOrigin::Archive;
        if (formats::readAttributedBodyText(*body, version.text, origin) != 0) {
            version.text.clear();
        }
    }
    return version;
}

} // namespace

int readMessageSummary(std::span<const std::uint8_t> blob, MessageSummary& summary)
{
    formats::Plist plist;
    if (const int status = formats::parsePlist(blob, kMaxSummaryBytes, plist); status != 0) {
        return status;
    }
    const plist_t root = plist.root();
    if (root == nullptr || plist_get_node_type(root) != PLIST_DICT) {
        return platform::kStatusUnsupported;
    }
    summary.partCount = countOf(formats::dictItem(root, "otr"));
    summary.unsentParts = countOf(formats::dictItem(root, "rp"));
    for (const auto& [index, versions] : partsOf(formats::dictItem(root, "ec"))) {
        const std::size_t count = countOf(versions);
        if (plist_get_node_type(versions) != PLIST_ARRAY || count == 0) {
            continue;
        }
        for (std::uint32_t i = 0; i + 1 < count; ++i) {
            summary.earlier.push_back(versionOf(plist_array_get_item(versions, i)));
        }
        summary.latest +=
            versionOf(plist_array_get_item(versions, static_cast<std::uint32_t>(count - 1))).text;
    }
    return platform::kStatusOk;
}

} // namespace extract
