// The category operations over a local backup.
#include "extract/CLocalBuckupRecovery.h"

#include "catalogue/BackupFiles.h"
#include "extract/CalendarStore.h"
#include "extract/CalendarStoreFiles.h"
#include "extract/CallHistoryBuilder.h"
#include "extract/ContactStore.h"
#include "extract/ContactsBuilder.h"
#include "extract/FileCopy.h"
#include "extract/MediaScan.h"
#include "extract/MessagesBuilder.h"
#include "extract/NoteStore.h"
#include "extract/NotesBuilder.h"
#include "extract/PhotoLibrary.h"
#include "extract/ReminderStore.h"
#include "extract/SafariStores.h"
#include "extract/SqliteProbe.h"
#include "extract/WhatsAppBuilder.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "sqlitecarve/DeviceTables.h"
#include "sqlitecarve/ValueLineDump.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <initializer_list>

namespace extract {

namespace {

constexpr std::string_view kChatDatabaseName = "ChatStorage.sqlite";

// The first of `statuses` that is not 0, or 0.
int firstFailure(std::initializer_list<int> statuses)
{
    const auto failed = std::find_if(
        statuses.begin(), statuses.end(), [](int status) { return status != platform::kStatusOk; });
    return failed != statuses.end() ? *failed : platform::kStatusOk;
}

// The largest rowid of `rows`, or 0 when none is larger.
template <typename Row> std::int64_t largestRowid(const std::vector<Row>& rows)
{
    std::int64_t largest = 0;
    for (const Row& row : rows) {
        largest = std::max(largest, row.rowid);
    }
    return largest;
}

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
    m_addressBook = AddressBook{};
    return platform::kStatusOk;
}

int CLocalBuckupRecovery::SetProgressCallback(ScanProgressCallback callback, void* userData)
{
    m_engine->setProgressCallback(callback, userData);
    return platform::kStatusOk;
}

int CLocalBuckupRecovery::openDatabase(sqlitecarve::Database& db, const std::string& path)
{
    const int status = db.open(path, &m_damage);
    if (status == platform::statusFromErrno(ENOENT)) {
        return platform::kStatusInvalid;
    }
    if (status == platform::kStatusInvalid) {
        return platform::kStatusCorrupt;
    }
    return status == platform::kStatusOk && db.tableNames().empty() ? db.schemaStatus() : status;
}

std::vector<platform::Diagnostic> CLocalBuckupRecovery::takeDamage()
{
    std::vector<platform::Diagnostic> damage = m_damage.entries();
    m_damage.clear();
    return damage;
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
    m_addressBook = AddressBook{};
    return m_engine->openBackup(password);
}

const CLocalBuckupRecovery::AddressBook& CLocalBuckupRecovery::addressBook()
{
    if (!m_addressBook.read) {
        m_addressBook.read = true;
        sqlitecarve::Database db;
        m_addressBook.opened = openDatabase(db, databasePath(catalogue::kContactsDbId));
        m_addressBook.status = m_addressBook.opened == platform::kStatusOk
                                   ? sqlitecarve::readContactSearch(db, m_addressBook.rows)
                                   : m_addressBook.opened;
    }
    return m_addressBook;
}

int CLocalBuckupRecovery::ScanMessages(MessageMap& messages)
{
    const int base = m_engine->progress();
    const int share = m_engine->progressStep();
    sqlitecarve::Database db;
    MessageTables tables;
    MessageMap joined;
    int readStatus = platform::kStatusOk;
    int stopAnswer = platform::kStatusOk;
    const int opened = openDatabase(db, databasePath(catalogue::kMessagesDbId));
    if (opened == platform::kStatusOk) {
        const std::function<int()> reads[] = {
            [&] { return sqlitecarve::readMessages(db, tables.messages); },
            [&] {
                return firstFailure({sqlitecarve::readHandles(db, tables.handles),
                                     sqlitecarve::readChats(db, tables.chats),
                                     sqlitecarve::readChatHandleJoins(db, tables.chatHandles)});
            },
            [&] { return sqlitecarve::readAttachments(db, tables.attachments); },
            [&] {
                return firstFailure(
                    {sqlitecarve::readMessageAttachmentJoins(db, tables.joins),
                     sqlitecarve::readChatMessageJoins(db, tables.chatMessages),
                     sqlitecarve::readRecoverableMessageJoins(db, tables.recoverableMessages),
                     sqlitecarve::readRecoverableParts(db, tables.recoverableParts)});
            },
        };
        static constexpr int kDivisors[] = {5, 4, 3, 2};
        for (std::size_t i = 0; i < std::size(reads) && stopAnswer == platform::kStatusOk; ++i) {
            readStatus = firstFailure({readStatus, reads[i]()});
            if (i == 0) {
                m_engine->messageRowidMark() = largestRowid(tables.messages);
            }
            stopAnswer = m_engine->reportProgress(base + share / kDivisors[i]);
        }
        if (stopAnswer == platform::kStatusOk) {
            tables.contentFile = [this](const std::string& fileId) {
                std::string path = m_engine->filePath(fileId);
                return platform::fileExists(path) ? path : std::string();
            };
            // Messages are listed without contact names when the address book cannot be read.
            joinMessages(tables, addressBook().rows, joined);
        }
    }
    const int answer = m_engine->reportProgress(base + share);
    messages = std::move(joined);
    const int last = advance(share / 2);
    if (answer != 0 || last != 0) {
        return answer != 0 ? answer : last;
    }
    return firstFailure({stopAnswer, opened, readStatus});
}

int CLocalBuckupRecovery::ScanMessageAttachments(std::vector<AttachmentItem>& attachments)
{
    return scanMessageAttachments(*m_engine, attachments);
}

int CLocalBuckupRecovery::ScanContacts(std::vector<ContactRecord>& contacts)
{
    const AddressBook& book = addressBook();
    // The person table holds the live contacts with every number as typed; the full-text rows
    // add the deleted ones carved from the file, or all of them when the person table does not
    // read.
    const bool personTable =
        readPersonTable(databasePath(catalogue::kContactsDbId), contacts) == platform::kStatusOk;
    buildContacts(book.rows, contacts, personTable);
    if (book.opened == platform::kStatusOk) {
        m_engine->contactRowidMark() = largestRowid(book.rows);
    }
    const int answer = advance(m_engine->progressStep() / 2);
    return answer != 0 ? answer : book.status;
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
        sqlitecarve::Database db;
        status = openDatabase(db, path);
        if (status == platform::kStatusOk) {
            std::vector<sqlitecarve::CallRow> rows;
            status = coreDataStore ? sqlitecarve::readCallRecords(db, rows)
                                   : sqlitecarve::readLegacyCalls(db, rows);
            // Calls keep their numbers, without names, when the address book cannot be read.
            buildCalls(rows, addressBook().rows, calls);
        }
    }
    const int answer = advance(m_engine->progressStep() / 2);
    return answer != 0 ? answer : status;
}

