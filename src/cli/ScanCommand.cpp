// `brenvale-cli scan`: runs a scan over the chosen categories with the same driver as the
// application, shows its progress on standard error and prints what it found, as a summary
// table of live and deleted counts or as one JSON object.
#include "Arguments.h"
#include "BackupJson.h"
#include "CalendarJson.h"
#include "Commands.h"
#include "ContactJson.h"
#include "JsonWriter.h"
#include "ScanRun.h"
#include "extract/MessagesBuilder.h"
#include "extract/ScanDriver.h"
#include "platform/File.h"
#include "platform/Status.h"

#include <algorithm>
#include <iomanip>
#include <string>

namespace cli {

namespace {

using extract::RecoveryCategory;

constexpr const char* kScanHelp =
    "Usage: brenvale-cli scan BACKUP_DIR [--categories LIST] [--password-stdin] [--json]\n"
    "                         [--quiet]\n"
    "\n"
    "Scans a backup and prints the counts of live and deleted records per category.\n"
    "\n"
    "  --categories LIST  comma-separated: camera-roll, photo-stream, app-photos,\n"
    "                     app-videos, messages, message-attachments, contacts,\n"
    "                     call-history, notes, whatsapp, whatsapp-attachments, reminders,\n"
    "                     calendar, safari-bookmarks, safari-history (default: all)\n"
    "  --password-stdin   read the backup password from the first line of standard input\n"
    "  --json             print every record found as one JSON object\n"
    "  --quiet            no progress on standard error\n";

// What the photo library says about a camera-roll file; empty values when it knows nothing.
void writePhotoDetails(JsonWriter& json, const extract::PhotoDetails* details)
{
    const extract::PhotoDetails none;
    const extract::PhotoDetails& d = details != nullptr ? *details : none;
    json.member("originalName", d.originalName);
    json.member("created", d.created);
    for (const auto& [name, pixels] : {std::pair{"width", d.width}, {"height", d.height}}) {
        json.key(name);
        details != nullptr ? json.value(pixels) : json.null();
    }
    json.member("kind", d.kind);
    for (const auto& [name, degrees] :
         {std::pair{"latitude", d.latitude}, {"longitude", d.longitude}}) {
        json.key(name);
        degrees ? json.value(*degrees) : json.null();
    }
    json.member("favorite", d.favorite);
    json.member("hidden", d.hidden);
    json.member("deleted", d.deleted);
    json.member("deletedDate", d.deletedDate);
}

// Media files; camera-roll ones (`cameraRoll`) with the photo library's details.
void writeMedia(JsonWriter& json, const std::vector<extract::MediaItem>& items, bool cameraRoll)
{
    json.beginArray();
    for (const auto& item : items) {
        json.beginObject();
        json.member("size", item.size);
        json.member("name", item.name);
        json.member("path", item.path);
        if (cameraRoll) {
            writePhotoDetails(json, item.photo.get());
        }
        json.endObject();
    }
    json.endArray();
}

void writeAppMedia(JsonWriter& json, const extract::AppMediaGroups& groups)
{
    json.beginArray();
    for (const auto& [app, items] : groups) {
        for (const auto& item : items) {
            json.beginObject();
            json.member("size", item.size);
            json.member("app", item.app);
            json.member("name", item.name);
            json.member("path", item.path);
            json.endObject();
        }
    }
    json.endArray();
}

// The attachments, reactions and edits of a message; empty ones when it has none.
void writeMessageDetails(JsonWriter& json, const extract::MessageDetails* details)
{
    const extract::MessageDetails none;
    const extract::MessageDetails& d = details != nullptr ? *details : none;
    json.key("attachments");
    json.beginArray();
    for (const extract::MessageAttachment& a : d.attachments) {
        json.beginObject();
        json.member("name", a.name);
        json.member("path", a.path);
        json.member("mimeType", a.mimeType);
        json.member("size", a.size);
        json.endObject();
    }
    json.endArray();
    json.key("reactions");
    json.beginArray();
    for (const extract::MessageReaction& r : d.reactions) {
        json.beginObject();
        json.member("kind", r.kind);
        json.member("emoji", r.emoji);
        json.member("sender", r.sender);
        json.member("date", r.date);
        json.endObject();
    }
    json.endArray();
    json.member("edited", d.edited);
    json.key("edits");
    json.beginArray();
    for (const extract::MessageEdit& e : d.edits) {
        json.beginObject();
        json.member("date", e.date);
        json.member("text", e.text);
        json.endObject();
    }
    json.endArray();
    json.member("unsent", d.unsent);
}

void writeMessage(JsonWriter& json, const extract::MessageRecord& m)
{
    json.beginObject();
    json.member("deleted", m.deleted);
    json.member("isFromMe", m.isFromMe);
    json.member("rowId", m.rowId);
    json.member("handleId", m.handleId);
    json.member("date", m.date);
    json.member("address", m.address);
    json.member("contactName", m.contactName);
    json.member("text", m.text);
    json.member("attachmentName", m.attachmentName);
    json.member("sender", extract::senderOf(m));
    json.member("service", m.service);
    writeMessageDetails(json, m.details.get());
    json.member("deletedSource", extract::deletedSourceOf(m));
    json.endObject();
}

// The conversation's own fields; empty ones for a conversation without description.
void writeConversationInfo(JsonWriter& json, const extract::ConversationInfo* info)
{
    const extract::ConversationInfo none;
    const extract::ConversationInfo& c = info != nullptr ? *info : none;
    json.member("name", c.name);
    json.member("isGroup", c.isGroup);
    json.key("participants");
    json.beginArray();
    for (const std::string& address : c.participants) {
        json.value(address);
    }
    json.endArray();
    json.member("chatIdentifier", c.chatIdentifier);
}

void writeWhatsAppMessage(JsonWriter& json, const extract::WhatsAppMessage& m)
{
    json.beginObject();
    const std::pair<const char*, int> numbers[] = {{"deleted", m.deleted},
                                                   {"isFromMe", m.isFromMe},
                                                   {"rowId", m.rowId},
                                                   {"sessionId", m.sessionId},
                                                   {"memberId", m.memberId},
                                                   {"mediaId", m.mediaId}};
    for (const auto& [name, value] : numbers) {
        json.key(name);
        json.value(value);
    }
    const std::pair<const char*, const std::string*> texts[] = {
        {"date", &m.date},
        {"senderName", &m.senderName},
        {"text", &m.text},
        {"senderAddress", &m.senderAddress},
        {"sessionMembers", &m.sessionMembers},
        {"sessionAddresses", &m.sessionAddresses},
        {"sessionName", &m.sessionName}};
    for (const auto& [name, value] : texts) {
        json.key(name);
        json.value(*value);
    }
    json.endObject();
}

void writeSafariBookmarks(JsonWriter& json,
                          const std::vector<extract::SafariBookmarkRecord>& bookmarks)
{
    json.beginArray();
    for (const auto& bookmark : bookmarks) {
        json.beginObject();
        json.member("deleted", bookmark.deleted);
        json.member("title", bookmark.title);
        json.member("url", bookmark.url);
        json.member("folder", bookmark.folder);
        json.endObject();
    }
    json.endArray();
}

void writeSafariHistory(JsonWriter& json, const std::vector<extract::SafariHistoryRecord>& pages)
{
    json.beginArray();
    for (const auto& page : pages) {
        json.beginObject();
        json.member("deleted", page.deleted);
        json.member("url", page.url);
        json.member("title", page.title);
        json.member("visitCount", page.visitCount);
        json.member("lastVisit", page.lastVisit);
        json.key("visits");
        json.beginArray();
        for (const std::string& date : page.visits) {
            json.value(date);
        }
        json.endArray();
        json.endObject();
    }
    json.endArray();
}

void writeCategory(JsonWriter& json, RecoveryCategory category, const extract::ScanResults& r)
{
    using C = RecoveryCategory;
    json.key(extract::categoryInfo(category).jsonKey);
    switch (category) {
    case C::CameraRoll:
        writeMedia(json, r.cameraRoll, true);
        return;
    case C::PhotoStream:
        writeMedia(json, r.photoStream, false);
        return;
    case C::AppPhotos:
        writeAppMedia(json, r.appPhotos);
        return;
    case C::AppVideos:
        writeAppMedia(json, r.appVideos);
        return;
    case C::WhatsAppAttachments:
        writeMedia(json, r.whatsAppAttachments, false);
        return;
    case C::Messages:
        json.beginArray();
        for (const auto& summary : r.conversations) {
            json.beginObject();
            json.member("conversationId", summary.handleId);
            writeConversationInfo(json, summary.conversation.get());
            json.key("messages");
            json.beginArray();
            for (const auto& message : r.messages.at(summary.handleId)) {
                writeMessage(json, message);
            }
            json.endArray();
            json.endObject();
        }
        json.endArray();
        return;
    case C::MessageAttachments:
        json.beginArray();
        for (const auto& item : r.messageAttachments) {
            json.beginObject();
            json.member("deleted", item.deleted);
            json.member("size", item.size);
            json.member("name", item.name);
            json.member("path", item.path);
            json.endObject();
        }
        json.endArray();
        return;
    case C::Contacts:
        json.beginArray();
        for (const auto& contact : r.contacts) {
            writeContact(json, contact);
        }
        json.endArray();
        return;
    case C::CallHistory:
        json.beginArray();
        for (const auto& call : r.calls) {
            json.beginObject();
            json.member("deleted", call.deleted);
            json.member("incoming", call.incoming);
            json.member("duration", call.duration);
            json.member("date", call.date);
            json.member("number", call.number);
            json.member("name", call.name);
            json.endObject();
        }
        json.endArray();
        return;
    case C::Notes: {
        // The results page lists deleted notes first.
        std::vector<const extract::NoteRecord*> notes;
        for (const auto& note : r.notes) {
            notes.push_back(&note);
        }
        std::stable_sort(notes.begin(), notes.end(), [](const auto* a, const auto* b) {
            return (a->deleted != 0) > (b->deleted != 0);
        });
        json.beginArray();
        for (const auto* note : notes) {
            json.beginObject();
            json.member("deleted", note->deleted);
            json.member("key", note->key);
            json.member("date", note->date);
            json.member("created", note->created);
            json.member("modified", note->modified);
            json.member("folder", note->folder);
            json.member("account", note->account);
            json.member("locked", note->locked);
            json.member("pinned", note->pinned);
            json.member("deletedSource", note->deletedSource);
            json.member("title", note->title);
            json.member("content", note->content);
            json.endObject();
        }
        json.endArray();
        return;
    }
    case C::WhatsApp:
        json.beginArray();
        for (const auto& [sessionId, messages] : r.whatsApp) {
            json.beginObject();
            json.member("sessionId", sessionId);
            json.key("messages");
            json.beginArray();
            for (const auto& message : messages) {
                writeWhatsAppMessage(json, message);
            }
            json.endArray();
            json.endObject();
        }
        json.endArray();
        return;
    case C::SafariBookmark:
        writeSafariBookmarks(json, r.safariBookmarks);
        return;
    case C::SafariHistory:
        writeSafariHistory(json, r.safariHistory);
        return;
    case C::Reminder:
        json.beginArray();
        for (const auto& reminder : r.reminders) {
            writeReminder(json, reminder);
        }
        json.endArray();
        return;
    case C::Calendar:
        json.beginArray();
        for (const auto& event : r.calendar) {
            writeCalendarEvent(json, event);
        }
        json.endArray();
        return;
    }
}

// Live and deleted counts of a category.
std::pair<std::size_t, std::size_t>
liveAndDeleted(RecoveryCategory category, const extract::ScanResults& r, std::size_t total)
{
    std::size_t deleted = 0;
    const auto countDeleted = [&deleted](const auto& items) {
        for (const auto& item : items) {
            deleted += item.deleted != 0 ? 1 : 0;
        }
    };
    // The table counts messages, where the results tree counts conversations and chats.
    const auto countMessages = [&total, &countDeleted](const auto& groups) {
        total = 0;
        for (const auto& [key, messages] : groups) {
            total += messages.size();
            countDeleted(messages);
        }
    };
    switch (category) {
    case RecoveryCategory::Messages:
        countMessages(r.messages);
        break;
    case RecoveryCategory::WhatsApp:
        countMessages(r.whatsApp);
        break;
    case RecoveryCategory::CameraRoll:
        for (const extract::MediaItem& item : r.cameraRoll) {
            deleted += item.photo != nullptr && item.photo->deleted != 0 ? 1 : 0;
        }
        break;
    case RecoveryCategory::Contacts:
        countDeleted(r.contacts);
        break;
    case RecoveryCategory::CallHistory:
        countDeleted(r.calls);
        break;
    case RecoveryCategory::Notes:
        countDeleted(r.notes);
        break;
    case RecoveryCategory::Reminder:
        countDeleted(r.reminders);
        break;
    case RecoveryCategory::Calendar:
        countDeleted(r.calendar);
        break;
    case RecoveryCategory::SafariBookmark:
        countDeleted(r.safariBookmarks);
        break;
    case RecoveryCategory::SafariHistory:
        countDeleted(r.safariHistory);
        break;
    default:
        break;
    }
    return {total - deleted, deleted};
}

std::size_t missingContentFiles(const catalogue::BackupEngine& engine)
{
    return static_cast<std::size_t>(
        std::count_if(engine.manifest().begin(), engine.manifest().end(), [&](const auto& entry) {
            return !platform::fileExists(engine.filePath(entry.fileId));
        }));
}

} // namespace

int runScan(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    ParsedArguments parsed;
    std::string error;
    if (parseArguments(
            args,
            {{"categories", true}, {"password-stdin", false}, {"json", false}, {"quiet", false}},
            parsed,
            error) != 0) {
        return usageError(err, "scan", error);
    }
    if (parsed.has("help")) {
        out << kScanHelp;
        return kExitOk;
    }
    if (parsed.positionals.size() != 1) {
        return usageError(err, "scan", "expected one BACKUP_DIR");
    }
    extract::CategorySet categories;
    if (parseCategoryList(parsed.values("categories"), categories, error) != 0) {
        return usageError(err, "scan", error);
    }
    const bool quiet = parsed.has("quiet");
    ScanRun run(err, quiet);
    (void)run.scan(parsed.positionals[0], categories, parsed.has("password-stdin"));
    if (!run.ran()) {
        return kExitFailure;
    }
    const int status = run.status();
    const extract::ScanResults& results = run.results();
    if (const std::size_t missing = missingContentFiles(run.engine()); missing != 0 && !quiet) {
        err << "brenvale-cli: " << missing << " of " << run.engine().manifest().size()
            << " manifest entries have no content file in the backup\n";
    }

    if (parsed.has("json")) {
        JsonWriter json(out, true);
        json.beginObject();
        json.key("backup");
        json.beginObject();
        writeBackupMembers(json, run.backup());
        json.endObject();
        json.member("status", status);
        json.key("categories");
        json.beginObject();
        for (const auto& row : extract::categoryTable()) {
            if (categories.has(row.category)) {
                writeCategory(json, row.category, results);
            }
        }
        json.endObject();
        json.endObject();
        out << "\n";
    } else {
        const extract::CategoryCounts counts = extract::countResults(results);
        out << std::left << std::setw(24) << "Category" << std::right << std::setw(10) << "Live"
            << std::setw(10) << "Deleted"
            << "\n";
        for (const auto& row : extract::categoryTable()) {
            if (!categories.has(row.category)) {
                continue;
            }
            const auto [live, deleted] = liveAndDeleted(
                row.category, results, counts[static_cast<std::size_t>(row.category)]);
            out << std::left << std::setw(24) << row.optionText << std::right << std::setw(10)
                << live << std::setw(10) << deleted << "\n";
        }
        out << "Status: " << status << "\n";
    }
    const bool failed =
        status == platform::kStatusWrongPassword || status == platform::kStatusStopped;
    return failed ? kExitFailure : kExitOk;
}

} // namespace cli
