// The newer note store read back from stores the fixture writer generates for several device
// generations: whole bodies with their structure and tables, the snippet where a note has no body,
// dates, folder, account, locked and pinned notes, the device's trash, deleted rows gone.
#include "extract/NoteStore.h"

#include "devicedb/NotesDb.h"
#include "platform/Clock.h"
#include "sqlitecarve/DeviceTables.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using fixtures::NoteLineStyle;

fixtures::Note note(std::int64_t id,
                    std::string title,
                    std::vector<std::string> lines,
                    std::vector<NoteLineStyle> styles = {})
{
    fixtures::Note n;
    n.id = id;
    n.title = std::move(title);
    n.lines = std::move(lines);
    n.lineStyles = std::move(styles);
    n.createdUnix = 1600000000 + id * 86400;
    n.modifiedUnix = n.createdUnix + 3600;
    return n;
}

std::string coreDataText(std::int64_t unixSeconds)
{
    return sqlitecarve::appleDateText(
        static_cast<double>(unixSeconds - platform::kAppleEpochOffset));
}

// Every generation's store gives the same notes: whole bodies, the dates from whichever
// columns it keeps them in, folder and account, lock, pin and the device's own trash.
TEST(NoteStore, EveryGenerationGivesBodiesDatesFolderAndState)
{
    const NoteLineStyle ticked{fixtures::kNoteStyleChecklist, 0, true};
    const NoteLineStyle unticked{fixtures::kNoteStyleChecklist, 0, false};
    const NoteLineStyle numbered{fixtures::kNoteStyleNumbered, 0, false};
    fixtures::NotesData data;
    data.notes = {note(1, "Packing", {"passport", "charger"}, {ticked, unticked}),
                  note(2, "日本語のメモ", {"🥚 a &amp; b", "<b>bold</b>"}),
                  note(3, "Steps", {"one", "two"}, {numbered, numbered}),
                  note(4, "No body", {"snippet &amp; more"}),
                  note(5, "Secret", {"hidden text"}),
                  note(6, "Gone", {"deleted"})};
    data.notes[0].pinned = true;
    data.notes[1].recentlyDeleted = true;
    data.notes[2].markedForDeletion = true;
    data.notes[2].table = {{"Item", "Qty"}, {"tea\tbag", "2"}, {"<script>", "🥚\nx"}};
    data.notes[3].hasBody = false;
    data.notes[4].locked = true;
    data.deleteNoteIds = {6};

    struct Expected
    {
        const char* title;
        const char* content;
        const char* folder;
        const char* deletedSource;
        bool pinned;
        bool locked;
    };

    // Most recently modified first; a decoded body is plain text already and is not
    // unescaped again.
    const std::vector<Expected> expected = {
        {"Secret", "", "Notes", "", false, true},
        {"No body", "snippet & more", "Notes", "", false, false},
        {"Steps",
         "Steps\n1. one\n2. two\nItem\tQty\ntea bag\t2\n<script>\t🥚 x",
         "Notes",
         "recentlyDeleted",
         false,
         false},
        {"日本語のメモ",
         "日本語のメモ\n🥚 a &amp; b\n<b>bold</b>",
         "Recently Deleted",
         "recentlyDeleted",
         false,
         false},
        {"Packing", "Packing\n☑ passport\n☐ charger", "Notes", "", true, false},
    };
    for (const auto layout :
         {fixtures::NotesLayout::NoteStoreIos11, fixtures::NotesLayout::NoteStoreIos17}) {
        const int generation = layout == fixtures::NotesLayout::NoteStoreIos11 ? 11 : 17;
        testsupport::TempDir dir;
        const std::string path = dir.file("NoteStore.sqlite");
        ASSERT_EQ(fixtures::writeNotesDb(path, layout, data), 0);
        std::vector<extract::NoteRecord> notes;
        ASSERT_EQ(extract::readNoteStore(path, notes), 0);
        ASSERT_EQ(notes.size(), expected.size()) << generation;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const extract::NoteRecord& got = notes[i];
            const Expected& want = expected[i];
            const fixtures::Note& written = data.notes[4 - i];
            SCOPED_TRACE(std::to_string(generation) + " " + want.title);
            EXPECT_EQ(got.title, want.title);
            EXPECT_EQ(got.content, want.content);
            EXPECT_EQ(got.folder, want.folder);
            EXPECT_EQ(got.account, "On My iPhone");
            EXPECT_EQ(got.deletedSource, want.deletedSource);
            EXPECT_EQ(got.deleted, *want.deletedSource == '\0' ? 0 : 1);
            EXPECT_EQ(got.pinned, want.pinned);
            EXPECT_EQ(got.locked, want.locked);
            EXPECT_EQ(got.created, coreDataText(written.createdUnix));
            EXPECT_EQ(got.modified, coreDataText(written.modifiedUnix));
            EXPECT_EQ(got.date, got.modified);
        }
    }
}

} // namespace
