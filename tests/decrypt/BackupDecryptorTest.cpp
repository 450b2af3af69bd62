// Whole-backup decryption in-process: both eras, the manifest key's class, problems with
// single files, rows of other kinds that hold files, damaged or missing inputs, the output
// folder, and the IsEncrypted probe.
#include "decrypt/BackupDecryptor.h"

#include "TestHelpers.h"
#include "formats/ManifestNames.h"
#include "formats/ManifestPlist.h"
#include "formats/Mbdb.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <sqlite3.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

using fixtures::BackupEra;
using testsupport::readFileBytes;
using testsupport::TempDir;
using testsupport::writeFileBytes;

namespace {

struct Result
{
    int status = 0;
    decrypt::DecryptSummary summary;
    std::vector<std::uint64_t> progress;
    std::vector<std::string> problems;
};

Result
decryptFolder(const std::string& backup, const std::string& output, const std::string& password)
{
    Result result;
    decrypt::DecryptCallbacks callbacks;
    callbacks.progress = [&result](std::uint64_t done) { result.progress.push_back(done); };
    callbacks.problem = [&result](const std::string& p) { result.problems.push_back(p); };
    result.status =
        decrypt::decryptBackupFolder(backup, output, password, callbacks, result.summary);
    return result;
}

std::string idOf(const fixtures::EncryptedFile& file)
{
    return fixtures::fileIdOf(file.domain, file.relativePath);
}

// Rewrites one key of backup/Manifest.plist; `value` null removes it.
void editManifestPlist(const std::string& backup, const char* key, plist_t value)
{
    const std::string raw = readFileBytes(backup + "/Manifest.plist");
    plist_t root = nullptr;
    plist_from_bin(raw.data(), static_cast<std::uint32_t>(raw.size()), &root);
    ASSERT_NE(root, nullptr);
    if (value != nullptr) {
        plist_dict_set_item(root, key, value);
    } else {
        plist_dict_remove_item(root, key);
    }
    char* out = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &out, &length);
    writeFileBytes(backup + "/Manifest.plist", std::string(out, length));
    plist_to_bin_free(out);
    plist_free(root);
}

class BackupDecryptorTest : public ::testing::TestWithParam<BackupEra>
{
protected:
    void SetUp() override
    {
        options.era = GetParam();
        files = decrypttest::sampleFiles();
        ASSERT_EQ(fixtures::writeEncryptedBackup(backup(), files, options), 0);
    }

    std::string backup() const { return dir.file("backup"); }

    std::string output() const { return dir.file("out"); }

    std::string content(const fixtures::EncryptedFile& file) const
    {
        return fixtures::contentPathOf(backup(), GetParam(), idOf(file));
    }

    TempDir dir;
    fixtures::EncryptedBackupOptions options;
    std::vector<fixtures::EncryptedFile> files;
};

} // namespace

