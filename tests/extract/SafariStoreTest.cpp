// Safari's stores read back from generated files of both column generations, and from files
// that are missing, damaged or hostile: where the stores are found, and what each gives.
#include "devicedb/SafariDb.h"
#include "extract/SafariStores.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

using fixtures::SafariLayout;

TEST(SafariStores, AreFoundByRelativePathInAnyDomain)
{
    const struct
    {
        const char* domainPath;
        bool bookmarks;
        bool history;
    } cases[] = {
        {"HomeDomain-Library/Safari/Bookmarks.db", true, false},
        {"AppDomain-com.apple.mobilesafari-Library/Safari/Bookmarks.db", true, false},
        {"HomeDomain-Library/Safari/Bookmarks.db-wal", false, false},
        {"HomeDomain-Library/Safari/History.db", false, true},
        {"AppDomain-com.apple.mobilesafari-Library/Safari/History.db", false, true},
        {"HomeDomain-Library/Safari/Profiles/3F2A8C1E/History.db", false, true},
        {"HomeDomain-Library/Safari/Profiles/History.db", false, false},
        {"HomeDomain-Library/Safari/Profiles/a/b/History.db", false, false},
        {"HomeDomain-Library/Safari/SafariHistory.db", false, false},
        {"HomeDomain-Library/Safari/History.db-shm", false, false},
        {"HomeDomain-Library/SafariX/History.db", false, false},
    };

    for (const auto& c : cases) {
        const std::vector<catalogue::ManifestEntry> manifest = {{c.domainPath, "id"}};
        EXPECT_EQ(extract::findSafariBookmarksStore(manifest) != nullptr, c.bookmarks)
            << c.domainPath;
        EXPECT_EQ(extract::findSafariHistoryStores(manifest).size(), c.history ? 1u : 0u)
            << c.domainPath;
    }
    // HomeDomain's bookmarks win over an older copy listed first.
    const std::vector<catalogue::ManifestEntry> both = {
        {"AppDomain-com.apple.mobilesafari-Library/Safari/Bookmarks.db", "old"},
        {"HomeDomain-Library/Safari/Bookmarks.db", "new"}};
    EXPECT_EQ(extract::findSafariBookmarksStore(both)->fileId, "new");
}

// Both generations give the same records; damage gives what can be read and a status the
// scan reports, never a crash.
TEST(SafariStores, EveryGenerationReadsAndDamageNeverCrashes)
{
    testsupport::TempDir dir;
    for (const SafariLayout layout : {SafariLayout::Older, SafariLayout::Newer}) {
        ASSERT_EQ(fixtures::writeSafariBookmarksDb(
                      dir.file("Bookmarks.db"), layout, fixtures::sampleSafariBookmarks()),
                  0);
        ASSERT_EQ(fixtures::writeSafariHistoryDb(
                      dir.file("History.db"), layout, fixtures::sampleSafariHistory(false)),
                  0);
        std::vector<extract::SafariBookmarkRecord> bookmarks;
        std::vector<extract::SafariHistoryRecord> pages;
        EXPECT_EQ(extract::readSafariBookmarks(dir.file("Bookmarks.db"), nullptr, bookmarks), 0);
        EXPECT_EQ(extract::readSafariHistory(dir.file("History.db"), nullptr, pages), 0);
        EXPECT_EQ(bookmarks.size(), 7u);
        EXPECT_EQ(std::count_if(bookmarks.begin(),
                                bookmarks.end(),
                                [](const auto& b) { return b.deleted != 0; }),
                  1);
        // Six pages, one a cleared visit of a live page, and the tombstone of the newer store.
        EXPECT_EQ(pages.size(), layout == SafariLayout::Newer ? 7u : 6u);
        EXPECT_TRUE(std::is_sorted(pages.begin(), pages.end(), [](const auto& a, const auto& b) {
            return a.lastVisit > b.lastVisit;
        }));
    }

    const std::string whole = testsupport::readFileBytes(dir.file("History.db"));

    const struct
    {
        const char* name;
        std::string content;
        bool missing;
    } damaged[] = {
        {"missing", "", true},
        {"empty", "", false},
        {"not a database", std::string(8192, 'x'), false},
        {"half a database", whole.substr(0, whole.size() / 2), false},
        {"header only", whole.substr(0, 100), false},
    };

    for (const auto& d : damaged) {
        const std::string path = dir.file(std::string(d.name) + ".db");
        if (!d.missing) {
            testsupport::writeFileBytes(path, d.content);
        }
        std::vector<extract::SafariBookmarkRecord> bookmarks;
        std::vector<extract::SafariHistoryRecord> pages;
        platform::Diagnostics damage;
        const int bookmarkStatus = extract::readSafariBookmarks(path, &damage, bookmarks);
        const int historyStatus = extract::readSafariHistory(path, &damage, pages);
        if (d.missing) {
            EXPECT_EQ(bookmarkStatus, platform::kStatusInvalid);
            EXPECT_EQ(historyStatus, platform::kStatusInvalid);
        } else {
            EXPECT_NE(bookmarkStatus, 0) << d.name;
            EXPECT_NE(historyStatus, 0) << d.name;
        }
        EXPECT_TRUE(bookmarks.empty()) << d.name;
    }
}

// A folder chain deeper than any device makes ends the walk at 64 folders.
TEST(SafariStores, FolderWalkStopsAtItsDepthLimit)
{
    testsupport::TempDir dir;
    fixtures::SafariBookmarksData data;
    data.rows.push_back({0, -1, 1, "Root", ""});
    for (std::int64_t id = 1; id <= 100; ++id) {
        data.rows.push_back({id, id - 1, 1, "F" + std::to_string(id), ""});
    }
    data.rows.push_back({101, 100, 0, "Deep", "https://deep.example/"});
    ASSERT_EQ(fixtures::writeSafariBookmarksDb(dir.file("Bookmarks.db"), SafariLayout::Newer, data),
              0);
    std::vector<extract::SafariBookmarkRecord> bookmarks;
    ASSERT_EQ(extract::readSafariBookmarks(dir.file("Bookmarks.db"), nullptr, bookmarks), 0);
    ASSERT_EQ(bookmarks.size(), 1u);
    EXPECT_EQ(bookmarks.front().folders.size(), 64u);
    EXPECT_EQ(bookmarks.front().folders.back(), "F100");
}

} // namespace
