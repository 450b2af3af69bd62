// The bytes of every exported page, transcript and table.
#include "export/ExportWriters.h"

#include "export/MessageNotes.h"
#include "export/TextEscape.h"
#include "extract/ConversationNames.h"
#include "extract/NotesBuilder.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace exporting {

namespace {

constexpr std::uint64_t kMaxTemplateBytes = 16U * 1024U * 1024U;
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kUnknown = "Unknown";

struct TemplateInfo
{
    std::string_view fileName;
    std::string_view titlePrefix;
};

constexpr std::array<TemplateInfo, kTemplateCount> kTemplates = {{
    {"CallHistory.html", "iPhone's Call History of "},
    {"Notes.html", "iPhone's Notes of "},
    {"contacts.html", "iPhone's Contacts of "},
    {"Sms.html", "iPhone's Messages of "},
    {"WhatsApp.html", "iPhone's WhatsApp Messages of "},
}};

std::string parentFolder(const std::string& path)
{
    return platform::pathToUtf8(platform::pathFromUtf8(path).parent_path());
}

int createParent(const std::string& path)
{
    const std::string folder = parentFolder(path);
    return folder.empty() ? 0 : platform::createFolders(folder);
}

int writeParts(platform::File& file, std::initializer_list<std::string_view> parts)
{
    for (const std::string_view part : parts) {
        if (const int status = file.writeAll(part.data(), part.size()); status != 0) {
            return status;
        }
    }
    return 0;
}

int writeFileBytes(const std::string& path, std::initializer_list<std::string_view> parts)
{
    platform::File file;
    if (const int status = file.createWrite(path); status != 0) {
        return status;
    }
    return writeParts(file, parts);
}

bool isNamed(std::string_view name)
{
    return !name.empty() && name != kUnknown;
}

// The fields of a message that the writers read, for both kinds of message.
struct MessageView
{
    bool deleted;
    bool fromMe;
    std::string_view date;
    std::string text;
    std::string htmlSender;
    std::string textSender;
    // The lines under the body: edits, reactions, attachments.
    std::vector<MessageNote> notes{};
};

MessageView view(const extract::MessageRecord& m)
{
    // The owner's messages in a group go to the group, not to one member.
    const bool toGroup = m.isFromMe != 0 && extract::inGroup(m);
    return {m.deleted != 0,
            m.isFromMe != 0,
            m.date,
            shownMessageText(m),
            senderLabelHtml(m),
            toGroup ? extract::conversationName(m) : senderLabelText(m),
            messageNotes(m)};
}

MessageView view(const extract::WhatsAppMessage& m)
{
    return {m.deleted != 0,
            m.isFromMe != 0,
            m.date,
            std::string(m.text),
            senderLabelHtml(m),
            senderLabelText(m)};
}

template <typename Map> const typename Map::mapped_type* findList(const Map& map, std::int32_t id)
{
    const auto found = map.find(id);
    return found == map.end() ? nullptr : &found->second;
}

// Appends the lines under a message's body, on its side of the page; an attachment that the
// run copied links to its copy.
void appendNotesHtml(std::string& body, const std::vector<MessageNote>& notes, bool fromMe)
{
    for (const MessageNote& note : notes) {
        body += fromMe ? "<div class=\"msg_note sent\">" : "<div class=\"msg_note\">";
        const bool linked = note.attachment != nullptr && !note.attachment->copyPath.empty();
        if (linked) {
            body += "<a href=\"";
            appendHtmlEscaped(body, platform::percentEncodePath(note.attachment->copyPath));
            body += "\">";
        }
        appendHtmlEscaped(body, note.text);
        body += linked ? "</a></div>\r\n" : "</div>\r\n";
    }
}

template <typename Message>
int writeHtmlPage(ExportState& state,
                  TemplateKind kind,
                  const std::string& path,
                  const std::vector<Message>* messages)
{
    TemplateGroup& group = state.group(kind);
    if (const int status = createParent(path); status != 0) {
        if (state.callback != nullptr) {
            state.callback(state.userData, 100, status, path);
        }
        return status;
    }
    platform::File file;
    if (const int status = file.createWrite(path); status != 0) {
        if (state.callback != nullptr) {
            state.callback(state.userData, 100, status, path);
        }
        return status;
    }
    group.body.clear();
    int result = 0;
    if (messages != nullptr) {
        const std::uint64_t count = messages->size();
        for (std::uint64_t i = 0; i < count; ++i) {
            const MessageView m = view((*messages)[i]);
            group.body += "<div class=\"date\">Date: ";
            appendHtmlEscaped(group.body, m.date);
            if (m.fromMe) {
                group.body += " Me:</div>\r\n";
                group.body +=
                    m.deleted ? "<div class=\"del_send_msg\">" : "<div class=\"send_msg\">";
            } else {
                group.body += ' ';
                appendHtmlEscaped(group.body, m.htmlSender);
                group.body += ":</div>\r\n";
                group.body +=
                    m.deleted ? "<div class=\"del_recv_msg\">" : "<div class=\"recv_msg\">";
            }
            appendHtmlEscaped(group.body, m.text);
            group.body += "</div>\r\n";
            appendNotesHtml(group.body, m.notes, m.fromMe);
            if (state.callback != nullptr) {
                const int percent = static_cast<int>((i + 1) * 100 / count);
                result = state.callback(state.userData, percent, 0, path);
                if (result != 0) {
                    break;
                }
            }
        }
    }
    const int status = writeParts(file, {group.personHead, group.body, group.tail});
    if (result == 0) {
        result = status;
    }
    if (result != 0 && state.callback != nullptr) {
        state.callback(state.userData, 100, result, path);
    }
    return result;
}

// "%10s: %s" followed by `end`.
void appendTranscriptLine(std::string& out,
                          std::string_view label,
                          std::string_view value,
                          std::string_view end)
{
    if (label.size() < 10) {
        out.append(10 - label.size(), ' ');
    }
    out += label;
    out += ": ";
    out += value;
    out += end;
}

template <typename Message>
int writeTranscript(const std::string& path, const std::vector<Message>* messages)
{
    std::string content;
    if (messages != nullptr) {
        for (const Message& message : *messages) {
            const MessageView m = view(message);
            appendTranscriptLine(content, m.fromMe ? "To" : "From", m.textSender, "\n");
            appendTranscriptLine(content, "Data", m.date, "\n");
            appendTranscriptLine(content, "Content", m.text, m.notes.empty() ? "\n\n" : "\n");
            for (std::size_t i = 0; i < m.notes.size(); ++i) {
                appendTranscriptLine(
                    content, "Note", m.notes[i].text, i + 1 == m.notes.size() ? "\n\n" : "\n");
            }
        }
    }
    return writeUtf8TextFile(path, toCrLf(content));
}

void appendCell(std::string& row, std::string_view escapedValue)
{
    row += "<td>";
    row += escapedValue;
    row += "</td>";
}

int appendRow(ExportState& state,
              TemplateKind kind,
              bool deleted,
              std::initializer_list<std::string_view> escapedCells,
              const std::string& pagePath)
{
    std::string& body = state.group(kind).body;
    body += deleted ? "\t<tr class=\"deleted\">" : "\t<tr>";
    for (const std::string_view cell : escapedCells) {
        appendCell(body, cell);
    }
    body += "</tr>\r\n";
    return state.callback != nullptr ? state.callback(state.userData, 100, 0, pagePath) : 0;
}

} // namespace

