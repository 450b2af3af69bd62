// The newer note store read back from stores the fixture writer generates: whole bodies with
// their structure, the snippet where a note has no body, deleted notes gone.
#include "extract/NoteStore.h"

#include "devicedb/NotesDb.h"
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

TEST(NoteStore, WholeBodiesWithTheirStructure)
{
    const NoteLineStyle ticked{fixtures::kNoteStyleChecklist, 0, true};
    const NoteLineStyle unticked{fixtures::kNoteStyleChecklist, 0, false};
    const NoteLineStyle numbered{fixtures::kNoteStyleNumbered, 0, false};
    fixtures::NotesData data;
    data.notes = {note(1, "Packing", {"passport", "charger"}, {ticked, unticked}),
                  note(2, "日本語のメモ", {"🥚 a &amp; b", "<b>bold</b>"}),
                  note(3, "Steps", {"one", "two"}, {numbered, numbered}),
                  note(4, "No body", {"snippet &amp; more"}),
                  note(5, "Gone", {"deleted"})};
    data.notes[3].hasBody = false;
    data.deleteNoteIds = {5};
    testsupport::TempDir dir;
    const std::string path = dir.file("NoteStore.sqlite");
    ASSERT_EQ(fixtures::writeNotesDb(path, fixtures::NotesLayout::NoteStoreIos11, data), 0);

    std::vector<extract::NoteRecord> notes;
    ASSERT_EQ(extract::readNoteStore(path, notes), 0);

    struct Expected
    {
        const char* title;
        const char* content;
    };

    // Newest first; a decoded body is plain text already and is not unescaped again.
    const std::vector<Expected> expected = {
        {"No body", "snippet & more"},
        {"Steps", "Steps\n1. one\n2. two"},
        {"日本語のメモ", "日本語のメモ\n🥚 a &amp; b\n<b>bold</b>"},
        {"Packing", "Packing\n☑ passport\n☐ charger"},
    };
    ASSERT_EQ(notes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(notes[i].title, expected[i].title) << i;
        EXPECT_EQ(notes[i].content, expected[i].content) << i;
        EXPECT_EQ(notes[i].deleted, 0) << i;
    }
}

} // namespace
