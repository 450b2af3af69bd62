// Reading the device tables that the category builders join, through our own SQLite reader:
// live rows and rows recovered from free space, each marked deleted. Columns are found by
// their names in the table's CREATE TABLE text, so the older and the current layouts of each
// table are read alike. A table missing from a database yields no rows.
#pragma once

#include "extract/MessagesBuilder.h"
#include "extract/Records.h"
#include "extract/WhatsAppBuilder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace extract {

// Called after each table of a multi-table read; a non-zero answer stops the read.
using TableProgress = std::function<int(int tablesRead)>;

// Reads message (rows with text only), handle (rows with an address), attachment (rows with a
// file name) and message_attachment_join from the messages database at `path`, calling
// `progress` after each of the four tables. `maxMessageRowid` becomes the largest message
// rowid met. Returns 0; the reader's open status (87 or the system's code for a missing or
// foreign file); or the progress callback's non-zero answer (the tables are then emptied).
[[nodiscard]] int readMessageTables(const std::string& path,
                                    MessageTables& tables,
                                    std::int64_t& maxMessageRowid,
                                    const TableProgress& progress);

// Reads ABPersonFullTextSearch_content from the address book at `path` as raw contacts:
// name = first name, a space and last name, phones = the telephone text as stored, and the
// organization, e-mail, address, social-profile and URL columns. Rows whose texts are not
// valid UTF-8, or whose telephone text holds control characters, are left out.
// `lastDocid` becomes the largest docid met. Returns 0 or the reader's open status.
[[nodiscard]] int
readAddressBook(const std::string& path, std::vector<ContactRecord>& rows, std::int64_t& lastDocid);

// Reads the calls of a call store at `path`: table ZCALLRECORD when `coreDataStore`, else the
// older table call. Calls without date or number are left out. Appends to `calls`. Returns 0
// or the reader's open status.
[[nodiscard]] int
readCallTable(const std::string& path, bool coreDataStore, std::vector<CallRecord>& calls);

// Reads ZNOTEBODY (key = row id, content = the HTML body) and ZNOTE (key = body reference,
// date = modification date, title) from the older notes database at `path`. Returns 0 or the
// reader's open status.
[[nodiscard]] int readLegacyNotes(const std::string& path,
                                  std::vector<NoteRecord>& bodies,
                                  std::vector<NoteRecord>& noteRows);

// Reads ZWAMEDIAITEM, ZWACHATSESSION, ZWAGROUPMEMBER and ZWAMESSAGE from WhatsApp's chat
// database at `path`. JIDs are cut before their at sign. Returns 0 or the reader's open
// status.
[[nodiscard]] int readWhatsAppTables(const std::string& path, WhatsAppTables& tables);

// "YYYY-MM-DD hh:mm:ss" in local time of an Apple timestamp: seconds since 2001 (integer or
// real; an integer beyond 10^11 counts nanoseconds). Empty for 0 and non-numbers.
std::string appleDateText(std::int64_t integer);
std::string appleDateText(double seconds);

// The part of `jid` before its first at sign; empty when it has none.
std::string jidUser(const std::string& jid);

} // namespace extract
