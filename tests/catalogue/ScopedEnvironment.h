// Sets an environment variable for the life of a test and puts the old value back afterwards.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace catalogue_test {

class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const std::string& value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name); old != nullptr) {
            m_old = old;
        }
        ::setenv(name, value.c_str(), 1);
        ::tzset();
    }

    ~ScopedEnvironment()
    {
        if (m_old) {
            ::setenv(m_name.c_str(), m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name.c_str());
        }
        ::tzset();
    }

    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace catalogue_test
