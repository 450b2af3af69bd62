// vCard 3.0 cards of contacts.
#include "export/VCardWriter.h"

#include "platform/File.h"
#include "platform/Text.h"

#include <map>

namespace exporting {

namespace {

// The longest content line, in octets, before it is folded.
constexpr std::size_t kLineOctets = 75;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

constexpr std::string_view kDeletedNote =
    "This contact was deleted from the device; recovered from the address book's free space.";

// `text` with control characters dropped and malformed UTF-8 replaced; with `escaped`, the
// escapes of a text value applied (see vCardText), else line ends dropped too.
std::string cleanValue(std::string_view text, bool escaped)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '\r' || c == '\n') {
            out += escaped ? "\\n" : "";
            at += c == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
        } else if (escaped && (c == '\\' || c == ',' || c == ';')) {
            out += '\\';
            out += c;
            ++at;
        } else if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) {
            ++at;
        } else if (const std::size_t n = platform::utf8SequenceLength(text, at); n == 0) {
            out += kReplacement;
            ++at;
        } else {
            out.append(text, at, n);
            at += n;
        }
    }
    return out;
}

// The TYPE parameter values of a label the device shows for a built-in one; empty for the
// owner's own labels and for a label without type ("home page").
std::string typesOf(const std::string& label)
{
    static const std::map<std::string, std::string, std::less<>> kTypes = {
        {"mobile", "CELL"},
        {"iPhone", "CELL,IPHONE"},
        {"home", "HOME"},
        {"work", "WORK"},
        {"main", "MAIN"},
        {"home fax", "HOME,FAX"},
        {"work fax", "WORK,FAX"},
        {"other fax", "OTHER,FAX"},
        {"pager", "PAGER"},
        {"other", "OTHER"},
    };
    const auto types = kTypes.find(label);
    return types == kTypes.end() ? std::string() : types->second;
}

bool isBuiltIn(const std::string& label)
{
    return label.empty() || label == "home page" || !typesOf(label).empty();
}

// Builds the content lines of one card.
class Card
{
public:
    void add(std::string_view line) { m_text += foldedLine(line); }

    // A labelled property: TYPE from a built-in label (after `fixedTypes`, e.g. "INTERNET"),
    // or a group with an X-ABLabel line for the owner's own label.
    void addLabelled(std::string_view name,
                     std::string_view fixedTypes,
                     const std::string& label,
                     const std::string& value)
    {
        std::string types(fixedTypes);
        const std::string builtIn = typesOf(label);
        if (!builtIn.empty()) {
            types += (types.empty() ? "" : ",") + builtIn;
        }
        const std::string group =
            isBuiltIn(label) ? std::string() : "item" + std::to_string(++m_groups) + ".";
        add(group + std::string(name) + (types.empty() ? "" : ";TYPE=" + types) + ":" + value);
        if (!group.empty()) {
            add(group + "X-ABLabel:" + vCardText(label));
        }
    }

    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
    int m_groups = 0;
};

void addNames(Card& card, const extract::ContactRecord& contact)
{
    card.add("FN:" + vCardText(contact.name));
    card.add("N:" + vCardText(contact.lastName) + ";" + vCardText(contact.firstName) + ";;;");
    if (!contact.company.empty()) {
        card.add("ORG:" + vCardText(contact.company));
        if (contact.firstName.empty() && contact.lastName.empty()) {
            card.add("X-ABShowAs:COMPANY");
        }
    }
    if (!contact.jobTitle.empty()) {
        card.add("TITLE:" + vCardText(contact.jobTitle));
    }
}

void addValues(Card& card, const extract::ContactRecord& contact)
{
    for (const extract::ContactValue& phone : contact.phoneList) {
        card.addLabelled("TEL", "", phone.label, vCardText(phone.value));
    }
    for (const extract::ContactValue& email : contact.emailList) {
        card.addLabelled("EMAIL", "INTERNET", email.label, vCardText(email.value));
    }
    for (const extract::ContactAddress& address : contact.addresses) {
        card.addLabelled("ADR",
                         "",
                         address.label,
                         ";;" + vCardText(address.street) + ";" + vCardText(address.city) + ";" +
                             vCardText(address.state) + ";" + vCardText(address.postalCode) + ";" +
                             vCardText(address.country));
    }
    for (const extract::ContactValue& url : contact.urlList) {
        card.addLabelled("URL", "", url.label, cleanValue(url.value, false));
    }
}

bool isDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// BDAY for a "YYYY-MM-DD" birthday, or one without year ("--MM-DD") in the form common
// address books write; nothing for any other text.
void addBirthday(Card& card, const std::string& birthday)
{
    const std::string_view b(birthday);
    if (b.size() == 10 && isDigits(b.substr(0, 4)) && b[4] == '-' && isDigits(b.substr(5, 2)) &&
        b[7] == '-' && isDigits(b.substr(8, 2))) {
        card.add("BDAY:" + birthday);
    } else if (b.size() == 7 && b.starts_with("--") && isDigits(b.substr(2, 2)) && b[4] == '-' &&
               isDigits(b.substr(5, 2))) {
        card.add("BDAY;X-APPLE-OMIT-YEAR=1604:1604-" + birthday.substr(2));
    }
}

} // namespace

std::string vCardText(std::string_view text)
{
    return cleanValue(text, true);
}

std::string foldedLine(std::string_view line)
{
    std::string out;
    std::size_t room = kLineOctets;
    while (line.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        // Only a line that is not UTF-8 can lack a boundary; it is cut where it must be.
        cut = cut == 0 ? room : cut;
        out.append(line.substr(0, cut)).append("\r\n ");
        line.remove_prefix(cut);
        room = kLineOctets - 1;
    }
    return out.append(line).append("\r\n");
}

std::string vCard(const extract::ContactRecord& contact)
{
    Card card;
    card.add("BEGIN:VCARD");
    card.add("VERSION:3.0");
    addNames(card, contact);
    addValues(card, contact);
    addBirthday(card, contact.birthday);
    std::string note = contact.deleted != 0 ? std::string(kDeletedNote) : std::string();
    if (!contact.note.empty()) {
        note += (note.empty() ? "" : "\n") + contact.note;
    }
    if (!note.empty()) {
        card.add("NOTE:" + vCardText(note));
    }
    card.add("END:VCARD");
    return card.take();
}

int writeVCardFile(const std::string& path,
                   const std::vector<const extract::ContactRecord*>& contacts)
{
    std::string text;
    for (const extract::ContactRecord* contact : contacts) {
        text += vCard(*contact);
    }
    return platform::writeWholeFile(path, text);
}

} // namespace exporting
