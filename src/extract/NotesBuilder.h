// The notes category: bodies and note rows of the older notes database merged into notes, and
// the plain-text cleaning shared with the newer store.
#pragma once

#include "extract/Records.h"
#include "sqlitecarve/DeviceRows.h"

#include <string>
#include <string_view>
#include <vector>

namespace extract {

// Replaces, in this order and each left to right without rescanning what it inserted, the
// entities &#39; &quot; &lt; &gt; &nbsp; &amp; and the tags <div> (line feed), </div>
// (nothing) and <br> (line feed). "a &amp;lt; b" becomes "a &lt; b".
std::string cleanNoteText(std::string_view html);

// The title pages and the preview show for `note`: a locked note's title after a lock mark.
std::string shownNoteTitle(const NoteRecord& note);

// The content pages and the preview show for `note`: "Locked note" for a locked note.
std::string shownNoteContent(const NoteRecord& note);

// Cleans the content, then the title, of `note`.
void cleanNote(NoteRecord& note);

// Merges the older store's rows into notes keyed by the low 32 bits of the body's rowid or the
// note row's body reference: each body takes the title and modification date of the first
// note row with its key (that row is used up); the unused note rows with a title follow the
// bodies; records left with neither title nor content are dropped and the others cleaned.
// Deleted rows, carved from the file, have the deleted source "freeSpace".
// Appends the result to `out`.
void mergeNotes(const std::vector<sqlitecarve::NoteBodyRow>& bodies,
                const std::vector<sqlitecarve::NoteRow>& noteRows,
                std::vector<NoteRecord>& out);

} // namespace extract
