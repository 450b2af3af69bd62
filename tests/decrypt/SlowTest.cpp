// A backup with a device's real iteration counts (10,000,000 PBKDF2-SHA256 rounds), decrypted
// by the tool: seconds of work, so it carries the `slow` label.
#include "TestHelpers.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(SlowDecryptTest, DeviceIterationCounts)
{
    testsupport::TempDir dir;
    const auto files = decrypttest::sampleFiles();
    fixtures::EncryptedBackupOptions options;
    options.useDeviceIterations();
    options.password = "0000";
    ASSERT_EQ(fixtures::writeEncryptedBackup(dir.file("backup"), files, options), 0);

    const auto wrong = decrypttest::runTool({dir.file("backup"), dir.file("out")}, "0001\n");
    EXPECT_EQ(wrong.out, "Wrong password\n");

    const auto run = decrypttest::runTool({dir.file("backup"), dir.file("out")}, "0000\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const auto& file : files) {
        EXPECT_EQ(testsupport::readFileBytes(dir.file("out") + "/" +
                                             fixtures::fileIdOf(file.domain, file.relativePath)),
                  file.bytes);
    }
}
