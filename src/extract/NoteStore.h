// The notes of the newer note store (NoteStore.sqlite), read through the SQLite library: rows
// of ZICCLOUDSYNCINGOBJECT with their whole bodies from ZICNOTEDATA, the tables in them from
// their table objects, their folder and account.
#pragma once

#include "extract/Records.h"

#include <string>
#include <vector>

namespace extract {

// Reads the notes of the newer note store at `path` (every row of ZICCLOUDSYNCINGOBJECT that
// has a title or content, most recently modified first) into `notes` (replacing its contents).
// The content is the whole body decoded from ZICNOTEDATA.ZDATA, or the snippet when the body
// is missing or does not decode, and empty for a locked note. Creation and modification dates,
// folder and account names, pinned and locked come from whichever columns the store's
// generation has. Notes in the "Recently Deleted" folder or marked for deletion are deleted
// with source "recentlyDeleted". Dates are local time like every other date of a scan.
// Returns 0, the library's mapped code when the file does not open, or 1006 when the query
// fails (`notes` then empty).
[[nodiscard]] int readNoteStore(const std::string& path, std::vector<NoteRecord>& notes);

} // namespace extract
