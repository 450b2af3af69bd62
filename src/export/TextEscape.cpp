// HTML escaping, CSV quoting and CR LF line ends of the export files.
#include "export/TextEscape.h"

namespace exporting {

std::string htmlEscape(std::string_view text)
{
    std::string out;
    appendHtmlEscaped(out, text);
    return out;
}

void appendHtmlEscaped(std::string& out, std::string_view text)
{
    out.reserve(out.size() + text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.push_back(c);
        }
    }
}

std::string csvField(std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(field);
    }
    std::string out;
    out.reserve(field.size() + 2);
    out.push_back('"');
    for (const char c : field) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string toCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            out.push_back('\r');
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string replaceAll(std::string_view text, std::string_view placeholder, std::string_view value)
{
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(placeholder); at != std::string_view::npos;
         at = text.find(placeholder, from)) {
        out.append(text.substr(from, at - from));
        out.append(value);
        from = at + placeholder.size();
    }
    out.append(text.substr(from));
    return out;
}

} // namespace exporting
