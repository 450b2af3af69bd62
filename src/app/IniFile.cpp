// Parsing and writing of private-profile text.
#include "app/IniFile.h"

#include "platform/File.h"

#include <algorithm>

namespace app {

namespace {

// Language files are small; anything larger than this is not one of ours.
constexpr std::uint64_t kMaxIniBytes = 4 * 1024 * 1024;

std::string_view trimmed(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

} // namespace

void IniFile::parse(std::string_view text)
{
    m_sections.clear();
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    Section* current = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string_view line = trimmed(raw);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name = trimmed(
                line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            current = find(name);
            if (current == nullptr) {
                m_sections.push_back({std::string(name), {}});
                current = &m_sections.back();
            }
            continue;
        }
        if (current == nullptr) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            current->lines.emplace_back(std::string(line), std::string(line));
        } else {
            current->lines.emplace_back(std::string(trimmed(line.substr(0, equals))),
                                        std::string(trimmed(line.substr(equals + 1))));
        }
    }
}

int IniFile::load(const std::string& path)
{
    std::string content;
    const int status = platform::readWholeFile(path, kMaxIniBytes, content);
    parse(status == 0 ? std::string_view(content) : std::string_view());
    return status;
}

int IniFile::save(const std::string& path) const
{
    return platform::writeWholeFile(path, text());
}

std::string IniFile::text() const
{
    std::string out;
    for (const Section& section : m_sections) {
        if (!out.empty()) {
            out += '\n';
        }
        out += '[' + section.name + "]\n";
        for (const auto& [key, value] : section.lines) {
            out += key + '=' + value + '\n';
        }
    }
    return out;
}

std::vector<std::string> IniFile::sectionNames() const
{
    std::vector<std::string> names;
    names.reserve(m_sections.size());
    for (const Section& section : m_sections) {
        names.push_back(section.name);
    }
    return names;
}

IniLines IniFile::lines(std::string_view section) const
{
    const Section* found = find(section);
    return found == nullptr ? IniLines{} : found->lines;
}

std::string
IniFile::value(std::string_view section, std::string_view key, std::string_view fallback) const
{
    if (const Section* found = find(section)) {
        for (const auto& [k, v] : found->lines) {
            if (sameName(k, key)) {
                return v;
            }
        }
    }
    return std::string(fallback);
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    Section* found = find(section);
    if (found == nullptr) {
        m_sections.push_back({std::string(section), {}});
        found = &m_sections.back();
    }
    for (auto& [k, v] : found->lines) {
        if (sameName(k, key)) {
            v = value;
            return;
        }
    }
    found->lines.emplace_back(std::string(key), std::string(value));
}

IniFile::Section* IniFile::find(std::string_view name)
{
    const auto it = std::find_if(m_sections.begin(), m_sections.end(), [name](const Section& s) {
        return sameName(s.name, name);
    });
    return it == m_sections.end() ? nullptr : &*it;
}

const IniFile::Section* IniFile::find(std::string_view name) const
{
    const auto it = std::find_if(m_sections.begin(), m_sections.end(), [name](const Section& s) {
        return sameName(s.name, name);
    });
    return it == m_sections.end() ? nullptr : &*it;
}

} // namespace app
