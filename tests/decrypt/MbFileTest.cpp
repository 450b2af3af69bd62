// The MBFile archive in its inline and referenced forms, and Manifest.mbdb records as the
// decryption takes them.
#include "decrypt/MbFile.h"

#include "decrypt/Mbdb.h"
#include "fixtures/encrypt/EncryptedBackupWriter.h"
#include "platform/Diagnostics.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <plist/plist.h>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes toBytes(plist_t node)
{
    char* data = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node, &data, &length);
    Bytes out(data, data + length);
    plist_to_bin_free(data);
    return out;
}

// An MBFile archive; `keyForm` 0: inline NS.data, 1: NS.data behind a UID, 2: no key.
Bytes mbFile(int keyForm, const char* className, std::size_t keyBytes, std::uint64_t keyUid = 4)
{
    plist_t archive = plist_new_dict();
    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_t file = plist_new_dict();
    plist_dict_set_item(file, "$class", plist_new_uid(2));
    plist_dict_set_item(file, "ProtectionClass", plist_new_uint(3));
    plist_dict_set_item(file, "Size", plist_new_uint(1234));
    plist_array_append_item(objects, file);
    plist_t fileClass = plist_new_dict();
    plist_dict_set_item(fileClass, "$classname", plist_new_string(className));
    plist_array_append_item(objects, fileClass);
    plist_array_append_item(objects, plist_new_string("Library/x"));
    Bytes stored(keyBytes, 0xAB);
    if (keyBytes >= 4) {
        stored[0] = 3;
        stored[1] = stored[2] = stored[3] = 0;
    }
    const char* data = reinterpret_cast<const char*>(stored.data());
    if (keyForm != 2) {
        plist_t keyObject = plist_new_dict();
        if (keyForm == 0) {
            plist_dict_set_item(keyObject, "NS.data", plist_new_data(data, stored.size()));
        } else {
            plist_dict_set_item(keyObject, "NS.data", plist_new_uid(5));
        }
        plist_array_append_item(objects, keyObject);
        plist_array_append_item(objects, plist_new_data(data, stored.size()));
        plist_dict_set_item(file, "EncryptionKey", plist_new_uid(keyUid));
    }
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    plist_dict_set_item(archive, "$top", top);
    plist_dict_set_item(archive, "$objects", objects);
    Bytes out = toBytes(archive);
    plist_free(archive);
    return out;
}

} // namespace

TEST(MbFileTest, KeyInlineOrByReferenceAndDamagedArchives)
{
    for (const int form : {0, 1}) {
        SCOPED_TRACE(form == 0 ? "inline NS.data" : "NS.data by reference");
        decrypt::MbFileInfo info;
        ASSERT_EQ(decrypt::parseMbFile(mbFile(form, "MBFile", 44), info), 0);
        ASSERT_TRUE(info.key.has_value());
        EXPECT_EQ(info.key->protectionClass, 3u);
        EXPECT_EQ(info.key->wrapped, Bytes(40, 0xAB));
        EXPECT_EQ(info.protectionClass, 3u);
        EXPECT_EQ(info.size, 1234u);
    }
    decrypt::MbFileInfo info;
    ASSERT_EQ(decrypt::parseMbFile(mbFile(2, "MBFile", 44), info), 0);
    EXPECT_FALSE(info.key.has_value());

    struct Case
    {
        const char* name;
        Bytes blob;
    };

    const std::vector<Case> cases = {
        {"another class", mbFile(0, "NSDictionary", 44)},
        {"43-byte key", mbFile(0, "MBFile", 43)},
        {"key UID outside $objects", mbFile(0, "MBFile", 44, 99)},
        {"key UID to a string", mbFile(0, "MBFile", 44, 3)},
        {"not a plist", Bytes{1, 2, 3}},
    };
    // Every refusal says where it was found.
    for (const auto& c : cases) {
        platform::Diagnostics diagnostics;
        EXPECT_NE(decrypt::parseMbFile(c.blob, info, &diagnostics), 0) << c.name;
        EXPECT_EQ(diagnostics.entries().size(), 1u) << c.name;
    }
}

TEST(MbdbTest, ReadsRecordsWrittenByTheFixtureAndRefusesDamage)
{
    testsupport::TempDir dir;
    fixtures::EncryptedBackupOptions options;
    options.era = fixtures::BackupEra::Ios4To10_1;
    const std::vector<fixtures::EncryptedFile> files = {
        {"HomeDomain", "Library/SMS/sms.db", "content", 3},
        {"HomeDomain", "Library/empty", "", 4},
    };
    ASSERT_EQ(fixtures::writeEncryptedBackup(dir.path(), files, options), 0);
    const std::string raw = testsupport::readFileBytes(dir.file("Manifest.mbdb"));
    const Bytes bytes(raw.begin(), raw.end());

    std::vector<decrypt::MbdbRecord> records;
    ASSERT_EQ(decrypt::parseMbdb(bytes, records), 0);
    std::vector<const decrypt::MbdbRecord*> regular;
    for (const auto& record : records) {
        if (record.isRegularFile()) {
            regular.push_back(&record);
        }
    }
    ASSERT_EQ(regular.size(), 2u);
    EXPECT_EQ(regular[0]->fileId, "3d0d7e5fb2ce288813306e4d4636395e047a3d28");
    ASSERT_TRUE(regular[0]->key.has_value());
    EXPECT_EQ(regular[0]->key->protectionClass, 3u);
    EXPECT_EQ(regular[0]->size, 7u);
    EXPECT_FALSE(regular[1]->key.has_value());
    EXPECT_EQ(records.size(), 4u); // two folders, Library and Library/SMS

    EXPECT_EQ(decrypt::parseMbdb(Bytes(bytes.begin(), bytes.end() - 3), records),
              platform::kStatusTruncated);
    Bytes badMagic = bytes;
    badMagic[0] = 'x';
    EXPECT_EQ(decrypt::parseMbdb(badMagic, records), platform::kStatusInvalid);
}
