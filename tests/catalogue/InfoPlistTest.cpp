// Info.plist reading: the line scan of the XML form, the binary form through libplist, and
// input that is neither.
#include "catalogue/InfoPlist.h"

#include "ScopedEnvironment.h"
#include "fixtures/backup/InfoPlistWriter.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"

#include <gtest/gtest.h>

using namespace catalogue;
using catalogue_test::ScopedEnvironment;
using namespace std::string_literals;

namespace {

std::string plist(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

std::string entry(const std::string& key, const std::string& value, const char* tag = "string")
{
    return "\t<key>" + key + "</key>\n\t<" + tag + ">" + value + "</" + tag + ">\n";
}

} // namespace

TEST(InfoPlistXmlTest, ReadsTheFiveKeys)
{
    const ScopedEnvironment zone("TZ", "America/Los_Angeles");
    BackupInfo info;
    scanInfoPlistXml(
        plist(entry("Build Version", "11D257") + entry("Display Name", "Zoë's iPhone") +
              entry("Last Backup Date", "2014-05-06T01:30:00Z", "date") +
              entry("Phone Number", "+44 7700 900123") + entry("Product Version", "7.1.2") +
              entry("Serial Number", "C39JK1ABDTWF")),
        info);
    EXPECT_EQ(info.displayName, "Zoë's iPhone");
    EXPECT_EQ(info.lastBackupDate, "2014-05-05 17:30:00");
    EXPECT_EQ(info.phoneNumber, "+44 7700 900123");
    EXPECT_EQ(info.serialNumber, "C39JK1ABDTWF");
    EXPECT_FALSE(info.isVersion12OrLater);
}

TEST(InfoPlistXmlTest, VersionFlag)
{
    const std::pair<const char*, bool> versions[] = {{"12.0", true},
                                                     {"11.4.1", false},
                                                     {"14.3", true},
                                                     {"  12", true},
                                                     {"+13.1", true},
                                                     {"-12", false},
                                                     {"", false},
                                                     {"x12", false},
                                                     {"99999999999999999999", true}};
    for (const auto& [version, expected] : versions) {
        BackupInfo info;
        scanInfoPlistXml(plist(entry("Product Version", version)), info);
        EXPECT_EQ(info.isVersion12OrLater, expected) << version;
    }
}

TEST(InfoPlistXmlTest, DateWithoutTKeepsItsZAndStillConverts)
{
    const ScopedEnvironment zone("TZ", "America/Los_Angeles");
    BackupInfo info;
    scanInfoPlistXml(plist(entry("Last Backup Date", "2014-05-06 01:30:00Z", "date")), info);
    EXPECT_EQ(info.lastBackupDate, "2014-05-05 17:30:00");

    BackupInfo unparsable;
    scanInfoPlistXml(plist(entry("Last Backup Date", "yesterday", "date")), unparsable);
    EXPECT_EQ(unparsable.lastBackupDate, "yesterday");
}

TEST(InfoPlistXmlTest, KeysAfterSerialNumberAreNotSeen)
{
    BackupInfo info;
    scanInfoPlistXml(plist(entry("Serial Number", "S1") + entry("Display Name", "Late")), info);
    EXPECT_EQ(info.serialNumber, "S1");
    EXPECT_TRUE(info.displayName.empty());
}

TEST(InfoPlistXmlTest, OddLayoutsStayInsideTheirLines)
{
    struct Case
    {
        const char* name;
        std::string content;
        std::string phone;
    };

    const Case cases[] = {
        {"key and value on one line", "<key>Phone Number</key><string>1</string>\n<x/>\n", ""},
        {"value without opening tag", "<key>Phone Number</key>\n12345</string>\n", ""},
        {"value without closing tag", "<key>Phone Number</key>\n<string>12345\n", "12345\n"},
        {"key on the last line", "<key>Phone Number</key>", ""},
        {"empty file", "", ""},
        {"not a plist", "\x01\x02garbage\n\xff\xfe", ""},
        {"NUL inside the value line", "<key>Phone Number</key>\n<string>12\0 34</string>\n"s, "12"},
    };
    for (const Case& c : cases) {
        BackupInfo info;
        scanInfoPlistXml(c.content, info);
        EXPECT_EQ(info.phoneNumber, c.phone) << c.name;
        EXPECT_EQ(parseInfoPlist(c.content, info), platform::kStatusOk) << c.name;
    }
}

TEST(InfoPlistXmlTest, LongLinesArriveInPiecesOf2047Bytes)
{
    // A key line of 2047 bytes ends exactly where the key ends: the next piece is the rest of
    // the line, which is then the "value line".
    const std::string key = "<key>Phone Number</key>";
    std::string longLine = std::string(kInfoPlistLineBytes - key.size(), ' ') + key +
                           "<string>split</string>\n<string>next</string>\n";
    BackupInfo info;
    scanInfoPlistXml(longLine, info);
    EXPECT_EQ(info.phoneNumber, "split");

    // A key that straddles the piece boundary is not found.
    std::string straddling =
        std::string(kInfoPlistLineBytes - 5, ' ') + key + "\n<string>lost</string>\n";
    BackupInfo missed;
    scanInfoPlistXml(straddling, missed);
    EXPECT_TRUE(missed.phoneNumber.empty());
}

TEST(InfoPlistBinaryTest, ReadsGeneratedBinaryPlist)
{
    const ScopedEnvironment zone("TZ", "America/Los_Angeles");
    fixtures::BackupDescription spec;
    spec.deviceName = "Ben's iPhone";
    spec.lastBackupDate = "2015-08-02T18:04:11Z";
    spec.productVersion = "12.4";
    spec.serialNumber = "F2LMK0AAG5MQ";
    spec.phoneNumber = "+1 555 0100";
    const std::string binary = fixtures::infoPlistBinary(spec);
    ASSERT_EQ(binary.rfind("bplist00", 0), 0u);
    BackupInfo info;
    ASSERT_EQ(parseInfoPlist(binary, info), platform::kStatusOk);
    EXPECT_EQ(info.displayName, "Ben's iPhone");
    EXPECT_EQ(info.lastBackupDate, "2015-08-02 10:04:11");
    EXPECT_EQ(info.serialNumber, "F2LMK0AAG5MQ");
    EXPECT_EQ(info.phoneNumber, "+1 555 0100");
    EXPECT_TRUE(info.isVersion12OrLater);

    // The XML form of the same device gives the same record.
    BackupInfo fromXml;
    ASSERT_EQ(parseInfoPlist(fixtures::infoPlistXml(spec), fromXml), platform::kStatusOk);
    EXPECT_EQ(fromXml.displayName, info.displayName);
    EXPECT_EQ(fromXml.lastBackupDate, info.lastBackupDate);
    EXPECT_EQ(fromXml.serialNumber, info.serialNumber);
    EXPECT_EQ(fromXml.phoneNumber, info.phoneNumber);
    EXPECT_EQ(fromXml.isVersion12OrLater, info.isVersion12OrLater);
}

TEST(InfoPlistBinaryTest, DamagedBinaryPlistIsRejectedAndLeavesTheRecord)
{
    fixtures::BackupDescription spec;
    const std::string good = fixtures::infoPlistBinary(spec);
    std::vector<std::string> damaged = {
        "bplist00", "bplist00" + std::string(40, '\0'), good.substr(0, good.size() / 2)};
    std::string badTrailer = good;
    for (std::size_t i = badTrailer.size() - 8; i < badTrailer.size(); ++i) {
        badTrailer[i] = '\x7F'; // offset table far beyond the file
    }
    damaged.push_back(badTrailer);
    std::string badRefSize = good;
    badRefSize[badRefSize.size() - 25] = '\x00'; // object reference size 0
    damaged.push_back(badRefSize);
    damaged.push_back(fixtures::infoPlistBinaryWithNul(spec));
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        BackupInfo info;
        info.displayName = "unchanged";
        EXPECT_EQ(parseInfoPlist(damaged[i], info), platform::kStatusCorrupt) << i;
        EXPECT_EQ(info.displayName, "unchanged") << i;
    }
}

