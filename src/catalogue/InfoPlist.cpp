// Info.plist reading: the line scan of the XML form and the libplist reading of the binary form.
#include "InfoPlist.h"

#include "BackupDiscovery.h"
#include "formats/PlistReader.h"
#include "platform/Clock.h"
#include "platform/Status.h"
#include "platform/Text.h"

namespace catalogue {

namespace {

constexpr std::string_view kBinaryMagic = "bplist0";

// Hands out the text in pieces: each runs up to and including a line feed, holds at most
// kInfoPlistLineBytes bytes, and is cut at its first NUL byte (the rest of the piece is
// skipped). Long lines thus split into pieces, and a key or value is matched only within one.
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

// The string value of `key` in `dict`. Returns 0 and sets `value`; 87 when the key is absent or
// not a string; -1001 (corrupt) when the string holds a NUL, which no field of a real
// Info.plist does and which would cut the text short wherever it is shown.
int stringField(plist_t dict, const char* key, std::string& value)
{
    std::optional<std::string> text = formats::stringValue(formats::dictItem(dict, key));
    if (!text) {
        return platform::kStatusInvalid;
    }
    if (text->find('\0') != std::string::npos) {
        return platform::kStatusCorrupt;
    }
    value = std::move(*text);
    return platform::kStatusOk;
}

// The five fields of a binary Info.plist, read into `fields`. Returns 0, or -1001 when one of
// them is damaged.
int readBinaryFields(plist_t root, BackupInfo& fields)
{
    std::string text;
    int status = platform::kStatusOk;
    auto field = [&](const char* key) {
        const int found = stringField(root, key, text);
        if (found == platform::kStatusCorrupt) {
            status = found;
        }
        return found == platform::kStatusOk;
    };
    if (field("Display Name")) {
        fields.displayName = platform::utf8ToWide(text.data(), text.size());
    }
    if (const auto seconds = formats::dateSeconds(formats::dictItem(root, "Last Backup Date"))) {
        storeDate(platform::formatUtc(platform::kAppleEpochOffset + *seconds), fields);
    } else if (field("Last Backup Date")) {
        storeDate(normaliseDateText(text), fields);
    }
    if (field("Phone Number")) {
        fields.phoneNumber = text;
    }
    if (field("Product Version")) {
        fields.isVersion12OrLater = isVersion12OrLater(text);
    }
    if (field("Serial Number")) {
        fields.serialNumber = text;
    }
    return status;
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
    formats::Plist plist;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(content.data()),
                                              content.size());
    if (formats::parsePlist(bytes, kMaxInfoPlistBytes, plist) != platform::kStatusOk ||
        plist_get_node_type(plist.root()) != PLIST_DICT) {
        return platform::kStatusCorrupt;
    }
    BackupInfo fields = info;
    if (const int status = readBinaryFields(plist.root(), fields); status != platform::kStatusOk) {
        return status;
    }
    info = std::move(fields);
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
