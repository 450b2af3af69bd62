// Note merging and cleaning.
#include "extract/NotesBuilder.h"

#include <array>
#include <unordered_map>
#include <utility>

namespace extract {

namespace {

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

void cleanNote(NoteRecord& note)
{
    note.content = cleanNoteText(note.content);
    note.title = cleanNoteText(note.title);
}

void mergeNotes(std::vector<NoteRecord> bodies,
                std::vector<NoteRecord> noteRows,
                std::vector<NoteRecord>& out)
{
    // Key → indexes of the unused note rows with that key, in row order.
    std::unordered_map<std::int32_t, std::vector<std::size_t>> rowsByKey;
    for (std::size_t i = 0; i < noteRows.size(); ++i) {
        rowsByKey[noteRows[i].key].push_back(i);
    }
    std::unordered_map<std::int32_t, std::size_t> nextOfKey;
    std::vector<bool> used(noteRows.size(), false);
    for (NoteRecord& body : bodies) {
        const auto rows = rowsByKey.find(body.key);
        if (rows == rowsByKey.end()) {
            continue;
        }
        std::size_t& next = nextOfKey[body.key];
        if (next < rows->second.size()) {
            const std::size_t row = rows->second[next++];
            body.title = noteRows[row].title;
            body.date = noteRows[row].date;
            used[row] = true;
        }
    }
    for (std::size_t i = 0; i < noteRows.size(); ++i) {
        if (!used[i] && (!noteRows[i].content.empty() || !noteRows[i].title.empty())) {
            bodies.push_back(std::move(noteRows[i]));
        }
    }
    for (NoteRecord& note : bodies) {
        if (note.content.empty() && note.title.empty()) {
            continue;
        }
        cleanNote(note);
        out.push_back(std::move(note));
    }
}

} // namespace extract
