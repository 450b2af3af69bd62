// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
#pragma once

#include <string>

namespace testsupport {

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }

    // `path()` joined with `name`.
    std::string file(const std::string& name) const;

private:
    std::string m_path;
};

} // namespace testsupport