std::string_view templateFileName(TemplateKind kind)
{
    return kTemplates[static_cast<std::size_t>(kind)].fileName;
}

std::string_view titlePrefix(TemplateKind kind)
{
    return kTemplates[static_cast<std::size_t>(kind)].titlePrefix;
}

std::string runStamp(std::int64_t seconds)
{
    std::string stamp;
    for (const char c : platform::formatLocal(seconds)) {
        if (c >= '0' && c <= '9') {
            stamp.push_back(c);
        }
    }
    return stamp;
}

int loadTemplate(ExportState& state, TemplateKind kind, const std::string& templateFolder)
{
    TemplateGroup& group = state.group(kind);
    const std::string path =
        platform::joinPath(templateFolder, std::string(templateFileName(kind)));
    if (group.text.empty()) {
        if (const int status = platform::readWholeFile(path, kMaxTemplateBytes, group.text);
            status != 0) {
            return status;
        }
    }
    const std::size_t content = group.text.find(kContentPlaceholder);
    if (content == std::string::npos) {
        return platform::kStatusInvalid;
    }
    const std::string title = std::string(titlePrefix(kind)) + htmlEscape(state.deviceName);
    group.head =
        replaceAll(std::string_view(group.text).substr(0, content), kTitlePlaceholder, title);
    group.tail = group.text.substr(content + kContentPlaceholder.size());
    group.personHead = group.head;
    return 0;
}

std::string personLine(const extract::ConversationSummary& conversation)
{
    if (extract::inGroup(conversation)) {
        return "Group: " + extract::conversationName(conversation) +
               ", Members: " + extract::conversationAddresses(conversation);
    }
    const std::string_view name =
        conversation.contactName.empty() ? kUnknown : std::string_view(conversation.contactName);
    return "Name: " + std::string(name) + ", Phone: " + conversation.address;
}