int CLocalBuckupRecovery::ScanNotes(std::vector<NoteRecord>& notes)
{
    sqlitecarve::Database db;
    int status = openDatabase(db, databasePath(catalogue::kNotesLegacyDbId));
    if (status == platform::kStatusOk) {
        std::vector<sqlitecarve::NoteBodyRow> bodies;
        std::vector<sqlitecarve::NoteRow> noteRows;
        status = firstFailure(
            {sqlitecarve::readNoteBodies(db, bodies), sqlitecarve::readNotes(db, noteRows)});
        mergeNotes(bodies, noteRows, notes);
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
    const int status = scanCameraRollAndPhotoStream(*m_engine, cameraRoll, photoStream);
    if (status == platform::kStatusOk) {
        addPhotoDetails(*m_engine, cameraRoll, m_damage);
    }
    return status;
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
        sqlitecarve::Database db;
        if (status == platform::kStatusOk) {
            status = openDatabase(db, path);
        }
        if (status == platform::kStatusOk) {
            WhatsAppTables tables;
            status = firstFailure({sqlitecarve::readMediaItems(db, tables.media),
                                   sqlitecarve::readChatSessions(db, tables.sessions),
                                   sqlitecarve::readGroupMembers(db, tables.members),
                                   sqlitecarve::readWhatsAppMessages(db, tables.messages)});
            joinWhatsApp(tables, addressBook().rows, m_whatsApp);
        }
    }
    chats = m_whatsApp;
    const int answer = advance(m_engine->progressStep());
    return answer != 0 ? answer : status;
}

