// A small reader of the corpus answer keys: their layout is fixed, so tags are found by name.
#include "CorpusAnswerKey.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace corpus {

namespace {

std::string decodeEntities(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.push_back(text[i]);
            continue;
        }
        const std::size_t end = text.find(';', i);
        if (end == std::string::npos) {
            out.push_back('&');
            continue;
        }
        const std::string entity = text.substr(i + 1, end - i - 1);
        if (entity == "amp") {
            out.push_back('&');
        } else if (entity == "lt") {
            out.push_back('<');
        } else if (entity == "gt") {
            out.push_back('>');
        } else if (entity == "quot") {
            out.push_back('"');
        } else if (entity == "apos") {
            out.push_back('\'');
        } else {
            out += text.substr(i, end - i + 1);
        }
        i = end;
    }
    return out;
}

// The text between `<tag>` and `</tag>` at or after `from` and before `limit`; empty for a
// self-closing tag. `at` receives the position after the element, or npos when none.
std::string element(const std::string& xml,
                    const std::string& tag,
                    std::size_t from,
                    std::size_t limit,
                    std::size_t& at)
{
    at = std::string::npos;
    const std::size_t open = xml.find("<" + tag, from);
    if (open == std::string::npos || open >= limit) {
        return {};
    }
    const std::size_t close = xml.find('>', open);
    if (close == std::string::npos) {
        return {};
    }
    if (xml[close - 1] == '/') {
        at = close + 1;
        return {};
    }
    const std::size_t end = xml.find("</" + tag + ">", close);
    if (end == std::string::npos) {
        return {};
    }
    at = end + tag.size() + 3;
    return decodeEntities(xml.substr(close + 1, end - close - 1));
}

} // namespace

bool readAnswerKey(const std::string& path, std::vector<KeyTable>& tables)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string xml = buffer.str();
    std::size_t position = 0;
    while (true) {
        const std::size_t begin = xml.find("<element>", position);
        if (begin == std::string::npos) {
            break;
        }
        const std::size_t end = xml.find("</element>", begin);
        if (end == std::string::npos) {
            break;
        }
        position = end + 10;
        std::size_t at = 0;
        if (element(xml, "type", begin, end, at) != "table") {
            continue;
        }
        KeyTable table;
        table.name = element(xml, "name", begin, end, at);
        table.dropped = element(xml, "deleted", begin, end, at) == "True";
        std::size_t cursor = begin;
        while (true) {
            const std::size_t definition = xml.find("<columnDefinition>", cursor);
            if (definition == std::string::npos || definition >= end) {
                break;
            }
            const std::string attribute = element(xml, "attribute", definition, end, at);
            table.rowidColumns.push_back(attribute.rfind("INTEGER PRIMARY KEY", 0) == 0 &&
                                         attribute.find("DESC") == std::string::npos);
            cursor = definition + 1;
        }
        cursor = begin;
        while (true) {
            const std::size_t row = std::min(xml.find("<row>", cursor), xml.find("<row ", cursor));
            if (row == std::string::npos || row >= end) {
                break;
            }
            const std::size_t rowEnd = xml.find("</row>", row);
            const std::size_t tagEnd = xml.find('>', row);
            KeyRow keyRow;
            keyRow.deleted =
                xml.substr(row, tagEnd - row).find("deleted=\"1\"") != std::string::npos;
            std::size_t column = row;
            while (true) {
                const std::size_t next = xml.find("<column>", column);
                if (next == std::string::npos || next >= rowEnd) {
                    break;
                }
                keyRow.values.push_back(element(xml, "content", next, rowEnd, at));
                column = next + 1;
            }
            table.rows.push_back(std::move(keyRow));
            cursor = rowEnd == std::string::npos ? end : rowEnd;
        }
        tables.push_back(std::move(table));
    }
    return true;
}

} // namespace corpus
