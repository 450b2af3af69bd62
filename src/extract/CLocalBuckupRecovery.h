// The recovery source over a local backup: every operation works on the BackupEngine of the
// chosen backup, whose manifest and folder it reads, and keeps between calls the sets that
// later operations use (the WhatsApp chats for their text export, the WhatsApp attachments
// found by the app-media walk, the address book that names contacts, messages and calls).
// A device table damaged in part gives the rows that could be read, and its category
// operation returns the read status.
#pragma once

#include "catalogue/BackupEngine.h"
#include "extract/IPhoneRecoveryParse.h"
#include "sqlitecarve/Database.h"
#include "sqlitecarve/DeviceRows.h"

#include <functional>
#include <vector>

namespace extract {

class CLocalBuckupRecovery final : public IPhoneRecoveryParse
{
public:
    int Attach(catalogue::BackupEngine* engine) override;
    int SetProgressCallback(ScanProgressCallback callback, void* userData) override;

    bool IsLocalBackup() const override { return true; }

    [[nodiscard]] int OpenBackup(const std::string& password) override;
    [[nodiscard]] int ScanMessages(MessageMap& messages) override;
    [[nodiscard]] int ScanMessageAttachments(std::vector<AttachmentItem>& attachments) override;
    [[nodiscard]] int ScanContacts(std::vector<ContactRecord>& contacts) override;
    [[nodiscard]] int ScanNotes(std::vector<NoteRecord>& notes) override;
    [[nodiscard]] int ScanCallHistory(std::vector<CallRecord>& calls) override;
    [[nodiscard]] int ScanCameraRollAndPhotoStream(std::vector<MediaItem>& cameraRoll,
                                                   std::vector<MediaItem>& photoStream) override;
    [[nodiscard]] int TakeWhatsAppAttachments(std::vector<MediaItem>& attachments) override;
    [[nodiscard]] int ScanAppMedia(std::vector<AppMediaItem>& appMedia) override;
    [[nodiscard]] int ScanWhatsApp(WhatsAppMap& chats) override;
    [[nodiscard]] int ScanReminders(std::vector<ReminderRecord>& reminders) override;
    [[nodiscard]] int ScanCalendar(std::vector<CalendarEventRecord>& events) override;
    [[nodiscard]] int ScanSafariBookmarks(std::vector<SafariBookmarkRecord>& bookmarks) override;
    [[nodiscard]] int ScanSafariHistory(std::vector<SafariHistoryRecord>& history) override;
    [[nodiscard]] int MakePreviewCopy(const std::string& source,
                                      std::string& tempPath,
                                      ScanProgressCallback callback,
                                      void* userData) override;
    [[nodiscard]] int CopyOut(const std::string& source,
                              const std::string& destination,
                              ProgressCallback callback,
                              void* userData) override;
    [[nodiscard]] int ExportMessagesTable(const std::string& outputPath) override;
    [[nodiscard]] int ExportContactsTable(const std::string& outputPath) override;
    [[nodiscard]] int WriteWhatsAppChatText(std::int32_t sessionId,
                                            const std::string& outputPath,
                                            ProgressCallback callback,
                                            void* userData) override;
    std::vector<platform::Diagnostic> takeDamage() override;

    // The file of WhatsApp's chat database among `manifest`: the first entry whose path ends
    // with "ChatStorage.sqlite" (never a -wal or -shm companion); null when none.
    static const catalogue::ManifestEntry*
    findChatDatabase(const std::vector<catalogue::ManifestEntry>& manifest);

private:
    // The address book's full-text rows as one read of the database gave them.
    struct AddressBook
    {
        bool read = false;
        // 0, or the open status of the database (no rows then).
        int opened = 0;
        // 0, the open status, or the status of a table that could not be read in full.
        int status = 0;
        std::vector<sqlitecarve::ContactSearchRow> rows;
    };

    // Opens the device database at `path` with our own reader, its damage recorded for
    // takeDamage. A missing file reads 87, the category operations' code for a needed file
    // that is not there. A file that is there but is no readable database (the reader's 87
    // for a bad header, or a schema that could not be read at all) reads as corrupt, so that
    // the scan can tell damage from absence.
    int openDatabase(sqlitecarve::Database& db, const std::string& path);
    // Reads the store file with content id `fileId` through `read`, which gets the file's path
    // and the file opened with our reader (null when it does not open). A file the backup
    // does not hold reads as empty (0); otherwise returns the first failure of the open and
    // of `read`.
    int readStoreFile(const std::string& fileId,
                      const std::function<int(const std::string&, sqlitecarve::Database*)>& read);
    // Advances the engine's progress base by `amount` and reports it; returns the answer.
    int advance(int amount);
    std::string databasePath(std::string_view fileId) const;
    // The address book of the opened backup, read on first use and kept until the next
    // Attach or OpenBackup.
    const AddressBook& addressBook();

    catalogue::BackupEngine* m_engine = nullptr;
    AddressBook m_addressBook;
    platform::Diagnostics m_damage;
    WhatsAppMap m_whatsApp;
    std::vector<MediaItem> m_whatsAppAttachments;
};

} // namespace extract