TEST(InfoPlistBinaryTest, RootThatIsNotADictionaryIsRejected)
{
    // bplist00 holding the single string "x": marker 0x51, offset table, trailer.
    std::string array = "bplist00";
    array += "\x51x";
    array += '\x08';
    std::string trailer(6, '\0');
    trailer += '\x01';
    trailer += '\x01';
    trailer += std::string("\0\0\0\0\0\0\0\x01", 8);
    trailer += std::string(8, '\0');
    trailer += std::string("\0\0\0\0\0\0\0\x0A", 8);
    array += trailer;
    BackupInfo info;
    EXPECT_EQ(parseInfoPlist(array, info), platform::kStatusCorrupt);
}

TEST(InfoPlistBinaryTest, RealBinaryInfoPlist)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(path, "ios-backup-mvt/Info.plist");
    const ScopedEnvironment zone("TZ", "America/Los_Angeles");
    BackupInfo info;
    ASSERT_EQ(parseInfoPlist(testsupport::readFileBytes(path), info), platform::kStatusOk);
    EXPECT_EQ(info.displayName, "iPhone");
    EXPECT_EQ(info.serialNumber, "F1234567890");
    EXPECT_TRUE(info.isVersion12OrLater);
    EXPECT_EQ(info.lastBackupDate, "2021-12-03 11:33:13");
}
