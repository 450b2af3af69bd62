// Reading the fields of a backup's Info.plist. The XML form is scanned line by line for five
// known keys, each value taken from the line after its key; the binary form (what current
// desktop software writes) is parsed as a property list through the guarded reader.
//
// Keys read: "Display Name", "Last Backup Date", "Phone Number", "Product Version" and
// "Serial Number". In the XML scan a key found on a line is the only one that line counts for,
// and "Serial Number" ends the scan, so keys after it are not seen.
#pragma once

#include "catalogue/BackupInfo.h"

#include <cstdint>
#include <string_view>

namespace catalogue {

// The largest Info.plist read; larger files count as unreadable.
inline constexpr std::uint64_t kMaxInfoPlistBytes = 64ull * 1024 * 1024;

// The XML scan reads the text in pieces of at most this many bytes, a line or part of one.
inline constexpr std::size_t kInfoPlistLineBytes = 2047;

// Fills the plist fields of `info` (display name, date, phone, serial, version flag) from the
// file content, in whichever form it is. Returns 0; -1001 (corrupt) when the content is a
// damaged binary property list (see readBinaryInfoPlist), leaving `info` unchanged. Text that
// is not a plist at all scans as XML and yields empty fields.
[[nodiscard]] int parseInfoPlist(std::string_view content, BackupInfo& info);

// The line scan of the XML form (see the header comment). Fields whose keys are absent stay as
// they were.
void scanInfoPlistXml(std::string_view content, BackupInfo& info);

// Reads the binary form. Returns 0, or -1001 (corrupt) when it does not parse within the plist
// reader's limits, its root is not a dictionary, or one of the five fields is a string that
// holds a NUL (`info` unchanged).
[[nodiscard]] int readBinaryInfoPlist(std::string_view content, BackupInfo& info);

// True when the leading decimal number of `version` (leading blanks and a sign allowed) is 12
// or more: "12.0" and "14.3" are, "11.4.1" is not.
bool isVersion12OrLater(std::string_view version);

} // namespace catalogue
