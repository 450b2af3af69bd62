// Shared pieces of the export tests: a recovery source that copies for real and writes marker
// dumps, small templates, a small backup with scan results over it, and folder walks.
#pragma once

#include "extract/Records.h"
#include "fixtures/source/CopyingSource.h"

#include <map>
#include <string>
#include <vector>

namespace exporttest {

using CopyingSource = fixtures::CopyingSource;

// Writes the five export templates and Print.html, each a one-line head with the title (and
// person) placeholders, "{|content|}" and a one-line tail, into `folder`.
void writeTestTemplates(const std::string& folder);

// The small test template text of a page kind: "<h>{|title|}|{|person|}</h>\n{|content|}</t>\n".
std::string testTemplate();

// A generated backup in `folder` with four media files, and scan results over it: two camera
// roll files, one app photo, one message attachment, two conversations (one with a deleted
// message, one without handle or name), one WhatsApp chat, two contacts, three calls, two notes.
extract::ScanResults writeSmallBackup(const std::string& folder);

// Every regular file below `root`, by path relative to it, with its bytes.
std::map<std::string, std::string> readTree(const std::string& root);

// A small RFC 4180 reader: the records of `text` (CR LF or LF line ends), each a list of fields.
std::vector<std::vector<std::string>> parseCsv(const std::string& text);

} // namespace exporttest
