// Where a backup keeps a file's content, and the fixed names of the device databases that the
// category builders open without consulting the manifest. Each name is the SHA-1 of the
// database's domain, a hyphen and its path.
#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// HomeDomain-Library/AddressBook/AddressBook.sqlitedb: contacts.
inline constexpr std::string_view kContactsDbId = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
// HomeDomain-Library/SMS/sms.db: messages.
inline constexpr std::string_view kMessagesDbId = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
// HomeDomain-Library/CallHistoryDB/CallHistory.storedata: call history (table ZCALLRECORD).
inline constexpr std::string_view kCallHistoryDbId = "5a4935c78a5255723f707230a451d79c540d2741";
// WirelessDomain-Library/CallHistory/call_history.db: older call history (table call).
inline constexpr std::string_view kCallHistoryLegacyDbId =
    "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca";
// HomeDomain-Library/Notes/notes.sqlite: older notes.
inline constexpr std::string_view kNotesLegacyDbId = "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c";
// AppDomainGroup-group.com.apple.notes-NoteStore.sqlite: newer notes.
inline constexpr std::string_view kNotesDbId = "4f98687d8ab0d6d1a371110e6b7300f6e465bef2";

// True when `fileId` can name a file inside a backup folder: non-empty, letters and digits
// only, so that no manifest row can lead outside the folder.
bool isSafeFileId(std::string_view fileId);

// The path of the file `fileId` in the backup `folder`: flat (folder/id) when the backup is
// encrypted (its decrypted copies lie flat) or has no Manifest.db, else two-level
// (folder/first two characters/id). Empty when isSafeFileId rejects `fileId`.
std::string backupFilePath(const std::string& folder,
                           std::string_view fileId,
                           bool isEncrypted,
                           bool hasManifestDb);

} // namespace catalogue
