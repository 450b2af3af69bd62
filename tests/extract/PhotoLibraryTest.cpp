// The photo library read back from libraries the fixture writer generates for two device
// generations, and from odd ones: details per file, the "no place" value, the device's trash,
// hostile names kept as they are, and damaged libraries that fail without a crash.
#include "extract/PhotoLibrary.h"

#include "devicedb/PhotosDb.h"
#include "devicedb/SqliteWriter.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "sqlitecarve/DeviceTables.h"
#include "support/TempDir.h"

#include <string_view>

#include <gtest/gtest.h>

namespace {

std::string coreDataText(std::int64_t unixSeconds)
{
    return sqlitecarve::appleDateText(
        static_cast<double>(unixSeconds - platform::kAppleEpochOffset));
}

TEST(PhotoLibrary, EveryGenerationGivesEachFileItsDetails)
{
    const std::vector<std::string> files = {"Media/DCIM/100APPLE/IMG_1.JPG",
                                            "Media/DCIM/100APPLE/IMG_2.HEIC",
                                            "Media/DCIM/100APPLE/IMG_3.MOV",
                                            "Media/DCIM/100APPLE/IMG_4.JPG",
                                            "Media/DCIM/100APPLE/IMG_5.PNG",
                                            "Media/DCIM/100APPLE/IMG_6.MP4"};
    const fixtures::PhotosData sample = fixtures::samplePhotosData(files);

    // Flags: f favourite, h hidden, d in "Recently Deleted", p a place.
    struct Expected
    {
        const char* path;
        const char* originalName;
        const char* kind;
        std::string_view flags;
    };

    const Expected expected[] = {
        {files[0].c_str(), "Beach \"day\", 1<script>alert(1)</script>.JPG", "photo", "fp"},
        {files[1].c_str(), "\u05D7\u05D5\u05E3 \u202Eevil.HEIC", "livePhoto", "h"},
        {files[2].c_str(), "line one\r\nline two.MOV", "video", "d"},
        // Only a longitude: no place.
        {files[3].c_str(), "Party \U0001F389\U0001F973.JPG", "photo", ""},
        {files[4].c_str(), "IMG_PLAIN.PNG", "screenshot", ""},
        {"Media/PhotoData/CPLAssets/group106/8A3F0000-CLOUD-ONLY.JPG", "IMG_9999.JPG", "photo", ""},
    };
    for (const auto layout :
         {fixtures::PhotosLayout::GenericAssetIos11, fixtures::PhotosLayout::AssetIos17}) {
        SCOPED_TRACE(static_cast<int>(layout));
        testsupport::TempDir dir;
        ASSERT_EQ(fixtures::writePhotosDb(dir.file("Photos.sqlite"), layout, sample), 0);
        extract::PhotoAssets assets;
        ASSERT_EQ(extract::readPhotoLibrary(dir.file("Photos.sqlite"), assets), 0);
        ASSERT_EQ(assets.size(), std::size(expected)) << "the sixth file is unknown";
        for (std::size_t i = 0; i < std::size(expected); ++i) {
            const Expected& e = expected[i];
            SCOPED_TRACE(e.path);
            ASSERT_EQ(assets.count(e.path), 1u);
            const extract::PhotoDetails& d = assets.at(e.path);
            const fixtures::PhotoAsset& a = sample.assets[i];
            EXPECT_EQ(d.originalName, e.originalName);
            EXPECT_EQ(d.kind, e.kind);
            EXPECT_EQ(d.created, coreDataText(a.createdUnix));
            EXPECT_EQ(d.width, a.width);
            EXPECT_EQ(d.height, a.height);
            const auto has = [&e](char flag) { return e.flags.find(flag) != std::string::npos; };
            const bool deleted = has('d');
            const bool place = has('p');
            EXPECT_EQ(d.favorite, has('f'));
            EXPECT_EQ(d.hidden, has('h'));
            EXPECT_EQ(d.deleted, deleted ? 1 : 0);
            EXPECT_EQ(d.deletedDate, deleted ? coreDataText(a.trashedUnix) : "");
            EXPECT_EQ(d.latitude.has_value(), place);
            EXPECT_EQ(d.longitude.has_value(), place);
            if (place) {
                EXPECT_DOUBLE_EQ(*d.latitude, a.latitude);
                EXPECT_DOUBLE_EQ(*d.longitude, a.longitude);
            }
        }
    }
}

// Libraries of other shapes: the columns that are there are read, rows without a file are
// skipped, odd values give empty details, and what is no library fails with a status.
TEST(PhotoLibrary, OddLibrariesGiveWhatTheyHoldOrAStatus)
{
    struct Case
    {
        const char* name;
        // Written into a fresh database; null: the file is `bytes` instead.
        const char* sql;
        const char* bytes;
        bool ok;
        // The asset path looked at and what it must give; null: no asset expected.
        const char* path;
        const char* originalName;
        const char* kind;
        std::int64_t width;
        std::size_t count;
    };

    const Case cases[] = {
        {"only directory and file; rows without either skipped",
         "CREATE TABLE ZGENERICASSET (Z_PK INTEGER PRIMARY KEY, ZDIRECTORY, ZFILENAME);"
         "INSERT INTO ZGENERICASSET VALUES (1, 'DCIM/100APPLE', 'A.JPG'), (2, NULL, 'B.JPG'),"
         " (3, 'DCIM', ''), (4, 'DCIM/100APPLE', 'A.JPG');",
         nullptr,
         true,
         "Media/DCIM/100APPLE/A.JPG",
         "",
         "",
         0,
         1},
        {"attributes found from their side, odd values",
         "CREATE TABLE ZASSET (Z_PK INTEGER PRIMARY KEY, ZDIRECTORY, ZFILENAME, ZKIND,"
         " ZKINDSUBTYPE, ZWIDTH, ZLATITUDE, ZLONGITUDE, ZTRASHEDSTATE);"
         "CREATE TABLE ZADDITIONALASSETATTRIBUTES (Z_PK INTEGER PRIMARY KEY, ZASSET,"
         " ZORIGINALFILENAME);"
         "INSERT INTO ZASSET VALUES (7, 'DCIM/../..', 'x.JPG', 9, 2, -5, 91.0, 10.0, 'yes');"
         "INSERT INTO ZADDITIONALASSETATTRIBUTES VALUES (1, 7, 'orig.jpg');",
         nullptr,
         true,
         "Media/DCIM/../../x.JPG",
         "orig.jpg",
         "",
         0,
         1},
        {"an asset table without a file column",
         "CREATE TABLE ZASSET (Z_PK INTEGER PRIMARY KEY, ZUUID);",
         nullptr,
         false,
         nullptr,
         nullptr,
         nullptr,
         0,
         0},
        {"no database",
         nullptr,
         "not a database at all, only text",
         false,
         nullptr,
         nullptr,
         nullptr,
         0,
         0},
        {"no file", nullptr, nullptr, false, nullptr, nullptr, nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::string path = dir.file("Photos.sqlite");
        if (c.sql != nullptr) {
            fixtures::SqliteWriter db;
            ASSERT_EQ(db.create(path), 0);
            ASSERT_EQ(db.exec(c.sql), 0) << db.lastError();
            ASSERT_EQ(db.close(), 0);
        } else if (c.bytes != nullptr) {
            ASSERT_EQ(platform::writeWholeFile(path, std::string(c.bytes) + std::string(600, 'x')),
                      0);
        }
        extract::PhotoAssets assets = {{"stale", {}}};
        const int status = extract::readPhotoLibrary(path, assets);
        EXPECT_EQ(status == platform::kStatusOk, c.ok) << platform::statusName(status);
        EXPECT_EQ(assets.size(), c.count);
        if (c.path != nullptr) {
            ASSERT_EQ(assets.count(c.path), 1u);
            const extract::PhotoDetails& d = assets.at(c.path);
            EXPECT_EQ(d.originalName, c.originalName);
            EXPECT_EQ(d.kind, c.kind);
            EXPECT_EQ(d.width, c.width);
            EXPECT_FALSE(d.latitude || d.longitude);
            EXPECT_EQ(d.deleted, 0) << "only a number marks the trash";
        }
    }
}

} // namespace