std::string personLine(const extract::WhatsAppMessage& chat)
{
    return "Name: " + chat.sessionMembers + ", Phone: " + chat.sessionAddresses;
}

void buildPersonHead(ExportState& state, TemplateKind kind, std::string_view line)
{
    TemplateGroup& group = state.group(kind);
    group.personHead = replaceAll(group.head, kPersonPlaceholder, htmlEscape(line));
}

std::string conversationLabel(const extract::ConversationSummary& conversation)
{
    if (extract::inGroup(conversation)) {
        const std::string name = extract::conversationName(conversation);
        return name.empty() ? std::string(kUnknown) : name;
    }
    std::string label =
        conversation.contactName.empty() ? std::string(kUnknown) : conversation.contactName;
    if (!conversation.address.empty()) {
        label += "(" + conversation.address + ")";
    }
    return label;
}

std::string chatLabel(const extract::WhatsAppMessage& chat)
{
    std::string label = chat.sessionMembers.empty()
                            ? chat.sessionAddresses
                            : chat.sessionMembers + "(" + chat.sessionAddresses + ")";
    if (chat.sessionMembers.find(',') != std::string::npos) {
        label = chat.sessionName;
    }
    return label.empty() ? std::string(kUnknown) : label;
}

std::string senderLabelHtml(const extract::MessageRecord& message)
{
    return isNamed(message.contactName) ? message.contactName : message.address;
}

std::string senderLabelHtml(const extract::WhatsAppMessage& message)
{
    return isNamed(message.senderName) ? message.senderName : message.senderAddress;
}

std::string senderLabelText(const extract::MessageRecord& message)
{
    return isNamed(message.contactName) ? message.contactName + "(" + message.address + ")"
                                        : message.address;
}

std::string senderLabelText(const extract::WhatsAppMessage& message)
{
    return isNamed(message.senderName) ? message.senderName + "(" + message.senderAddress + ")"
                                       : message.senderAddress;
}

int writeConversationHtml(ExportState& state,
                          const std::string& path,
                          const extract::MessageMap& messages,
                          std::int32_t conversationId)
{
    return writeHtmlPage(state, TemplateKind::Sms, path, findList(messages, conversationId));
}

int writeConversationHtml(ExportState& state,
                          const std::string& path,
                          const extract::WhatsAppMap& chats,
                          std::int32_t chatId)
{
    return writeHtmlPage(state, TemplateKind::WhatsApp, path, findList(chats, chatId));
}

int writeConversationText(const std::string& path,
                          const extract::MessageMap& messages,
                          std::int32_t id)
{
    return writeTranscript(path, findList(messages, id));
}

int writeConversationText(const std::string& path,
                          const extract::WhatsAppMap& chats,
                          std::int32_t id)
{
    return writeTranscript(path, findList(chats, id));
}

int writeChatCsv(const std::string& path, const extract::WhatsAppMap& chats, std::int32_t chatId)
{
    std::string content = "Chats,Name/Phone,Date,Type,Content\r\n";
    if (const auto* messages = findList(chats, chatId); messages != nullptr) {
        for (const extract::WhatsAppMessage& m : *messages) {
            content += csvField(m.senderName);
            content += ',';
            content += csvField(m.senderAddress);
            content += ',';
            content += csvField(m.date);
            content += ',';
            content += m.isFromMe != 0 ? "Send" : "Received";
            content += ',';
            content += csvField(m.text);
            content += "\r\n";
        }
    }
    return writeUtf8TextFile(path, content);
}

int writePhotosCsv(const std::string& path, const std::vector<CameraRollCopy>& copies)
{
    const auto yesNo = [](bool flag) { return flag ? "Yes" : "No"; };
    const auto degrees = [](const std::optional<double>& value) {
        std::array<char, 32> text{};
        if (value) {
            std::snprintf(text.data(), text.size(), "%.6f", *value);
        }
        return std::string(text.data());
    };
    const auto pixels = [](std::int64_t count) {
        return count > 0 ? std::to_string(count) : std::string();
    };
    std::string content = "Copy Name,Original Name,Created,Width,Height,Kind,Favourite,Hidden,"
                          "Latitude,Longitude,Deleted,Deleted Date\r\n";
    for (const CameraRollCopy& copy : copies) {
        content += csvField(copy.copyName);
        if (const extract::PhotoDetails* d = copy.item->photo.get(); d != nullptr) {
            for (const std::string& field : {d->originalName,
                                             d->created,
                                             pixels(d->width),
                                             pixels(d->height),
                                             d->kind,
                                             std::string(yesNo(d->favorite)),
                                             std::string(yesNo(d->hidden)),
                                             degrees(d->latitude),
                                             degrees(d->longitude),
                                             std::string(yesNo(d->deleted != 0)),
                                             d->deletedDate}) {
                content += ',';
                content += csvField(field);
            }
        } else {
            content += ",,,,,,,,,,,";
        }
        content += "\r\n";
    }
    return writeUtf8TextFile(path, content);
}

