// The recovery run's worker, exporters and finish.
#include "export/RecoveryRun.h"

#include "export/BookmarksFileWriter.h"
#include "export/ICalendarWriter.h"
#include "export/RecordFields.h"
#include "export/VCardWriter.h"
#include "extract/ConversationNames.h"
#include "extract/MessageAttachments.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/SafeName.h"
#include "platform/Status.h"

#include <type_traits>
#include <variant>

namespace exporting {

namespace {

using extract::RecoveryCategory;

constexpr RecoveryCategory kFirstExportedCategory = RecoveryCategory::CameraRoll;
constexpr RecoveryCategory kLastExportedCategory = RecoveryCategory::SafariHistory;

} // namespace

RecoveryRun::RecoveryRun(RecoveryRunInputs inputs, RecoveryObserver* observer)
    : m_inputs(std::move(inputs))
    , m_observer(observer)
{
    m_state.deviceName = m_inputs.deviceName;
    m_state.outputRoot = m_inputs.outputRoot;
    m_state.callback = &RecoveryRun::progressCallback;
    m_state.userData = this;
}

RecoveryRun::~RecoveryRun()
{
    cancel();
    wait();
}

int RecoveryRun::loadTemplates()
{
    for (std::size_t i = 0; i < kTemplateCount; ++i) {
        if (const int status =
                loadTemplate(m_state, static_cast<TemplateKind>(i), m_inputs.templateFolder);
            status != 0) {
            return status;
        }
    }
    return 0;
}

int RecoveryRun::start()
{
    if (m_started.exchange(true)) {
        return platform::kStatusInvalid;
    }
    // The worker's outcome is read from state(), finished() and cancelled().
    m_thread = std::thread([this] { (void)run(); });
    return 0;
}

void RecoveryRun::wait()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

int RecoveryRun::run()
{
    m_started.store(true);
    int result = 0;
    if (m_inputs.results == nullptr || m_inputs.statistics == nullptr ||
        m_inputs.source == nullptr || platform::createFolders(m_inputs.outputRoot) != 0) {
        result = platform::kStatusInvalid;
    } else {
        m_state.runStamp = runStamp(m_inputs.clock ? m_inputs.clock() : platform::nowSeconds());
        m_state.processed = 0;
        m_state.failed = 0;
        m_state.total = static_cast<std::uint64_t>(m_inputs.statistics->selectedCount());
        for (const SelectionEntry& entry : m_inputs.statistics->entries()) {
            if (m_cancel.load()) {
                break;
            }
            if (entry.group || !entry.ticked || entry.filtered ||
                entry.category < kFirstExportedCategory || entry.category > kLastExportedCategory) {
                continue;
            }
            exportEntry(entry);
        }
        finish();
        result = m_cancel.load() ? platform::kStatusStopped : 0;
    }
    m_finished.store(true);
    return result;
}

int RecoveryRun::progressCallback(void* userData, int percent, int status, const std::string& path)
{
    return static_cast<RecoveryRun*>(userData)->onProgress(percent, status, path);
}

int RecoveryRun::onProgress(int percent, int status, const std::string& path)
{
    const std::lock_guard guard(m_lock);
    if (m_cancel.load()) {
        return platform::kStatusStopped;
    }
    if (percent == 100) {
        // A copy may report 100 for its last block and once more for a failure after it: the
        // item counts once, and once as failed.
        const bool first = !m_itemDone;
        const bool newFailure = status != 0 && !m_itemFailed;
        if (first) {
            m_itemDone = true;
            ++m_state.processed;
        }
        if (newFailure) {
            m_itemFailed = true;
            ++m_state.failed;
        }
        if ((first || newFailure) && m_observer != nullptr) {
            m_observer->itemFinished(
                path, status, m_state.processed, m_state.failed, m_state.total);
        }
    }
    if (m_observer != nullptr) {
        m_observer->progress(percent, path);
    }
    return 0;
}

void RecoveryRun::endItem(int status, const std::string& path)
{
    if (!m_itemDone && status != platform::kStatusStopped) {
        // The answer only says whether the run was cancelled, which run() checks itself.
        (void)onProgress(100, status, path);
    }
}

void RecoveryRun::fileFailed(int status, const std::string& path)
{
    if (status == platform::kStatusOk || status == platform::kStatusStopped) {
        return;
    }
    const std::lock_guard guard(m_lock);
    if (!m_itemDone) {
        m_itemDone = true;
        ++m_state.processed;
    }
    if (!m_itemFailed) {
        m_itemFailed = true;
        ++m_state.failed;
    }
    if (m_observer != nullptr) {
        m_observer->itemFinished(path, status, m_state.processed, m_state.failed, m_state.total);
    }
}

void RecoveryRun::runFileFailed(int status, const std::string& path)
{
    if (status == platform::kStatusOk || status == platform::kStatusStopped) {
        return;
    }
    {
        const std::lock_guard guard(m_lock);
        ++m_state.total;
    }
    m_itemDone = false;
    m_itemFailed = false;
    fileFailed(status, path);
}

std::string RecoveryRun::outputPath(std::initializer_list<std::string_view> parts) const
{
    std::string path = m_inputs.outputRoot;
    for (const std::string_view part : parts) {
        path = platform::joinPath(path, std::string(part));
    }
    return path;
}

void RecoveryRun::exportEntry(const SelectionEntry& entry)
{
    m_itemDone = false;
    m_itemFailed = false;
    const RecoveryCategory category = entry.category;
    const auto visitor = [&](const auto& record) {
        using Pointer = std::decay_t<decltype(record)>;
        if constexpr (std::is_same_v<Pointer, std::monostate>) {
            return;
        } else if constexpr (std::is_same_v<Pointer, const extract::MediaItem*>) {
            const std::string_view folder =
                category == RecoveryCategory::CameraRoll    ? kCameraRollFolder
                : category == RecoveryCategory::PhotoStream ? kPhotoStreamFolder
                                                            : kWhatsAppAttachmentsFolder;
            const std::string copy = copyFile(folder, {}, record->name, record->path);
            if (category == RecoveryCategory::CameraRoll && !copy.empty()) {
                m_cameraRollCopies.push_back({copy.substr(copy.rfind('/') + 1), record});
            }
        } else if constexpr (std::is_same_v<Pointer, const extract::AppMediaItem*>) {
            copyFile(category == RecoveryCategory::AppPhotos ? kAppPhotosFolder : kAppVideosFolder,
                     record->app,
                     record->name,
                     record->path);
        } else if constexpr (std::is_same_v<Pointer, const extract::AttachmentItem*>) {
            copyFile(kMessageAttachmentsFolder, {}, record->name, record->path);
        } else if constexpr (std::is_same_v<Pointer, const extract::ConversationSummary*>) {
            exportConversation(*record);
        } else if constexpr (std::is_same_v<Pointer, const extract::WhatsAppMessage*>) {
            exportChat(*record);
        } else if constexpr (std::is_same_v<Pointer, const extract::ContactRecord*>) {
            // Rows of contacts, calls and notes only collect into their page, which finish()
            // writes and reports; the answer only says whether the run was cancelled, which
            // run() checks itself.
            (void)appendContactRow(
                m_state, *record, outputPath({kContactsFolder, m_state.runStamp, "Contacts.html"}));
            m_contactCards.push_back(record);
        } else if constexpr (std::is_same_v<Pointer, const extract::CallRecord*>) {
            (void)appendCallRow(
                m_state,
                *record,
                outputPath({kCallHistoryFolder, "CallHistory_" + m_state.runStamp + ".html"}));
        } else if constexpr (std::is_same_v<Pointer, const extract::NoteRecord*>) {
            (void)appendNoteRow(m_state,
                                *record,
                                outputPath({kNotesFolder, "Notes_" + m_state.runStamp + ".html"}));
        } else if constexpr (std::is_same_v<Pointer, const extract::ReminderRecord*>) {
            // Reminders and events only collect; finish() writes their files.
            m_reminders.push_back(record);
            (void)onProgress(
                100, 0, outputPath({kRemindersFolder, m_state.runStamp, "Reminders.html"}));
        } else if constexpr (std::is_same_v<Pointer, const extract::CalendarEventRecord*>) {
            m_events.push_back(record);
            (void)onProgress(
                100, 0, outputPath({kCalendarFolder, m_state.runStamp, "Calendar.html"}));
        } else if constexpr (std::is_same_v<Pointer, const extract::SafariBookmarkRecord*>) {
            m_safariBookmarks.push_back(record);
            endItem(0, outputPath({kSafariFolder, m_state.runStamp, "SafariBookmarks.html"}));
        } else if constexpr (std::is_same_v<Pointer, const extract::SafariHistoryRecord*>) {
            m_safariHistory.push_back(record);
            endItem(0, outputPath({kSafariFolder, m_state.runStamp, "SafariHistory.html"}));
        }
    };
    std::visit(visitor, entry.record);
}

std::string RecoveryRun::copyFile(std::string_view folder,
                                  const std::string& appName,
                                  const std::string& fileName,
                                  const std::string& source)
{
    std::string destination =
        appName.empty()
            ? outputPath({folder, platform::safeName(fileName)})
            : outputPath({folder, platform::safeName(appName), platform::safeName(fileName)});
    if (!appName.empty()) {
        // A folder that cannot be made fails the copy into it, which reports the failure.
        (void)platform::createFolders(outputPath({folder, platform::safeName(appName)}));
    }
    destination = makeUniquePath(destination);
    const int status =
        m_inputs.source->CopyOut(source, destination, &RecoveryRun::progressCallback, this);
    endItem(status, destination);
    return status == platform::kStatusOk ? destination : std::string();
}

void RecoveryRun::exportConversation(const extract::ConversationSummary& conversation)
{
    std::string name = extract::inGroup(conversation) ? extract::conversationName(conversation)
                                                      : conversation.contactName;
    if (name.empty()) {
        name = platform::kUnknownName;
    }
    const std::string folder =
        outputPath({kMessageFolder, platform::safeName(name) + "-" + m_state.runStamp});
    // A folder that cannot be made fails the writes into it, which report the failure.
    (void)platform::createFolders(folder);
    m_state.messageExported = true;
    const std::string label = platform::safeName(conversationLabel(conversation));
    const extract::MessageMap& messages = m_inputs.results->messages;

    const std::string textPath = makeUniquePath(platform::joinPath(folder, label + ".txt"));
    buildPersonHead(m_state, TemplateKind::Sms, personLine(conversation));
    const int textStatus = writeConversationText(textPath, messages, conversation.handleId);

    const std::string htmlPath = makeUniquePath(platform::joinPath(folder, label + ".html"));
    const int status = writeConversationHtml(m_state, htmlPath, messages, conversation.handleId);
    endItem(status, htmlPath);
    fileFailed(textStatus, textPath);

    // Every attachment goes to its copy path beside the page, which links it there; a copy
    // that fails counts as a failed file of the run.
    const auto found = messages.find(conversation.handleId);
    if (found == messages.end()) {
        return;
    }
    for (const extract::MessageRecord& message : found->second) {
        if (message.details == nullptr) {
            continue;
        }
        for (const extract::MessageAttachment& attachment : message.details->attachments) {
            if (m_cancel.load() || attachment.copyPath.empty()) {
                continue;
            }
            const std::string destination = platform::joinPath(folder, attachment.copyPath);
            if (platform::fileExists(destination)) {
                // A live message and its copy carved from free space share their attachments.
                continue;
            }
            // A folder that cannot be made fails the copy into it, which reports the failure.
            (void)platform::createFolders(
                platform::joinPath(folder, std::string(extract::kAttachmentCopyFolder)));
            runFileFailed(m_inputs.source->CopyOut(attachment.path, destination, nullptr, nullptr),
                          destination);
        }
    }
}

void RecoveryRun::exportChat(const extract::WhatsAppMessage& chat)
{
    const std::string label = platform::safeName(chatLabel(chat));
    const std::string folder = outputPath({kWhatsAppFolder, label + "-" + m_state.runStamp});
    // A folder that cannot be made fails the writes into it, which report the failure.
    (void)platform::createFolders(folder);
    const extract::WhatsAppMap& chats = m_inputs.results->whatsApp;

    const std::string textPath = makeUniquePath(platform::joinPath(folder, label + ".txt"));
    buildPersonHead(m_state, TemplateKind::WhatsApp, personLine(chat));
    const int textStatus = writeConversationText(textPath, chats, chat.sessionId);

    const std::string csvPath = makeUniquePath(platform::joinPath(folder, label + ".csv"));
    const int csvStatus = writeChatCsv(csvPath, chats, chat.sessionId);

    const std::string htmlPath = makeUniquePath(platform::joinPath(folder, label + ".html"));
    const int status = writeConversationHtml(m_state, htmlPath, chats, chat.sessionId);
    endItem(status, htmlPath);
    fileFailed(textStatus, textPath);
    fileFailed(csvStatus, csvPath);
}

void RecoveryRun::finish()
{
    if (!m_cameraRollCopies.empty()) {
        const std::string table =
            outputPath({kCameraRollFolder, m_state.runStamp, kPhotosTableName});
        runFileFailed(writePhotosCsv(table, m_cameraRollCopies), table);
    }
    if (m_state.messageExported) {
        writeDump(outputPath({kMessageFolder, "sms.csv"}), [this](const std::string& dump) {
            return m_inputs.source->ExportMessagesTable(dump);
        });
    }
    if (!m_state.group(TemplateKind::CallHistory).body.empty()) {
        const std::string page =
            outputPath({kCallHistoryFolder, "CallHistory_" + m_state.runStamp + ".html"});
        runFileFailed(writeAggregatePage(m_state, TemplateKind::CallHistory, page), page);
    }
    if (!m_state.group(TemplateKind::Notes).body.empty()) {
        const std::string page = outputPath({kNotesFolder, "Notes_" + m_state.runStamp + ".html"});
        runFileFailed(writeAggregatePage(m_state, TemplateKind::Notes, page), page);
    }
    if (!m_state.group(TemplateKind::Contacts).body.empty()) {
        const std::string folder = outputPath({kContactsFolder, m_state.runStamp});
        // A folder that cannot be made fails the dump and the page, which report it.
        (void)platform::createFolders(folder);
        writeDump(platform::joinPath(folder, "Contacts.csv"), [this](const std::string& dump) {
            return m_inputs.source->ExportContactsTable(dump);
        });
        const std::string page = platform::joinPath(folder, "Contacts.html");
        runFileFailed(writeAggregatePage(m_state, TemplateKind::Contacts, page), page);
        const std::string cards = platform::joinPath(folder, "Contacts.vcf");
        runFileFailed(writeVCardFile(cards, m_contactCards), cards);
    }
    writeRecordTables();
}

void RecoveryRun::writeRecordTables()
{
    const std::int64_t stamp = m_inputs.clock ? m_inputs.clock() : platform::nowSeconds();
    // The pages take the look of the call-history template.
    const std::string& look = m_state.group(TemplateKind::CallHistory).text;
    // Writes `fileName`.html and .csv of `records` into `folderName`/<stamp>/, the page titled
    // by `shownName`, and the interchange file `extraName` with `writeExtra` when there is one;
    // each file that fails is reported.
    const auto writeAll = [&](std::string_view folderName,
                              std::string_view fileName,
                              std::string_view shownName,
                              const auto& records,
                              const auto& fieldsOf,
                              std::string_view extraName,
                              const std::function<int(const std::string&)>& writeExtra) {
        if (records.empty()) {
            return;
        }
        const std::string folder = outputPath({folderName, m_state.runStamp});
        // A folder that cannot be made fails the writes into it, which report it.
        (void)platform::createFolders(folder);
        std::vector<std::vector<LabelledValue>> fields;
        std::vector<bool> deleted;
        for (const auto* record : records) {
            fields.push_back(fieldsOf(*record));
            deleted.push_back(record->deleted != 0);
        }
        const std::string base = platform::joinPath(folder, std::string(fileName));
        const std::string title =
            "iPhone's " + std::string(shownName) + " of " + m_state.deviceName;
        runFileFailed(
            platform::writeWholeFile(base + ".html", recordTablePage(look, title, fields, deleted)),
            base + ".html");
        runFileFailed(writeRecordCsv(fields, deleted, base + ".csv"), base + ".csv");
        if (writeExtra) {
            const std::string extra = platform::joinPath(folder, std::string(extraName));
            runFileFailed(writeExtra(extra), extra);
        }
    };
    writeAll(
        kRemindersFolder,
        "Reminders",
        "Reminders",
        m_reminders,
        [](const extract::ReminderRecord& reminder) { return reminderFields(reminder); },
        "Reminders.ics",
        [&](const std::string& path) { return writeRemindersIcs(path, m_reminders, stamp); });
    writeAll(
        kCalendarFolder,
        "Calendar",
        "Calendar",
        m_events,
        [](const extract::CalendarEventRecord& event) { return calendarFields(event); },
        "Calendar.ics",
        [&](const std::string& path) { return writeCalendarIcs(path, m_events, stamp); });
    writeAll(kSafariFolder,
             "SafariBookmarks",
             "Safari Bookmarks",
             m_safariBookmarks,
             safariBookmarkFields,
             "Bookmarks.html",
             [&](const std::string& path) { return writeBookmarksFile(path, m_safariBookmarks); });
    writeAll(kSafariFolder,
             "SafariHistory",
             "Safari History",
             m_safariHistory,
             safariHistoryFields,
             "",
             {});
}

void RecoveryRun::writeDump(const std::string& path,
                            const std::function<int(const std::string&)>& write)
{
    // The dump appends to its file, so an older one is removed first; when it cannot be, the
    // dump is not written over it.
    int status = platform::kStatusOk;
    if (platform::fileExists(path)) {
        status = platform::removeFile(path);
    }
    if (status == platform::kStatusOk) {
        status = write(path);
    }
    runFileFailed(status, path);
}

} // namespace exporting
