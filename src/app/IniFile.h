// A small reader and writer of private-profile (.ini) text: sections in brackets, one
// "key=value" line each. Used for config.ini and the language files beside the executable.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

// One section's lines as (key, value) pairs, in file order.
using IniLines = std::vector<std::pair<std::string, std::string>>;

class IniFile
{
public:
    // Replaces the content with the parse of `text`. A line is split at its first "="; a line
    // without one gives the whole line as key and as value. Blank lines and lines beginning
    // with ";" are skipped; lines before the first section are ignored. Spaces around keys,
    // values and section names are dropped, and a byte-order mark at the start is skipped.
    void parse(std::string_view text);

    // Reads the file at `path`. Returns 0; the platform's status when it cannot be read (the
    // content is then empty).
    [[nodiscard]] int load(const std::string& path);

    // Writes the whole content to `path`, replacing the file. Returns 0 or the write status.
    [[nodiscard]] int save(const std::string& path) const;

    // The text of the content as save writes it.
    std::string text() const;

    // Section names in file order (a name repeated in the file appears once).
    std::vector<std::string> sectionNames() const;

    // Every line of `section`, in file order, repeats included; empty when it is missing.
    IniLines lines(std::string_view section) const;

    // The value of the first line of `key` in `section`, or `fallback` when there is none.
    std::string
    value(std::string_view section, std::string_view key, std::string_view fallback = {}) const;

    // Sets the first line of `key` in `section` to `value`, adding the section or the line
    // at its end when missing.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Section
    {
        std::string name;
        IniLines lines;
    };

    Section* find(std::string_view name);
    const Section* find(std::string_view name) const;

    std::vector<Section> m_sections;
};

} // namespace app
