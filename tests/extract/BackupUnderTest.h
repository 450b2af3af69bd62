// A generated backup opened in a BackupEngine whose working folder lies in a temporary folder,
// for the tests of the category walks, the recovery source and the scan driver.
#pragma once

#include "catalogue/BackupDiscovery.h"
#include "catalogue/BackupEngine.h"
#include "fixtures/backup/BackupWriter.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace extracttest {

class BackupUnderTest
{
public:
    explicit BackupUnderTest(const fixtures::BackupDescription& spec)
        : m_spec(spec)
    {
        ::setenv("BRENVALE_APPDATA", m_dir.file("appdata").c_str(), 1);
        m_folder = m_dir.file("backup");
        EXPECT_EQ(fixtures::writeBackup(spec, m_folder), 0);
        EXPECT_EQ(catalogue::readBackupInfo(m_folder, m_info), 0);
        catalogue::EngineOptions options;
        options.tempFolder = m_dir.file("temp");
        m_engine = std::make_unique<catalogue::BackupEngine>(options);
        EXPECT_EQ(m_engine->selectBackup(m_info), 0);
    }

    // Opens the backup without a progress callback.
    void open() { ASSERT_EQ(m_engine->openBackup(""), 0); }

    catalogue::BackupEngine& engine() { return *m_engine; }

    const catalogue::BackupInfo& info() const { return m_info; }

    const std::string& folder() const { return m_folder; }

    std::string scratch(const std::string& name) const { return m_dir.file(name); }

    // The content path of the described file of that domain and path.
    std::string contentOf(const std::string& domain, const std::string& relativePath) const
    {
        for (const fixtures::BackupFile& file : m_spec.files) {
            if (file.domain == domain && file.relativePath == relativePath) {
                return fixtures::contentPath(m_spec, m_folder, file);
            }
        }
        return {};
    }

private:
    testsupport::TempDir m_dir;
    fixtures::BackupDescription m_spec;
    std::string m_folder;
    catalogue::BackupInfo m_info;
    std::unique_ptr<catalogue::BackupEngine> m_engine;
};

} // namespace extracttest
