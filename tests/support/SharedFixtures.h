// Access to the real files written by others in ../shared/fixtures. Tests that need them call
// BRENVALE_REQUIRE_SHARED_FIXTURE, which skips the test with a message where they are absent.
#pragma once

#include <string>

namespace testsupport {

// The folder of shared fixtures ($BRENVALE_SHARED_FIXTURES), or empty when it does not exist.
std::string sharedFixturesFolder();

// The path of `relative` inside the shared fixtures, or empty when it does not exist.
std::string sharedFixture(const std::string& relative);

// Reads a whole file into a string; throws when it cannot be read (a broken test set-up).
std::string readFileBytes(const std::string& path);

// Writes a whole file; throws when it cannot be written.
void writeFileBytes(const std::string& path, const std::string& content);

} // namespace testsupport

#define BRENVALE_REQUIRE_SHARED_FIXTURE(variable, relative)                                        \
    const std::string variable = ::testsupport::sharedFixture(relative);                           \
    if (variable.empty()) {                                                                        \
        GTEST_SKIP() << "shared fixture " << (relative) << " is not on this machine";              \
    }
