// The selection statistics: filling from a scan, the counter rules of ticking and filtering,
// and the size texts.
#include "ExportFixture.h"
#include "export/CStatisticsObj.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using exporting::CounterBlock;
using exporting::CStatisticsObj;
using extract::RecoveryCategory;

struct Counts
{
    std::int64_t count, ticked, filtered, tickedFiltered;

    bool operator==(const Counts&) const = default;
};

Counts counts(const CounterBlock& block)
{
    return {block.count, block.ticked, block.filtered, block.tickedFiltered};
}

std::ostream& operator<<(std::ostream& out, const Counts& c)
{
    return out << "{" << c.count << ", " << c.ticked << ", " << c.filtered << ", "
               << c.tickedFiltered << "}";
}

class StatisticsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        results = exporttest::writeSmallBackup(dir.file("backup"));
        // Ten live and five deleted notes.
        results.notes.clear();
        for (int i = 0; i < 15; ++i) {
            results.notes.push_back({i < 5 ? 1 : 0, i, "", "note", "text"});
        }
        stats.fill(results, extract::CategorySet::all());
    }

    const CounterBlock& notesBlock() const
    {
        return *stats.blockOf(stats.categoryKey(RecoveryCategory::Notes));
    }

    // The filter switch of the results page: hide (or show again) every live note.
    void filterLiveNotes(bool on)
    {
        for (const auto& note : results.notes) {
            if (note.deleted == 0) {
                ASSERT_EQ(stats.setFiltered(&note, on), 0);
            }
        }
    }

    testsupport::TempDir dir;
    extract::ScanResults results;
    CStatisticsObj stats;
};

TEST_F(StatisticsTest, FillsGroupsAndRecordsAllTicked)
{
    // 2 camera roll, 1 app photo, 2 conversations, 1 attachment, 2 contacts, 3 calls,
    // 15 notes, 1 chat.
    const std::int64_t records = 2 + 1 + 2 + 1 + 2 + 3 + 15 + 1;
    EXPECT_EQ(counts(stats.wholeScan()), (Counts{records, records, 0, 0}));
    EXPECT_EQ(stats.selectedCount(), records);
    EXPECT_EQ(stats.tickedSize(), stats.totalSize());

    // Every record counts at least 1024 bytes; files count their size when larger.
    std::uint64_t expectedTotal = 0;
    for (const auto& entry : stats.entries()) {
        if (!entry.group) {
            EXPECT_GE(entry.size, CStatisticsObj::kMinRecordSize);
            expectedTotal += entry.size;
        }
    }
    EXPECT_EQ(stats.totalSize(), expectedTotal);
    const auto* photo = stats.find(&results.cameraRoll[0]);
    ASSERT_NE(photo, nullptr);
    EXPECT_EQ(photo->size, std::max<std::uint64_t>(results.cameraRoll[0].size, 1024));
    EXPECT_EQ(photo->category, extract::RecoveryCategory::CameraRoll);

    // Conversations take their deleted flag from the summary, chats from any message.
    EXPECT_TRUE(stats.find(&results.conversations[0])->deleted);
    EXPECT_FALSE(stats.find(&results.conversations[1])->deleted);
    EXPECT_TRUE(stats.find(&results.whatsApp[5].front())->deleted);
    EXPECT_EQ(stats.find(&results.whatsApp[5].front())->category,
              extract::RecoveryCategory::WhatsApp);

    // App photos have a group per app between the category and its files.
    const auto* appPhotos = stats.find(stats.categoryKey(RecoveryCategory::AppPhotos));
    ASSERT_NE(appPhotos, nullptr);
    ASSERT_EQ(appPhotos->children.size(), 1U);
    EXPECT_TRUE(stats.entries()[appPhotos->children[0]].group);

    // Only chosen categories are entered.
    extract::CategorySet notesOnly;
    notesOnly.set(RecoveryCategory::Notes);
    CStatisticsObj only;
    only.fill(results, notesOnly);
    EXPECT_EQ(only.wholeScan().count, 15);
    EXPECT_EQ(only.categoryKey(RecoveryCategory::CameraRoll), nullptr);
}

