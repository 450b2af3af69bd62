// Manifest.mbdb: record decoding, skipped records, truncation at every byte, and the file
// statuses.
#include "catalogue/ManifestMbdb.h"

#include "fixtures/backup/MbdbWriter.h"
#include "formats/FileId.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace catalogue;
using fixtures::MbdbRecord;
using testsupport::TempDir;

namespace {

MbdbRecord record(std::optional<std::string> domain,
                  std::optional<std::string> path,
                  std::uint16_t mode = fixtures::kModeFile)
{
    MbdbRecord r;
    r.domain = std::move(domain);
    r.path = std::move(path);
    r.mode = mode;
    return r;
}

int parse(const std::string& bytes, std::vector<ManifestEntry>& entries)
{
    // An exact-size heap copy, so that any read past the end is caught by the sanitizer.
    const std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    return parseManifestMbdb(copy, entries);
}

} // namespace

TEST(ManifestMbdbTest, AcceptsFilesAndLinksAndSkipsTheRest)
{
    MbdbRecord withEverything = record("HomeDomain", "Library/SMS/sms.db");
    withEverything.linkTarget = "";
    withEverything.digest = std::string(20, '\xAB');
    withEverything.encryptionKey = std::string(44, '\x01');
    withEverything.properties = {{"com.apple.assetsd.UUID", std::string(16, '\xFF')},
                                 {"com.apple.assetsd.dbRebuildUuid", ""}};
    MbdbRecord link = record("HomeDomain", "Library/Caches/current", fixtures::kModeSymlink);
    link.linkTarget = "/var/mobile/x";

    const std::vector<MbdbRecord> records = {
        record("CameraRollDomain", "Media/DCIM/A", 0x41ED),       // folder: skipped
        record("CameraRollDomain", "Media/DCIM/A/B.JPG", 0x81A4), // file
        link,                                                     // link: kept
        record(std::nullopt, "Media/orphan"),                     // absent domain
        record("MediaDomain", std::nullopt),                      // absent path
        record("", "Media/x"),                                    // empty domain
        record("MediaDomain", ""),                                // empty path
        withEverything,                                           // properties and strings
        record("MediaDomain", "Media/no-type-bits", 0x0000),      // no type bits: kept
    };
    std::vector<ManifestEntry> entries{{"kept", "from before"}};
    ASSERT_EQ(parse(fixtures::encodeMbdb(records), entries), platform::kStatusOk);
    const std::vector<std::string> expected = {"kept",
                                               "CameraRollDomain-Media/DCIM/A/B.JPG",
                                               "HomeDomain-Library/Caches/current",
                                               "HomeDomain-Library/SMS/sms.db",
                                               "MediaDomain-Media/no-type-bits"};
    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].domainPath, expected[i]);
    }
    EXPECT_EQ(entries[1].fileId, formats::sha1Hex("CameraRollDomain-Media/DCIM/A/B.JPG"));
    EXPECT_EQ(entries[3].fileId, "3d0d7e5fb2ce288813306e4d4636395e047a3d28");
}

TEST(ManifestMbdbTest, MinimalRecordIsFiftyBytesPlusItsStrings)
{
    const MbdbRecord minimal = record("D", "P");
    EXPECT_EQ(fixtures::encodeMbdbRecord(minimal).size(), 50u + 2u);

    // Two such records back to back both decode, so the reader consumed exactly 52 bytes.
    std::vector<ManifestEntry> entries;
    ASSERT_EQ(parse(fixtures::encodeMbdb({minimal, record("D", "Q")}), entries),
              platform::kStatusOk);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].domainPath, "D-Q");
}

TEST(ManifestMbdbTest, HeaderCases)
{
    struct Case
    {
        const char* name;
        std::string bytes;
        int status;
    };

    const Case cases[] = {
        {"header only", std::string("mbdb\x05\x00", 6), platform::kStatusOk},
        {"magic and half a version", "mbdb\x05", platform::kStatusOk},
        {"wrong magic",
         std::string("mbdx\x05\x00", 6) + fixtures::encodeMbdbRecord(record("D", "P")),
         platform::kStatusInvalid},
        {"three bytes", "mbd", platform::kStatusInvalid},
        {"empty", "", platform::kStatusInvalid},
        {"one stray byte after the header",
         std::string("mbdb\x05\x00\x00", 7),
         platform::kStatusTruncated},
    };
    for (const Case& c : cases) {
        std::vector<ManifestEntry> entries;
        EXPECT_EQ(parse(c.bytes, entries), c.status) << c.name;
        EXPECT_TRUE(entries.empty()) << c.name;
    }
}

TEST(ManifestMbdbTest, TruncationAtEveryByteKeepsTheEarlierRecords)
{
    MbdbRecord second = record("HomeDomain", "Library/Notes/notes.sqlite");
    second.properties = {{"name", "value"}};
    const std::vector<MbdbRecord> records = {
        record("MediaDomain", "Media/a.jpg"), second, record("MediaDomain", "Media/c.jpg")};
    const std::string whole = fixtures::encodeMbdb(records);
    std::vector<std::size_t> ends = {6};
    for (const MbdbRecord& r : records) {
        ends.push_back(ends.back() + fixtures::encodeMbdbRecord(r).size());
    }
    ASSERT_EQ(ends.back(), whole.size());
    for (std::size_t length = 6; length <= whole.size(); ++length) {
        std::vector<ManifestEntry> entries;
        const int status = parse(whole.substr(0, length), entries);
        const auto complete = static_cast<std::size_t>(
            std::upper_bound(ends.begin(), ends.end(), length) - ends.begin() - 1);
        const bool onBoundary = std::find(ends.begin(), ends.end(), length) != ends.end();
        EXPECT_EQ(status, onBoundary ? platform::kStatusOk : platform::kStatusTruncated) << length;
        EXPECT_EQ(entries.size(), complete) << length;
    }
}

TEST(ManifestMbdbTest, StringLengthBeyondTheEndIsTruncation)
{
    std::string bytes =
        std::string("mbdb\x05\x00", 6) + fixtures::encodeMbdbRecord(record("D", "P"));
    bytes += std::string("\xFF\xFE", 2); // a domain of 65534 bytes that is not there
    bytes += "abc";
    std::vector<ManifestEntry> entries;
    EXPECT_EQ(parse(bytes, entries), platform::kStatusTruncated);
    EXPECT_EQ(entries.size(), 1u);
}

TEST(ManifestMbdbTest, FileStatuses)
{
    TempDir dir;
    std::vector<ManifestEntry> entries;
    EXPECT_EQ(readManifestMbdb(dir.file("missing.mbdb"), entries), platform::kStatusMbdbOpenFailed);
    EXPECT_EQ(readManifestMbdb(dir.path(), entries), platform::kStatusMbdbOpenFailed);
    EXPECT_EQ(readManifestMbdb("", entries), platform::kStatusInvalid);
    testsupport::writeFileBytes(dir.file("Manifest.mbdb"),
                                fixtures::encodeMbdb({record("D", "P"), record("D", "Q")}));
    EXPECT_EQ(readManifestMbdb(dir.file("Manifest.mbdb"), entries), platform::kStatusOk);
    EXPECT_EQ(entries.size(), 2u);
}
