// The notes of the newer note store (NoteStore.sqlite), read through the SQLite library: live
// rows of ZICCLOUDSYNCINGOBJECT with their whole bodies from ZICNOTEDATA.
#pragma once

#include "extract/Records.h"

#include <string>
#include <vector>

namespace extract {

// Reads the notes of the newer note store at `path` (every row of ZICCLOUDSYNCINGOBJECT that
// has a title or snippet, newest first) into `notes` (replacing its contents). The content is
// the whole body decoded from ZICNOTEDATA.ZDATA, or the snippet when the body is missing or
// does not decode. Dates are local time like every other date of a scan. Returns 0, the
// library's mapped code when the file does not open, or 1006 when the query fails (`notes`
// then empty).
[[nodiscard]] int readNoteStore(const std::string& path, std::vector<NoteRecord>& notes);

} // namespace extract
