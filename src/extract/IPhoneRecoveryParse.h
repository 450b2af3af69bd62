// The recovery source: the one interface through which a scan, the preview and the recovery
// run reach the data of a backup. CLocalBuckupRecovery implements it over a local backup; the
// factory makes a source for a kind of input.
#pragma once

#include "extract/Callbacks.h"
#include "extract/Records.h"
#include "platform/Diagnostics.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace catalogue {
class BackupEngine;
}

namespace extract {

// Statuses of the category operations besides 0 and the platform's codes: 2 stopped by the
// user, 87 a needed file missing, 1006 a query through the SQLite library failed, -110 a
// wrong password, -1 a failed open that the scan treats as a stop (platform/Status.h).

class IPhoneRecoveryParse
{
public:
    virtual ~IPhoneRecoveryParse() = default;

    // Keeps `engine` (not owned) as the backup to work on. Returns 0.
    virtual int Attach(catalogue::BackupEngine* engine) = 0;
    // Sets the scan progress callback and its user data (null clears them). Returns 0.
    virtual int SetProgressCallback(ScanProgressCallback callback, void* userData) = 0;
    // True for a source over a local backup.
    virtual bool IsLocalBackup() const = 0;
    // Opens the backup, decrypting it first with `password` when it is encrypted. Returns 0,
    // 87 without manifest, -110 for a wrong password, 2 when stopped, or the manifest
    // reader's status.
    [[nodiscard]] virtual int OpenBackup(const std::string& password) = 0;

    // The category operations. Each fills its containers (cleared or appended as its category
    // says), advances the progress and returns 0, the callback's non-zero answer (2 to stop)
    // or the status of a failed read; a missing database leaves the category empty.
    [[nodiscard]] virtual int ScanMessages(MessageMap& messages) = 0;
    [[nodiscard]] virtual int ScanMessageAttachments(std::vector<AttachmentItem>& attachments) = 0;
    [[nodiscard]] virtual int ScanContacts(std::vector<ContactRecord>& contacts) = 0;
    [[nodiscard]] virtual int ScanNotes(std::vector<NoteRecord>& notes) = 0;
    [[nodiscard]] virtual int ScanCallHistory(std::vector<CallRecord>& calls) = 0;
    [[nodiscard]] virtual int ScanCameraRollAndPhotoStream(std::vector<MediaItem>& cameraRoll,
                                                           std::vector<MediaItem>& photoStream) = 0;
    // Copies the WhatsApp attachments found by ScanAppMedia into `attachments`.
    [[nodiscard]] virtual int TakeWhatsAppAttachments(std::vector<MediaItem>& attachments) = 0;
    [[nodiscard]] virtual int ScanAppMedia(std::vector<AppMediaItem>& appMedia) = 0;
    [[nodiscard]] virtual int ScanWhatsApp(WhatsAppMap& chats) = 0;

    // The reminders of every data file of the reminders store and the tasks of the calendar
    // database, deleted ones first (replacing `reminders`); a source without them has none.
    [[nodiscard]] virtual int ScanReminders(std::vector<ReminderRecord>& reminders)
    {
        reminders.clear();
        return 0;
    }

    // The events of the calendar database, deleted ones first, each part in start order
    // (replacing `events`); a source without them has none.
    [[nodiscard]] virtual int ScanCalendar(std::vector<CalendarEventRecord>& events)
    {
        events.clear();
        return 0;
    }

    // Safari's bookmarks of the backup's bookmark store and the pages of every history store,
    // appended; a missing store leaves the category empty. Sources without Safari stores
    // return 0.
    [[nodiscard]] virtual int ScanSafariBookmarks(std::vector<SafariBookmarkRecord>& bookmarks)
    {
        (void)bookmarks;
        return 0;
    }

    [[nodiscard]] virtual int ScanSafariHistory(std::vector<SafariHistoryRecord>& history)
    {
        (void)history;
        return 0;
    }

    // Copies `source` to the preview file of its kind of media and names it in `tempPath`.
    // Returns 0, 87 for a file of no preview kind or one that does not open, or the callback's
    // answer.
    [[nodiscard]] virtual int MakePreviewCopy(const std::string& source,
                                              std::string& tempPath,
                                              ScanProgressCallback callback,
                                              void* userData) = 0;
    // Copies `source` to `destination`. Returns 0, 87, 30 or the callback's answer.
    [[nodiscard]] virtual int CopyOut(const std::string& source,
                                      const std::string& destination,
                                      ProgressCallback callback,
                                      void* userData) = 0;
    // Writes the value-line dump of the messages database's message table to `outputPath`.
    // Returns 0 or the reader's status (87 when the database is missing).
    [[nodiscard]] virtual int ExportMessagesTable(const std::string& outputPath) = 0;
    // Writes the value-line dump of the address book's full-text table to `outputPath`.
    [[nodiscard]] virtual int ExportContactsTable(const std::string& outputPath) = 0;
    // Writes the chat `sessionId` found by ScanWhatsApp as text to `outputPath`.
    [[nodiscard]] virtual int WriteWhatsAppChatText(std::int32_t sessionId,
                                                    const std::string& outputPath,
                                                    ProgressCallback callback,
                                                    void* userData) = 0;

    // The places where the databases read since the last call were found damaged (page,
    // offset and what is wrong; damage met while guessing at free space is not among them),
    // handed over and forgotten.
    virtual std::vector<platform::Diagnostic> takeDamage() { return {}; }
};

// The kind of source the factory makes.
inline constexpr int kSourceDevice = 0;
inline constexpr int kSourceLocalBackup = 1;

// Makes the source of `kind` attached to `engine`: a CLocalBuckupRecovery for
// kSourceLocalBackup; null for any other kind (no device source exists).
std::unique_ptr<IPhoneRecoveryParse> makeRecoverySource(int kind, catalogue::BackupEngine* engine);

} // namespace extract