TEST_P(BackupDecryptorTest, DecryptsEveryFileFlatAndLeavesTheBackupAsItWas)
{
    const auto before = decrypttest::snapshot(backup());
    const Result result = decryptFolder(backup(), output(), "0000");
    ASSERT_EQ(result.status, 0) << result.summary.message;
    EXPECT_TRUE(result.problems.empty());
    EXPECT_EQ(result.summary.filesDone, files.size());
    ASSERT_FALSE(result.progress.empty());
    EXPECT_EQ(result.progress.front(), 0u);
    EXPECT_EQ(result.progress.back(), files.size());

    for (const auto& file : files) {
        EXPECT_EQ(readFileBytes(output() + "/" + idOf(file)), file.bytes) << file.relativePath;
    }
    const bool later = GetParam() == BackupEra::Ios10_2AndLater;
    EXPECT_EQ(std::filesystem::exists(output() + "/" + formats::kDecryptedManifestDbName), later);
    if (later) {
        EXPECT_EQ(readFileBytes(output() + "/" + formats::kDecryptedManifestDbName).substr(0, 16),
                  std::string("SQLite format 3\0", 16));
    }
    EXPECT_EQ(decrypttest::snapshot(backup()), before);

    struct stat info
    {};

    ASSERT_EQ(::stat(output().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_P(BackupDecryptorTest, WrongPasswordWritesNothing)
{
    for (const char* wrong : {"", "000", "00000", "0000 "}) {
        const Result result = decryptFolder(backup(), output(), wrong);
        EXPECT_EQ(result.status, platform::kStatusWrongPassword) << wrong;
        EXPECT_TRUE(result.progress.empty());
        EXPECT_FALSE(std::filesystem::exists(output())) << wrong;
    }
    // An output folder that was there before stays, empty as it was.
    std::filesystem::create_directory(output());
    EXPECT_EQ(decryptFolder(backup(), output(), "1234").status, platform::kStatusWrongPassword);
    EXPECT_TRUE(std::filesystem::is_empty(output()));
}

TEST_P(BackupDecryptorTest, ProblemsWithSingleFilesDoNotStopTheRest)
{
    // Missing, truncated and padding-damaged content, one file each.
    std::filesystem::remove(content(files[1]));
    const std::string cipher = readFileBytes(content(files[2]));
    writeFileBytes(content(files[2]), cipher.substr(0, cipher.size() - 3));
    std::string damaged = readFileBytes(content(files[3]));
    damaged[damaged.size() - 20] ^= 0x55; // flips bits of the last plaintext block
    writeFileBytes(content(files[3]), damaged);

    const Result result = decryptFolder(backup(), output(), "0000");
    ASSERT_EQ(result.status, 0) << result.summary.message;
    EXPECT_EQ(result.summary.filesDone, files.size());
    EXPECT_EQ(result.summary.filesWithProblems, 3u);
    ASSERT_EQ(result.problems.size(), 3u);
    auto mentions = [&result](const std::string& id, const char* what) {
        for (const auto& p : result.problems) {
            if (p.starts_with(id) && p.find(what) != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(mentions(idOf(files[1]), "missing"));
    EXPECT_TRUE(mentions(idOf(files[2]), "truncated"));
    EXPECT_TRUE(mentions(idOf(files[3]), "padding"));
    EXPECT_FALSE(std::filesystem::exists(output() + "/" + idOf(files[1])));
    const std::string truncated = readFileBytes(output() + "/" + idOf(files[2]));
    EXPECT_EQ(truncated.size() % 16, 0u);
    EXPECT_EQ(truncated, files[2].bytes.substr(0, truncated.size()));
    EXPECT_EQ(readFileBytes(output() + "/" + idOf(files[0])), files[0].bytes);
    EXPECT_EQ(readFileBytes(output() + "/" + idOf(files[4])), "");
}

// Other writers mark real files with other flags (or modes): such a row is decrypted when it
// has a key and a content file, and reported when its content file is missing.
TEST_P(BackupDecryptorTest, RowsOfOtherKindsWithAKeyAndContentAreDecrypted)
{
    const std::vector<std::string> relabelled = {idOf(files[0]), idOf(files[2])};
    if (GetParam() == BackupEra::Ios10_2AndLater) {
        // A plain Manifest.db (as iOS 10.0 writes it) whose rows are edited in place.
        ASSERT_EQ(decryptFolder(backup(), dir.file("first"), "0000").status, 0);
        std::filesystem::copy_file(dir.file("first") + "/" + formats::kDecryptedManifestDbName,
                                   backup() + "/Manifest.db",
                                   std::filesystem::copy_options::overwrite_existing);
        editManifestPlist(backup(), "ManifestKey", nullptr);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((backup() + "/Manifest.db").c_str(), &db), SQLITE_OK);
        const std::string update = "UPDATE Files SET flags = 8 WHERE fileID IN ('" + relabelled[0] +
                                   "', '" + relabelled[1] + "')";
        EXPECT_EQ(sqlite3_exec(db, update.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    } else {
        // The mode follows the encryption key, the last string of a record.
        std::string mbdb = readFileBytes(backup() + "/Manifest.mbdb");
        const auto* base = reinterpret_cast<const std::uint8_t*>(mbdb.data());
        std::vector<std::size_t> modeOffsets;
        ASSERT_EQ(formats::readMbdbRecords({base, mbdb.size()},
                                           [&](const formats::MbdbRecord& record) {
                                               const std::string id =
                                                   fixtures::fileIdOf(std::string(record.domain),
                                                                      std::string(record.path));
                                               if (id == relabelled[0] || id == relabelled[1]) {
                                                   modeOffsets.push_back(static_cast<std::size_t>(
                                                       record.encryptionKey.data() +
                                                       record.encryptionKey.size() - base));
                                               }
                                               return 0;
                                           }),
                  0);
        ASSERT_EQ(modeOffsets.size(), 2u);
        for (const std::size_t at : modeOffsets) {
            mbdb[at] = '\0'; // no file type bits
        }
        writeFileBytes(backup() + "/Manifest.mbdb", mbdb);
    }
    std::filesystem::remove(content(files[2]));

    const Result result = decryptFolder(backup(), output(), "0000");
    ASSERT_EQ(result.status, 0) << result.summary.message;
    EXPECT_EQ(readFileBytes(output() + "/" + idOf(files[0])), files[0].bytes);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_TRUE(result.problems[0].starts_with(idOf(files[2])));
    EXPECT_NE(result.problems[0].find("content file is missing"), std::string::npos);
    EXPECT_EQ(result.summary.filesWithProblems, 1u);
    EXPECT_EQ(result.summary.filesDone, files.size());
}

TEST_P(BackupDecryptorTest, MissingOrDamagedInputsGiveAStatusAndAMessage)
{
    struct Case
    {
        const char* name;
        std::function<void(const std::string&)> damage;
        int status;
    };

    const std::vector<Case> cases = {
        {"no Manifest.plist",
         [](const std::string& b) { std::filesystem::remove(b + "/Manifest.plist"); },
         platform::kStatusInvalid},
        {"Manifest.plist is garbage",
         [](const std::string& b) { writeFileBytes(b + "/Manifest.plist", "bplist00garbage"); },
         platform::kStatusCorrupt},
        {"no keybag",
         [](const std::string& b) { editManifestPlist(b, "BackupKeyBag", nullptr); },
         platform::kStatusCorrupt},
        {"damaged keybag",
         [](const std::string& b) {
             editManifestPlist(b, "BackupKeyBag", plist_new_data("SALT\0\0\xff\xff", 8));
         },
         platform::kStatusCorrupt},
        {"IsEncrypted false",
         [](const std::string& b) { editManifestPlist(b, "IsEncrypted", plist_new_bool(0)); },
         platform::kStatusUnsupported},
        {"no manifest",
         [](const std::string& b) {
             std::filesystem::remove(b + "/Manifest.db");
             std::filesystem::remove(b + "/Manifest.mbdb");
         },
         platform::kStatusInvalid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir local;
        const std::string copy = local.file("backup");
        std::filesystem::copy(backup(), copy, std::filesystem::copy_options::recursive);
        c.damage(copy);
        decrypt::DecryptSummary summary;
        const Result result = decryptFolder(copy, local.file("out"), "0000");
        EXPECT_EQ(result.status, c.status);
        EXPECT_FALSE(result.summary.message.empty());
    }
}

TEST_P(BackupDecryptorTest, OutputInsideTheBackupIsRefused)
{
    const auto before = decrypttest::snapshot(backup());
    for (const std::string& inside : {backup(), backup() + "/sub", backup() + "/../backup/x"}) {
        const Result result = decryptFolder(backup(), inside, "0000");
        EXPECT_EQ(result.status, platform::kStatusInvalid) << inside;
    }
    EXPECT_EQ(decrypttest::snapshot(backup()), before);
    EXPECT_FALSE(std::filesystem::exists(backup() + "/sub"));
}

INSTANTIATE_TEST_SUITE_P(Eras,
                         BackupDecryptorTest,
                         ::testing::Values(BackupEra::Ios10_2AndLater, BackupEra::Ios4To10_1),
                         [](const auto& param) {
                             return param.param == BackupEra::Ios10_2AndLater ? "Ios10_2AndLater"
                                                                              : "Ios4To10_1";
                         });

TEST(ManifestKeyTest, AnyClassWorksAndAClassTheKeybagLacksIsReported)
{
    const auto files = decrypttest::sampleFiles();
    for (const std::uint32_t manifestClass : {1u, 2u, 3u, 11u}) {
        SCOPED_TRACE(manifestClass);
        TempDir dir;
        fixtures::EncryptedBackupOptions options;
        options.manifestKeyClass = manifestClass;
        options.keyDataAsReference = manifestClass == 2;
        ASSERT_EQ(fixtures::writeEncryptedBackup(dir.file("b"), files, options), 0);
        const Result result = decryptFolder(dir.file("b"), dir.file("o"), "0000");
        ASSERT_EQ(result.status, 0) << result.summary.message;
        EXPECT_EQ(readFileBytes(dir.file("o") + "/" + idOf(files[2])), files[2].bytes);
    }

    TempDir dir;
    fixtures::EncryptedBackupOptions options;
    ASSERT_EQ(fixtures::writeEncryptedBackup(dir.file("b"), files, options), 0);
    // The same wrapped key under another class number: class 12 is not in the keybag, and
    // class 3's key does not unwrap what class 4 wrapped.
    const std::string raw = readFileBytes(dir.file("b") + "/Manifest.plist");
    plist_t root = nullptr;
    plist_from_bin(raw.data(), static_cast<std::uint32_t>(raw.size()), &root);
    char* key = nullptr;
    std::uint64_t length = 0;
    plist_get_data_val(plist_dict_get_item(root, "ManifestKey"), &key, &length);
    ASSERT_EQ(length, 44u);
    std::string stored(key, length);
    free(key);
    plist_free(root);
    for (const char otherClass : {'\x0c', '\x03'}) {
        stored[0] = otherClass;
        editManifestPlist(
            dir.file("b"), "ManifestKey", plist_new_data(stored.data(), stored.size()));
        const Result result = decryptFolder(dir.file("b"), dir.file("o2"), "0000");
        EXPECT_EQ(result.status, platform::kStatusCorrupt);
        EXPECT_NE(result.summary.message.find("ManifestKey"), std::string::npos);
    }
}

TEST(BackupDecryptorEdgeTest, BackupWithoutFilesAndTheIsEncryptedProbe)
{
    for (const auto era : {BackupEra::Ios10_2AndLater, BackupEra::Ios4To10_1}) {
        TempDir dir;
        fixtures::EncryptedBackupOptions options;
        options.era = era;
        ASSERT_EQ(fixtures::writeEncryptedBackup(dir.file("b"), {}, options), 0);
        EXPECT_TRUE(formats::manifestSaysEncrypted(dir.file("b")));
        const Result result = decryptFolder(dir.file("b"), dir.file("o"), "0000");
        EXPECT_EQ(result.status, 0) << result.summary.message;
        EXPECT_EQ(result.summary.filesDone, 0u);
        EXPECT_EQ(result.progress, std::vector<std::uint64_t>{0});
    }
    TempDir dir;
    EXPECT_FALSE(formats::manifestSaysEncrypted(dir.path()));
    writeFileBytes(dir.file("Manifest.plist"),
                   "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>IsEncrypted</key>"
                   "<false/></dict></plist>");
    EXPECT_FALSE(formats::manifestSaysEncrypted(dir.path()));
    writeFileBytes(dir.file("Manifest.plist"),
                   "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>IsEncrypted</key>"
                   "<true/></dict></plist>");
    EXPECT_TRUE(formats::manifestSaysEncrypted(dir.path()));
}