std::string callStatus(const extract::CallRecord& call)
{
    if (call.duration != 0) {
        return formatDuration(call.duration);
    }
    return call.incoming != 0 ? "Missed" : "Canceled";
}

int appendCallRow(ExportState& state, const extract::CallRecord& call, const std::string& pagePath)
{
    return appendRow(state,
                     TemplateKind::CallHistory,
                     call.deleted != 0,
                     {htmlEscape(call.name),
                      htmlEscape(call.number),
                      htmlEscape(call.date),
                      call.incoming != 0 ? "Incoming" : "Outgoing",
                      callStatus(call)},
                     pagePath);
}

int appendNoteRow(ExportState& state, const extract::NoteRecord& note, const std::string& pagePath)
{
    return appendRow(state,
                     TemplateKind::Notes,
                     note.deleted != 0,
                     {htmlEscape(extract::shownNoteTitle(note)),
                      htmlEscape(note.date),
                      htmlEscape(extract::shownNoteContent(note))},
                     pagePath);
}

namespace {

// The values of `values` one per line, each after its label ("mobile: …"), escaped for HTML;
// `plain` (lines separated by "\n") when there are none.
std::string labelledLinesHtml(const std::vector<extract::ContactValue>& values,
                              const std::string& plain)
{
    if (values.empty()) {
        return replaceAll(htmlEscape(plain), "\n", "<br />");
    }
    std::string lines;
    for (const extract::ContactValue& value : values) {
        lines += lines.empty() ? "" : "<br />";
        lines += htmlEscape(value.label.empty() ? value.value : value.label + ": " + value.value);
    }
    return lines;
}

} // namespace

int appendContactRow(ExportState& state,
                     const extract::ContactRecord& contact,
                     const std::string& pagePath)
{
    return appendRow(state,
                     TemplateKind::Contacts,
                     contact.deleted != 0,
                     {htmlEscape(contact.name),
                      labelledLinesHtml(contact.phoneList, contact.phones),
                      labelledLinesHtml(contact.emailList, contact.email),
                      htmlEscape(contact.address),
                      htmlEscape(contact.url),
                      htmlEscape(contact.social),
                      htmlEscape(contact.company)},
                     pagePath);
}

int writeAggregatePage(ExportState& state, TemplateKind kind, const std::string& path)
{
    if (const int status = createParent(path); status != 0) {
        return status;
    }
    const TemplateGroup& group = state.group(kind);
    return writeFileBytes(path, {group.head, group.body, group.tail});
}

std::string makeUniquePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path original = platform::pathFromUtf8(path);
    if (!std::filesystem::exists(std::filesystem::symlink_status(original, error))) {
        return path;
    }
    const std::string folder = platform::pathToUtf8(original.parent_path());
    const std::string stem = platform::pathToUtf8(original.stem());
    const std::string extension = platform::pathToUtf8(original.extension());
    for (std::uint64_t n = 1;; ++n) {
        const std::string name = stem + "(" + std::to_string(n) + ")" + extension;
        const std::string candidate = folder.empty() ? name : platform::joinPath(folder, name);
        if (!std::filesystem::exists(
                std::filesystem::symlink_status(platform::pathFromUtf8(candidate), error))) {
            return candidate;
        }
    }
}

std::string formatDuration(std::int64_t seconds)
{
    char text[64];
    if (seconds > 3599) {
        const std::int64_t hours = seconds / 3600;
        std::snprintf(text,
                      sizeof text,
                      "%" PRId64 " Hour %" PRId64 " Min",
                      hours,
                      (seconds - hours * 3600) / 60);
    } else if (seconds > 59) {
        std::snprintf(
            text, sizeof text, "%" PRId64 " Min %" PRId64 " Sec", seconds / 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%" PRId64 " Sec", seconds);
    }
    return text;
}

int writeUtf8TextFile(const std::string& path, std::string_view content)
{
    if (const int status = createParent(path); status != 0) {
        return status;
    }
    return writeFileBytes(path, {kBom, content});
}

} // namespace exporting
