// Blocks of the print page, one per record (per message for conversations).
#include "export/PrintPage.h"

#include "export/ExportWriters.h"
#include "export/MessageNotes.h"
#include "export/RecordFields.h"
#include "export/TextEscape.h"
#include "extract/ConversationNames.h"
#include "extract/NotesBuilder.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <filesystem>
#include <type_traits>
#include <variant>

namespace exporting {

namespace {

constexpr std::uint64_t kMaxTemplateBytes = 16U * 1024U * 1024U;

// "<p><span>" + label + "</span>" + escaped value + "</p>\r\n".
void appendLine(std::string& body, std::string_view label, std::string_view value)
{
    body += "<p><span>";
    body += label;
    body += "</span>";
    appendHtmlEscaped(body, value);
    body += "</p>\r\n";
}

// One block of labelled lines ("Title:", "Due:" …), a line per field.
void appendFieldsBlock(std::string& body, const std::vector<LabelledValue>& fields)
{
    body += "<div>\r\n";
    for (const LabelledValue& field : fields) {
        appendLine(body, std::string(field.label) + ":", field.value);
    }
    body += "</div>\r\n";
}

// Phones one per line, each escaped, joined by "<br />".
void appendPhonesLine(std::string& body, std::string_view phones)
{
    body += "<p><span>Phone Number:</span>";
    std::size_t from = 0;
    for (std::size_t at = phones.find('\n'); at != std::string_view::npos;
         at = phones.find('\n', from)) {
        appendHtmlEscaped(body, phones.substr(from, at - from));
        body += "<br />";
        from = at + 1;
    }
    appendHtmlEscaped(body, phones.substr(from));
    body += "</p>\r\n";
}

std::string messageSender(const extract::MessageRecord& message)
{
    // The owner's messages in a group go to the group, not to one member.
    if (message.isFromMe != 0 && extract::inGroup(message)) {
        return extract::conversationName(message);
    }
    const bool named = !message.contactName.empty() && message.contactName != "Unknown";
    return named ? message.contactName + "(" + message.address + ")" : message.address;
}

} // namespace

std::string printPagePath(const std::string& applicationFolder)
{
    return platform::joinPath(platform::joinPath(applicationFolder, "Print"), "page.html");
}

PrintPageBuilder::PrintPageBuilder(const extract::ScanResults& results,
                                   const CStatisticsObj& statistics)
    : m_results(results)
    , m_statistics(statistics)
{}

bool PrintPageBuilder::stopRequested()
{
    const std::lock_guard guard(m_lock);
    return m_cancel.load();
}

int PrintPageBuilder::buildBody(extract::RecoveryCategory category,
                                bool deletedOnly,
                                std::string& body)
{
    const SelectionEntry* group = m_statistics.find(m_statistics.categoryKey(category));
    if (group == nullptr) {
        return 0;
    }
    for (const std::size_t index : group->children) {
        if (stopRequested()) {
            return platform::kStatusStopped;
        }
        const SelectionEntry& entry = m_statistics.entries()[index];
        if (entry.group || !entry.ticked || (deletedOnly && !entry.deleted)) {
            continue;
        }
        int status = 0;
        const auto visitor = [&](const auto& record) {
            using Pointer = std::decay_t<decltype(record)>;
            if constexpr (std::is_same_v<Pointer, const extract::ConversationSummary*>) {
                const auto found = m_results.messages.find(record->handleId);
                if (found == m_results.messages.end()) {
                    return;
                }
                if (extract::inGroup(*record)) {
                    body += "<div>\r\n";
                    appendLine(body, "Group:", extract::conversationName(*record));
                    appendLine(body, "Members:", extract::conversationAddresses(*record));
                    body += "</div>\r\n";
                }
                for (const extract::MessageRecord& message : found->second) {
                    if (stopRequested()) {
                        status = platform::kStatusStopped;
                        return;
                    }
                    body += "<div>\r\n";
                    appendLine(
                        body, message.isFromMe != 0 ? "To:" : "From:", messageSender(message));
                    appendLine(body, "Date:", message.date);
                    appendLine(body, "Content:", shownMessageText(message));
                    for (const MessageNote& note : messageNotes(message)) {
                        appendLine(body, "Note:", note.text);
                    }
                    body += "</div>\r\n";
                }
            } else if constexpr (std::is_same_v<Pointer, const extract::ContactRecord*>) {
                body += "<div>\r\n";
                appendLine(body, "Name:", record->name);
                appendPhonesLine(body, record->phones);
                appendLine(body, "Company:", record->company);
                appendLine(body, "Email:", record->email);
                appendLine(body, "URL:", record->url);
                body += "</div>\r\n";
            } else if constexpr (std::is_same_v<Pointer, const extract::CallRecord*>) {
                body += "<div>\r\n";
                appendLine(body, "Name:", record->name);
                appendLine(body, "Phone Number:", record->number);
                appendLine(body, "Date:", record->date);
                appendLine(body, "Type:", record->incoming != 0 ? "Incoming" : "Outgoing");
                appendLine(body, "Duration:", callStatus(*record));
                body += "</div>\r\n";
            } else if constexpr (std::is_same_v<Pointer, const extract::NoteRecord*>) {
                body += "<div>\r\n";
                appendLine(body, "Title:", extract::shownNoteTitle(*record));
                appendLine(body, "Date:", record->date);
                appendLine(body, "Notes:", extract::shownNoteContent(*record));
                body += "</div>\r\n";
            } else if constexpr (std::is_same_v<Pointer, const extract::ReminderRecord*>) {
                appendFieldsBlock(body, reminderFields(*record));
            } else if constexpr (std::is_same_v<Pointer, const extract::CalendarEventRecord*>) {
                appendFieldsBlock(body, calendarFields(*record));
            } else if constexpr (std::is_same_v<Pointer, const extract::SafariBookmarkRecord*>) {
                appendFieldsBlock(body, safariBookmarkFields(*record));
            } else if constexpr (std::is_same_v<Pointer, const extract::SafariHistoryRecord*>) {
                appendFieldsBlock(body, safariHistoryFields(*record));
            } else if constexpr (std::is_same_v<Pointer, const extract::WhatsAppMessage*>) {
                const auto found = m_results.whatsApp.find(record->sessionId);
                body += "<div>\r\n";
                appendLine(body, "Chats:", record->sessionName);
                appendLine(body,
                           "Name:",
                           record->sessionMembers.empty() ? record->senderName
                                                          : record->sessionMembers);
                appendLine(body,
                           "Phone Number:",
                           record->sessionAddresses.empty() ? record->senderAddress
                                                            : record->sessionAddresses);
                body += "<p><span>Content:</span></p>\r\n";
                if (found != m_results.whatsApp.end()) {
                    for (const extract::WhatsAppMessage& message : found->second) {
                        if (stopRequested()) {
                            status = platform::kStatusStopped;
                            break;
                        }
                        body += "<p>";
                        appendHtmlEscaped(body,
                                          message.isFromMe != 0 ? std::string_view("Me")
                                                                : message.senderName);
                        body += " (";
                        appendHtmlEscaped(body, message.date);
                        body += "): ";
                        appendHtmlEscaped(body, message.text);
                        body += "</p>";
                    }
                }
                body += "</div>\r\n";
            }
        };
        std::visit(visitor, entry.record);
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

int PrintPageBuilder::run(extract::RecoveryCategory category,
                          bool deletedOnly,
                          const std::string& templatePath,
                          const std::string& pagePath)
{
    std::string text;
    std::string head;
    std::string tail;
    if (platform::readWholeFile(templatePath, kMaxTemplateBytes, text) == 0) {
        const std::size_t content = text.find(kContentPlaceholder);
        head = text.substr(0, content);
        if (content != std::string::npos) {
            tail = text.substr(content + kContentPlaceholder.size());
        }
    }
    std::string body;
    if (const int status = buildBody(category, deletedOnly, body); status != 0) {
        return status;
    }
    const std::string folder = platform::pathToUtf8(platform::pathFromUtf8(pagePath).parent_path());
    if (!folder.empty()) {
        if (const int status = platform::createFolders(folder); status != 0) {
            return status;
        }
    }
    return platform::writeWholeFile(pagePath, head + body + tail);
}

} // namespace exporting
