// Note tables: documents laid out as devices write them (their own ordering UUIDs, cells stored
// column by column, a deleted column left in) render in display order; damaged, foreign and
// oversized documents fail with a status and no text.
#include "formats/NoteTable.h"

#include "devicedb/GzipStored.h"
#include "devicedb/NoteTableDocument.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(NoteTable, RendersInDisplayOrderAndFailsCleanly)
{
    const std::string table = fixtures::noteTableDocument(
        {{"a", "b", "c"}, {"d\te", "", "f\r\ng"}, {"🥚", "\xEF\xBF\xBC", "x\xE2\x80\xA8y"}});
    fixtures::NoteTableCells huge(1025, std::vector<std::string>());
    huge.front().assign(1025, "");

    const struct
    {
        const char* name;
        std::string document;
        int status;
        const char* text;
    } cases[] = {
        {"table", table, platform::kStatusOk, "a\tb\tc\nd e\t\tf  g\n🥚\t\tx y"},
        {"one cell", fixtures::noteTableDocument({{"only"}}), platform::kStatusOk, "only"},
        {"no rows", fixtures::noteTableDocument({}), platform::kStatusOk, ""},
        {"note body, not a table",
         fixtures::noteStoreProto("text"),
         platform::kStatusUnsupported,
         ""},
        {"empty", "", platform::kStatusUnsupported, ""},
        {"cut short", table.substr(0, table.size() / 2), platform::kStatusCorrupt, ""},
        {"cell not UTF-8",
         fixtures::noteTableDocument({{"ok", std::string("\xC3\x28")}}),
         platform::kStatusCorrupt,
         ""},
        {"more cells than the limit",
         fixtures::noteTableDocument(huge),
         platform::kStatusUnsupported,
         ""},
    };

    for (const auto& c : cases) {
        std::string text = "stale";
        EXPECT_EQ(formats::renderNoteTable(c.document, text), c.status) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }

    // Compressed as the store keeps it; every shorter stream fails without text.
    const std::string stored = fixtures::gzipStored(table);
    std::string text;
    ASSERT_EQ(formats::decodeNoteTable(
                  {reinterpret_cast<const std::uint8_t*>(stored.data()), stored.size()}, text),
              platform::kStatusOk);
    EXPECT_EQ(text, cases[0].text);
    for (std::size_t size = 0; size < table.size(); size += 7) {
        const int status = formats::renderNoteTable(table.substr(0, size), text);
        EXPECT_TRUE(status == 0 ? platform::isValidUtf8(text) : text.empty()) << size;
    }
}

} // namespace
