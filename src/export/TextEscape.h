// How record texts enter the files the exports write: escaped for HTML, quoted for CSV,
// placed into templates, and with CR LF line ends for the text and CSV files.
#pragma once

#include <string>
#include <string_view>

namespace exporting {

// `text` with & < > " ' written as character references, so that it reads as text in a page.
std::string htmlEscape(std::string_view text);

// Appends htmlEscape(text) to `out`.
void appendHtmlEscaped(std::string& out, std::string_view text);

// `field` as one CSV field: unchanged when it holds no comma, double quote, CR or LF;
// otherwise enclosed in double quotes with every double quote doubled.
std::string csvField(std::string_view field);

// `text` with every `placeholder` replaced by `value`, scanning on after each insertion so a
// value that holds the placeholder is not expanded again.
std::string replaceAll(std::string_view text, std::string_view placeholder, std::string_view value);

// `text` with every line feed not already preceded by a carriage return written as CR LF.
std::string toCrLf(std::string_view text);

} // namespace exporting
