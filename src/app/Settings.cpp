// config.ini and language file loading with the first-"="-splits, first-key-wins rules.
#include "app/Settings.h"

#include "platform/File.h"

namespace app {

Settings::Settings(std::string folder)
    : m_configPath(folder + "config.ini")
    , m_languageFolder(folder + "Languages/")
{
    const std::lock_guard lock(m_mutex);
    readConfig();
    loadLanguage();
}

std::string Settings::language() const
{
    const std::lock_guard lock(m_mutex);
    return m_language;
}

IniLines Settings::languages() const
{
    const std::lock_guard lock(m_mutex);
    return m_languages;
}

Settings::Section Settings::languageSection(std::string_view section)
{
    const std::lock_guard lock(m_mutex);
    auto it = m_texts.find(section);
    if (it == m_texts.end()) {
        it = m_texts.emplace(std::string(section), Section{}).first;
    }
    return it->second;
}

std::string Settings::languageText(std::string_view section, std::string_view key)
{
    const std::lock_guard lock(m_mutex);
    auto it = m_texts.find(section);
    if (it == m_texts.end()) {
        it = m_texts.emplace(std::string(section), Section{}).first;
    }
    auto text = it->second.find(key);
    if (text == it->second.end()) {
        text = it->second.emplace(std::string(key), std::string()).first;
    }
    return text->second;
}

int Settings::setLanguage(const std::string& name)
{
    const std::lock_guard lock(m_mutex);
    IniFile config;
    // A missing config.ini is created; any other read failure must not wipe the file.
    const int readStatus = config.load(m_configPath);
    int status = 0;
    if (readStatus == 0 || !platform::fileExists(m_configPath)) {
        config.setValue(kDefaultLanguageSection, kDefaultLanguageKey, name);
        status = config.save(m_configPath);
    } else {
        status = readStatus;
    }
    readConfig();
    if (status != 0) {
        m_language = name;
    }
    loadLanguage();
    return status;
}

void Settings::readConfig()
{
    IniFile config;
    (void)config.load(m_configPath);
    m_language = config.value(kDefaultLanguageSection, kDefaultLanguageKey, kDefaultLanguage);
    if (m_language.empty()) {
        m_language = kDefaultLanguage;
    }
    m_languages = config.lines(kLanguagesSection);
}

void Settings::loadLanguage()
{
    m_texts.clear();
    // The name becomes part of a path: a name that could leave the language folder loads
    // nothing.
    if (m_language.find('/') != std::string::npos || m_language.find('\\') != std::string::npos ||
        m_language.starts_with('.')) {
        return;
    }
    IniFile file;
    (void)file.load(m_languageFolder + m_language + ".ini");
    for (const std::string& name : file.sectionNames()) {
        Section& section = m_texts[name];
        for (auto& [key, value] : file.lines(name)) {
            section.emplace(key, value);
        }
    }
}

} // namespace app
