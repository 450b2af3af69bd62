// Info.plist reading: the line scan of the XML form and the libplist reading of the binary form.
#include "InfoPlist.h"

#include "BackupDiscovery.h"
#include "platform/Clock.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace catalogue {

namespace {

constexpr std::string_view kBinaryMagic = "bplist0";

// Hands out the text in pieces as a line reader with a buffer of kInfoPlistLineBytes + 1 bytes
// would: up to and including a line feed, at most kInfoPlistLineBytes bytes, and only up to a
// NUL byte, which ends the piece as it would end a C string.
class LineSource
{
public:
    explicit LineSource(std::string_view content)
        : m_content(content)
    {}

    bool next(std::string_view& line)
    {
        if (m_position >= m_content.size()) {
            return false;
        }
        const std::string_view rest = m_content.substr(m_position);
        std::size_t length = std::min(rest.size(), kInfoPlistLineBytes);
        if (const std::size_t feed = rest.substr(0, length).find('\n');
            feed != std::string_view::npos) {
            length = feed + 1;
        }
        m_position += length;
        line = rest.substr(0, length);
        if (const std::size_t nul = line.find('\0'); nul != std::string_view::npos) {
            line = line.substr(0, nul);
        }
        return true;
    }

private:
    std::string_view m_content;
    std::size_t m_position = 0;
};

// The text of `line` cut at the first `close`, then taken from just after the first `open`.
// Empty when the opening tag is missing.
std::string_view between(std::string_view line, std::string_view open, std::string_view close)
{
    if (const std::size_t end = line.find(close); end != std::string_view::npos) {
        line = line.substr(0, end);
    }
    const std::size_t start = line.find(open);
    return start == std::string_view::npos ? std::string_view() : line.substr(start + open.size());
}

// A date text as the plist writes it ("2014-05-06T01:30:00Z") made ready for dateToLocal: the
// first T becomes a space and the text ends before the first Z. A text without T is left as
// it stands.
std::string normaliseDateText(std::string_view text)
{
    std::string date(text);
    if (const std::size_t t = date.find('T'); t != std::string::npos) {
        date[t] = ' ';
        if (const std::size_t z = date.find('Z'); z != std::string::npos) {
            date.resize(z);
        }
    }
    return date;
}

void storeDate(const std::string& date, BackupInfo& info)
{
    std::string local = dateToLocal(date);
    info.lastBackupDate = local.empty() ? date : std::move(local);
}

struct PlistDeleter
{
    void operator()(plist_t node) const { plist_free(node); }
};

using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// The string value of `key` in `dict`, or nothing when absent or not a string.
bool stringValue(plist_t dict, const char* key, std::string& value)
{
    const plist_t node = plist_dict_get_item(dict, key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING) {
        return false;
    }
    char* text = nullptr;
    plist_get_string_val(node, &text);
    if (text == nullptr) {
        return false;
    }
    value = text;
    std::free(text);
    return true;
}

} // namespace

bool isVersion12OrLater(std::string_view version)
{
    std::size_t i = 0;
    while (i < version.size() &&
           (version[i] == ' ' || (version[i] >= '\t' && version[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < version.size() && (version[i] == '+' || version[i] == '-')) {
        negative = version[i] == '-';
        ++i;
    }
    long long number = 0;
    while (i < version.size() && version[i] >= '0' && version[i] <= '9' && number < 1000000) {
        number = number * 10 + (version[i] - '0');
        ++i;
    }
    return !negative && number >= 12;
}

void scanInfoPlistXml(std::string_view content, BackupInfo& info)
{
    LineSource lines(content);
    std::string_view line;
    std::string_view value;
    while (lines.next(line)) {
        if (line.find("<key>Display Name</key>") != std::string_view::npos) {
            if (!lines.next(value)) {
                return;
            }
            const std::string wide = platform::utf8ToWide(value.data(), value.size());
            info.displayName = std::string(between(wide, "<string>", "</string>"));
        } else if (line.find("<key>Last Backup Date</key>") != std::string_view::npos) {
            if (!lines.next(value)) {
                return;
            }
            storeDate(normaliseDateText(between(value, "<date>", "</date>")), info);
        } else if (line.find("<key>Phone Number</key>") != std::string_view::npos) {
            if (!lines.next(value)) {
                return;
            }
            info.phoneNumber = std::string(between(value, "<string>", "</string>"));
        } else if (line.find("<key>Product Version</key>") != std::string_view::npos) {
            if (!lines.next(value)) {
                return;
            }
            info.isVersion12OrLater = isVersion12OrLater(between(value, "<string>", "</string>"));
        } else if (line.find("<key>Serial Number</key>") != std::string_view::npos) {
            if (lines.next(value)) {
                info.serialNumber = std::string(between(value, "<string>", "</string>"));
            }
            return;
        }
    }
}

int readBinaryInfoPlist(std::string_view content, BackupInfo& info)
{
    if (content.size() > kMaxInfoPlistBytes ||
        content.size() > std::numeric_limits<std::uint32_t>::max()) {
        return platform::kStatusInvalid;
    }
    plist_t parsed = nullptr;
    plist_from_bin(content.data(), static_cast<std::uint32_t>(content.size()), &parsed);
    const PlistPtr root(parsed);
    if (root == nullptr || plist_get_node_type(root.get()) != PLIST_DICT) {
        return platform::kStatusInvalid;
    }
    std::string text;
    if (stringValue(root.get(), "Display Name", text)) {
        info.displayName = platform::utf8ToWide(text.data(), text.size());
    }
    if (const plist_t date = plist_dict_get_item(root.get(), "Last Backup Date");
        date != nullptr && plist_get_node_type(date) == PLIST_DATE) {
        std::int32_t seconds = 0;
        std::int32_t micros = 0;
        plist_get_date_val(date, &seconds, &micros);
        storeDate(platform::formatUtc(platform::kAppleEpochOffset + seconds), info);
    } else if (stringValue(root.get(), "Last Backup Date", text)) {
        storeDate(normaliseDateText(text), info);
    }
    if (stringValue(root.get(), "Phone Number", text)) {
        info.phoneNumber = text;
    }
    if (stringValue(root.get(), "Product Version", text)) {
        info.isVersion12OrLater = isVersion12OrLater(text);
    }
    if (stringValue(root.get(), "Serial Number", text)) {
        info.serialNumber = text;
    }
    return platform::kStatusOk;
}

int parseInfoPlist(std::string_view content, BackupInfo& info)
{
    if (content.substr(0, kBinaryMagic.size()) == kBinaryMagic) {
        return readBinaryInfoPlist(content, info);
    }
    scanInfoPlistXml(content, info);
    return platform::kStatusOk;
}

} // namespace catalogue