TEST_F(StatisticsTest, TickingRecordsAndGroupsKeepsEveryLevelRight)
{
    const std::int64_t all = stats.wholeScan().count;
    const std::uint64_t total = stats.totalSize();

    ASSERT_EQ(stats.untick(&results.cameraRoll[0]), 0);
    ASSERT_EQ(stats.untick(&results.cameraRoll[0]), 0) << "a second untick changes nothing";
    EXPECT_EQ(stats.wholeScan().ticked, all - 1);
    EXPECT_EQ(stats.tickedSize(), total - stats.find(&results.cameraRoll[0])->size);
    EXPECT_FALSE(stats.find(stats.categoryKey(RecoveryCategory::CameraRoll))->ticked);

    // Unticking the app-photos category unticks its app group and files.
    const void* appPhotos = stats.categoryKey(RecoveryCategory::AppPhotos);
    ASSERT_EQ(stats.untick(appPhotos), 0);
    EXPECT_EQ(stats.blockOf(appPhotos)->ticked, 0);
    EXPECT_EQ(stats.blockOf(&results.appPhotos["Camera"])->ticked, 0);
    EXPECT_FALSE(stats.find(&results.appPhotos["Camera"][0])->ticked);
    EXPECT_EQ(stats.wholeScan().ticked, all - 2);

    // Ticking the app group alone ticks the category again: everything below it is ticked.
    ASSERT_EQ(stats.tick(&results.appPhotos["Camera"]), 0);
    EXPECT_TRUE(stats.find(appPhotos)->ticked);
    EXPECT_EQ(stats.blockOf(appPhotos)->ticked, 1);

    // Unticking every category group leaves nothing selected and no ticked size.
    for (const auto& info : extract::categoryTable()) {
        ASSERT_EQ(stats.untick(stats.categoryKey(info.category)), 0);
    }
    EXPECT_EQ(stats.wholeScan().ticked, 0);
    EXPECT_EQ(stats.selectedCount(), 0);
    EXPECT_EQ(stats.tickedSize(), 0U);
    for (const auto& info : extract::categoryTable()) {
        ASSERT_EQ(stats.tick(stats.categoryKey(info.category)), 0);
    }
    EXPECT_EQ(stats.wholeScan().ticked, all);
    EXPECT_EQ(stats.tickedSize(), total);

    int unknown = 0;
    EXPECT_EQ(stats.tick(&unknown), 87);
    EXPECT_EQ(stats.setFiltered(stats.categoryKey(RecoveryCategory::Notes), true), 87);
}

TEST_F(StatisticsTest, FilteringTickedAndUntickedRecords)
{
    const std::int64_t all = stats.wholeScan().count;
    const std::uint64_t total = stats.totalSize();

    // Ten live and five deleted notes, all ticked: the filter hides ten and takes them out of
    // the selection.
    filterLiveNotes(true);
    EXPECT_EQ(counts(notesBlock()), (Counts{15, 15, 10, 10}));
    EXPECT_EQ(stats.wholeScan().tickedFiltered, 10);
    EXPECT_EQ(stats.selectedCount(), all - 10);
    EXPECT_EQ(stats.tickedSize(), total - 10 * 1024);
    filterLiveNotes(false);
    EXPECT_EQ(counts(notesBlock()), (Counts{15, 15, 0, 0}));
    EXPECT_EQ(stats.tickedSize(), total);

    // An unticked live note is filtered without touching the ticked-and-filtered counters.
    ASSERT_EQ(stats.untick(&results.notes[7]), 0);
    filterLiveNotes(true);
    EXPECT_EQ(counts(notesBlock()), (Counts{15, 14, 10, 9}));
    EXPECT_EQ(stats.wholeScan().tickedFiltered, 9);
    EXPECT_EQ(stats.tickedSize(), total - 10 * 1024);

    // Ticking a filtered record counts it ticked and filtered, never into the ticked size.
    ASSERT_EQ(stats.tick(&results.notes[7]), 0);
    EXPECT_EQ(counts(notesBlock()), (Counts{15, 15, 10, 10}));
    EXPECT_EQ(stats.tickedSize(), total - 10 * 1024);

    // Unticking the whole category while filtered brings every counter back within range.
    ASSERT_EQ(stats.untick(stats.categoryKey(RecoveryCategory::Notes)), 0);
    EXPECT_EQ(counts(notesBlock()), (Counts{15, 0, 10, 0}));
    filterLiveNotes(false);
    EXPECT_EQ(counts(notesBlock()), (Counts{15, 0, 0, 0}));
    EXPECT_EQ(stats.tickedSize(), total - 15 * 1024);
    EXPECT_EQ(stats.wholeScan().tickedFiltered, 0);
}

TEST(FormatSizeTest, BinaryUnits)
{
    const struct
    {
        std::int64_t bytes;
        const char* expected;
    } sizes[] = {
        {1048576, "1.00 MB"},
        {1023, "1023 Bytes"},
        {0, "0 Bytes"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {1048575, "1024.00 KB"},
        {std::int64_t{1} << 30, "1.00 GB"},
        {(std::int64_t{1} << 40) * 3 / 2, "1.50 TB"},
        {-7, "-7 Bytes"},
    };

    for (const auto& s : sizes) {
        EXPECT_EQ(exporting::formatSize(s.bytes), s.expected) << s.bytes;
    }
}

} // namespace
