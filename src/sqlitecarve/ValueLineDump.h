// Value-line dumps: every row of table message (of a messages database) or of
// ABPersonFullTextSearch_content (of an address book), live and recovered, appended to a text
// file as one line of comma-separated SQL-style values per row. Recovered rows get fresh
// identifiers counting up from a starting value, so that their lines can stand beside the live
// ones.
//
// Values are written as: NULL; integers in decimal; reals with 17 significant digits; text in
// double quotes with each double and single quote doubled; blobs as lower-case hexadecimal.
// Lines end with CR LF.
#pragma once

#include <cstdint>
#include <string>

namespace sqlitecarve {

// Appends the lines of table message of `databasePath` to `outputPath`. A live row keeps its
// rowid; a recovered row gets `startId` + 1, + 2, …, a guid "27B99F78-F6F0-475F-8BA1-" plus
// twelve upper-case hex digits of the identifier's low 32 bits, is_finished 1, `date` =
// `nowAppleSeconds` and, unless sent by the owner, date_read = `nowAppleSeconds` and is_read 1
// (else both 0). Rows whose text is not valid UTF-8, and recovered rows whose account_guid is
// not a 36-character identifier, are left out. Returns 0; the open status of the database;
// kStatusInvalid when it has no message table; the system's error code when the output cannot
// be opened or written.
[[nodiscard]] int dumpMessageLines(const std::string& databasePath,
                                   const std::string& outputPath,
                                   std::int64_t startId,
                                   std::int64_t nowAppleSeconds);

// Appends the lines of ABPersonFullTextSearch_content; a row without a rowid gets `startId` + 1,
// + 2, …; rows with a text that is not valid UTF-8 are left out. Returns as dumpMessageLines.
[[nodiscard]] int dumpContactSearchLines(const std::string& databasePath,
                                         const std::string& outputPath,
                                         std::int64_t startId);

} // namespace sqlitecarve