int CLocalBuckupRecovery::readStoreFile(
    const std::string& fileId,
    const std::function<int(const std::string&, sqlitecarve::Database*)>& read)
{
    const std::string path = m_engine->filePath(fileId);
    if (!platform::fileExists(path)) {
        return platform::kStatusOk;
    }
    sqlitecarve::Database db;
    const int opened = openDatabase(db, path);
    const int status = read(path, opened == platform::kStatusOk ? &db : nullptr);
    return firstFailure({opened, status});
}

int CLocalBuckupRecovery::ScanReminders(std::vector<ReminderRecord>& reminders)
{
    reminders.clear();
    int status = platform::kStatusOk;
    for (const catalogue::ManifestEntry* entry : reminderStoreFiles(m_engine->manifest())) {
        status = firstFailure(
            {status,
             readStoreFile(entry->fileId, [&](const std::string& path, sqlitecarve::Database* db) {
                 return readReminderStore(path, db, reminders);
             })});
    }
    if (const catalogue::ManifestEntry* calendar = calendarStoreFile(m_engine->manifest())) {
        status =
            firstFailure({status,
                          readStoreFile(calendar->fileId,
                                        [&](const std::string& path, sqlitecarve::Database* db) {
                                            return readCalendarTasks(path, db, reminders);
                                        })});
    }
    std::stable_partition(
        reminders.begin(), reminders.end(), [](const ReminderRecord& r) { return r.deleted != 0; });
    const int answer = advance(m_engine->progressStep() / 4);
    return answer != 0 ? answer : status;
}

int CLocalBuckupRecovery::ScanCalendar(std::vector<CalendarEventRecord>& events)
{
    events.clear();
    int status = platform::kStatusOk;
    if (const catalogue::ManifestEntry* calendar = calendarStoreFile(m_engine->manifest())) {
        status = readStoreFile(calendar->fileId,
                               [&](const std::string& path, sqlitecarve::Database* db) {
                                   return readCalendarEvents(path, db, events);
                               });
    }
    std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
        return a.start < b.start;
    });
    std::stable_partition(
        events.begin(), events.end(), [](const CalendarEventRecord& e) { return e.deleted != 0; });
    const int answer = advance(m_engine->progressStep() / 4);
    return answer != 0 ? answer : status;
}

int CLocalBuckupRecovery::ScanSafariBookmarks(std::vector<SafariBookmarkRecord>& bookmarks)
{
    const catalogue::ManifestEntry* store = findSafariBookmarksStore(m_engine->manifest());
    const int status =
        store != nullptr
            ? readSafariBookmarks(m_engine->filePath(store->fileId), &m_damage, bookmarks)
            : platform::kStatusOk;
    const int answer = advance(m_engine->progressStep() / 2);
    // A store whose file is not in the backup leaves the category empty.
    return answer != 0 ? answer : status == platform::kStatusInvalid ? platform::kStatusOk : status;
}

int CLocalBuckupRecovery::ScanSafariHistory(std::vector<SafariHistoryRecord>& history)
{
    int status = platform::kStatusOk;
    for (const catalogue::ManifestEntry* store : findSafariHistoryStores(m_engine->manifest())) {
        const int read = readSafariHistory(m_engine->filePath(store->fileId), &m_damage, history);
        // The first damaged store is reported whatever the others gave; a store whose file is
        // not in the backup leaves the category as it is.
        if (status == platform::kStatusOk && read != platform::kStatusInvalid) {
            status = read;
        }
    }
    // The pages of every store in one order, latest visit first.
    std::stable_sort(history.begin(), history.end(), [](const auto& a, const auto& b) {
        return a.lastVisit > b.lastVisit;
    });
    const int answer = advance(m_engine->progressStep() / 2);
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
    return sqlitecarve::dumpTableValueLines(databasePath(catalogue::kMessagesDbId),
                                            "message",
                                            m_engine->messageRowidMark(),
                                            outputPath);
}

int CLocalBuckupRecovery::ExportContactsTable(const std::string& outputPath)
{
    return sqlitecarve::dumpTableValueLines(databasePath(catalogue::kContactsDbId),
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
