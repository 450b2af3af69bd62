// The category operations over a local backup.
#include "extract/CLocalBuckupRecovery.h"

#include "catalogue/BackupFiles.h"
#include "extract/CallHistoryBuilder.h"
#include "extract/ContactsBuilder.h"
#include "extract/DeviceTables.h"
#include "extract/FileCopy.h"
#include "extract/MediaScan.h"
#include "extract/NotesBuilder.h"
#include "extract/SqliteProbe.h"
#include "extract/ValueLineDump.h"
#include "platform/File.h"
#include "platform/Status.h"

namespace extract {

namespace {

constexpr std::string_view kChatDatabaseName = "ChatStorage.sqlite";

} // namespace

std::unique_ptr<IPhoneRecoveryParse> makeRecoverySource(int kind, catalogue::BackupEngine* engine)
{
    if (kind != kSourceLocalBackup || engine == nullptr) {
        return nullptr;
    }
    auto source = std::make_unique<CLocalBuckupRecovery>();
    (void)source->Attach(engine);
    return source;
}

int CLocalBuckupRecovery::Attach(catalogue::BackupEngine* engine)
{
    m_engine = engine;
    return platform::kStatusOk;
}

int CLocalBuckupRecovery::SetProgressCallback(ScanProgressCallback callback, void* userData)
{
    m_engine->setProgressCallback(callback, userData);
    return platform::kStatusOk;
}

int CLocalBuckupRecovery::advance(int amount)
{
    m_engine->setProgress(m_engine->progress() + amount);
    return m_engine->reportProgress(m_engine->progress());
}

std::string CLocalBuckupRecovery::databasePath(std::string_view fileId) const
{
    return catalogue::backupFilePath(m_engine->currentFolder(),
                                     fileId,
                                     m_engine->selectedBackup().isEncrypted,
                                     m_engine->hasManifestDb());
}

int CLocalBuckupRecovery::OpenBackup(const std::string& password)
{
    m_whatsApp.clear();
    m_whatsAppAttachments.clear();
    return m_engine->openBackup(password);
}

int CLocalBuckupRecovery::ScanMessages(MessageMap& messages)
{
    const int base = m_engine->progress();
    const int share = m_engine->progressStep();
    MessageTables tables;
    MessageMap joined;
    std::int64_t maxRowid = 0;
    static constexpr int kDivisors[] = {5, 4, 3, 2};
    const int status = readMessageTables(
        databasePath(catalogue::kMessagesDbId), tables, maxRowid, [&](int tablesRead) {
            if (tablesRead == 1) {
                m_engine->messageRowidMark() = maxRowid;
            }
            return m_engine->reportProgress(base + share / kDivisors[tablesRead - 1]);
        });
    if (status == platform::kStatusOk) {
        std::vector<ContactRecord> addressBook;
        std::int64_t lastDocid = 0;
        // Messages are listed without contact names when the address book cannot be read.
        (void)readAddressBook(databasePath(catalogue::kContactsDbId), addressBook, lastDocid);
        joinMessages(tables, addressBook, joined);
    }
    const int answer = m_engine->reportProgress(base + share);
    messages = std::move(joined);
    const int last = advance(share / 2);
    if (answer != 0 || last != 0) {
        return answer != 0 ? answer : last;
    }
    return status;
}

int CLocalBuckupRecovery::ScanMessageAttachments(std::vector<AttachmentItem>& attachments)
{
    return scanMessageAttachments(*m_engine, attachments);
}

int CLocalBuckupRecovery::ScanContacts(std::vector<ContactRecord>& contacts)
{
    std::int64_t lastDocid = 0;
    const int status = readAddressBook(databasePath(catalogue::kContactsDbId), contacts, lastDocid);
    buildContacts(contacts);
    if (status == platform::kStatusOk) {
        m_engine->contactRowidMark() = lastDocid;
    }
    const int answer = advance(m_engine->progressStep() / 2);
    return answer != 0 ? answer : status;
}

int CLocalBuckupRecovery::ScanCallHistory(std::vector<CallRecord>& calls)
{
    std::string path = databasePath(catalogue::kCallHistoryDbId);
    if (!platform::fileExists(path)) {
        path = databasePath(catalogue::kCallHistoryLegacyDbId);
    }
    int columns = 0;
    int status = probeQuery(path, "SELECT * FROM ZCALLRECORD LIMIT 1;", columns);
    if (status == platform::kStatusOk || status == platform::kStatusQueryFailed) {
        const bool coreDataStore = status == platform::kStatusOk;
        status = readCallTable(path, coreDataStore, calls);
    }
    if (status == platform::kStatusOk) {
        std::vector<ContactRecord> addressBook;
        std::int64_t lastDocid = 0;
        // Calls keep their numbers, without names, when the address book cannot be read.
        (void)readAddressBook(databasePath(catalogue::kContactsDbId), addressBook, lastDocid);
        nameAndSortCalls(calls, addressBook);
    }
    const int answer = advance(m_engine->progressStep() / 2);
    return answer != 0 ? answer : status;
}

int CLocalBuckupRecovery::ScanNotes(std::vector<NoteRecord>& notes)
{
    std::vector<NoteRecord> bodies;
    std::vector<NoteRecord> noteRows;
    int status = readLegacyNotes(databasePath(catalogue::kNotesLegacyDbId), bodies, noteRows);
    if (status == platform::kStatusOk) {
        mergeNotes(std::move(bodies), std::move(noteRows), notes);
    }
    if (notes.empty()) {
        status = readNoteStore(databasePath(catalogue::kNotesDbId), notes);
    }
    const int answer = advance(m_engine->progressStep() / 2);
    return answer != 0 ? answer : status;
}

int CLocalBuckupRecovery::ScanCameraRollAndPhotoStream(std::vector<MediaItem>& cameraRoll,
                                                       std::vector<MediaItem>& photoStream)
{
    return scanCameraRollAndPhotoStream(*m_engine, cameraRoll, photoStream);
}

int CLocalBuckupRecovery::TakeWhatsAppAttachments(std::vector<MediaItem>& attachments)
{
    attachments = m_whatsAppAttachments;
    return advance(m_engine->progressStep());
}

int CLocalBuckupRecovery::ScanAppMedia(std::vector<AppMediaItem>& appMedia)
{
    return scanAppMedia(*m_engine, appMedia, m_whatsAppAttachments);
}

const catalogue::ManifestEntry*
CLocalBuckupRecovery::findChatDatabase(const std::vector<catalogue::ManifestEntry>& manifest)
{
    for (const catalogue::ManifestEntry& entry : manifest) {
        if (entry.domainPath.ends_with(kChatDatabaseName)) {
            return &entry;
        }
    }
    return nullptr;
}

int CLocalBuckupRecovery::ScanWhatsApp(WhatsAppMap& chats)
{
    m_whatsApp.clear();
    const catalogue::ManifestEntry* entry = findChatDatabase(m_engine->manifest());
    int status = platform::kStatusQueryFailed;
    if (entry != nullptr) {
        const std::string path = m_engine->filePath(entry->fileId);
        int columns = 0;
        status = probeQuery(path, "SELECT * FROM ZWAMESSAGE LIMIT 1;", columns);
        WhatsAppTables tables;
        if (status == platform::kStatusOk) {
            status = readWhatsAppTables(path, tables);
        }
        if (status == platform::kStatusOk) {
            joinWhatsApp(tables, m_whatsApp);
        }
    }
    chats = m_whatsApp;
    const int answer = advance(m_engine->progressStep());
    return answer != 0 ? answer : status;
}

int CLocalBuckupRecovery::MakePreviewCopy(const std::string& source,
                                          std::string& tempPath,
                                          ScanProgressCallback callback,
                                          void* userData)
{
    return makePreviewCopy(m_engine->workFolder(), source, tempPath, callback, userData);
}

int CLocalBuckupRecovery::CopyOut(const std::string& source,
                                  const std::string& destination,
                                  ProgressCallback callback,
                                  void* userData)
{
    return copyOut(source, destination, callback, userData);
}

int CLocalBuckupRecovery::ExportMessagesTable(const std::string& outputPath)
{
    return dumpTableValueLines(databasePath(catalogue::kMessagesDbId),
                               "message",
                               m_engine->messageRowidMark(),
                               outputPath);
}

int CLocalBuckupRecovery::ExportContactsTable(const std::string& outputPath)
{
    return dumpTableValueLines(databasePath(catalogue::kContactsDbId),
                               "ABPersonFullTextSearch_content",
                               m_engine->contactRowidMark(),
                               outputPath);
}

int CLocalBuckupRecovery::WriteWhatsAppChatText(std::int32_t sessionId,
                                                const std::string& outputPath,
                                                ProgressCallback callback,
                                                void* userData)
{
    return writeWhatsAppChatText(m_whatsApp, sessionId, outputPath, callback, userData);
}

} // namespace extract
