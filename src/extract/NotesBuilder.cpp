// Note merging and cleaning.
#include "extract/NotesBuilder.h"

#include <array>
#include <unordered_map>
#include <utility>

namespace extract {

namespace {

// The deleted source of rows carved from the file.
constexpr const char* kFreeSpace = "freeSpace";

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    std::string out;
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string::npos;
         start = at + from.size(), at = text.find(from, start)) {
        out.append(text, start, at - start);
        out += to;
    }
    if (start == 0) {
        return;
    }
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

} // namespace

std::string cleanNoteText(std::string_view html)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kReplacements = {{
        {"&#39;", "'"},
        {"&quot;", "\""},
        {"&lt;", "<"},
        {"&gt;", ">"},
        {"&nbsp;", " "},
        {"&amp;", "&"},
        {"<div>", "\n"},
        {"</div>", ""},
        {"<br>", "\n"},
    }};
    std::string text(html);
    for (const auto& [from, to] : kReplacements) {
        replaceAll(text, from, to);
    }
    return text;
}

std::string shownNoteTitle(const NoteRecord& note)
{
    return note.locked ? "\xF0\x9F\x94\x92 " + note.title : note.title;
}

std::string shownNoteContent(const NoteRecord& note)
{
    return note.locked ? "Locked note" : note.content;
}

void cleanNote(NoteRecord& note)
{
    note.content = cleanNoteText(note.content);
    note.title = cleanNoteText(note.title);
}

void mergeNotes(const std::vector<sqlitecarve::NoteBodyRow>& bodies,
                const std::vector<sqlitecarve::NoteRow>& noteRows,
                std::vector<NoteRecord>& out)
{
    // Key → indexes of the unused note rows with that key, in row order.
    std::unordered_map<std::int32_t, std::vector<std::size_t>> rowsByKey;
    for (std::size_t i = 0; i < noteRows.size(); ++i) {
        rowsByKey[static_cast<std::int32_t>(noteRows[i].bodyId)].push_back(i);
    }
    std::unordered_map<std::int32_t, std::size_t> nextOfKey;
    std::vector<bool> used(noteRows.size(), false);
    std::vector<NoteRecord> notes;
    for (const sqlitecarve::NoteBodyRow& body : bodies) {
        NoteRecord note;
        note.deleted = body.deleted ? 1 : 0;
        note.deletedSource = body.deleted ? kFreeSpace : "";
        note.key = static_cast<std::int32_t>(body.rowid);
        note.content = body.content;
        if (const auto rows = rowsByKey.find(note.key); rows != rowsByKey.end()) {
            std::size_t& next = nextOfKey[note.key];
            if (next < rows->second.size()) {
                const std::size_t row = rows->second[next++];
                note.title = noteRows[row].title;
                note.date = noteRows[row].modificationDate;
                note.modified = note.date;
                used[row] = true;
            }
        }
        notes.push_back(std::move(note));
    }
    for (std::size_t i = 0; i < noteRows.size(); ++i) {
        if (!used[i] && !noteRows[i].title.empty()) {
            NoteRecord note;
            note.deleted = noteRows[i].deleted ? 1 : 0;
            note.deletedSource = noteRows[i].deleted ? kFreeSpace : "";
            note.key = static_cast<std::int32_t>(noteRows[i].bodyId);
            note.date = noteRows[i].modificationDate;
            note.modified = note.date;
            note.title = noteRows[i].title;
            notes.push_back(std::move(note));
        }
    }
    for (NoteRecord& note : notes) {
        if (note.content.empty() && note.title.empty()) {
            continue;
        }
        cleanNote(note);
        out.push_back(std::move(note));
    }
}

} // namespace extract
