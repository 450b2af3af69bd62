// The export writers: templates and the export state of one run, the pages, transcripts and
// CSV tables of conversations and chats, the rows of the aggregate pages, and the helpers for
// the names and texts that go into them. HTML pages are UTF-8 without a byte-order mark; text
// and CSV files are UTF-8 with a byte-order mark and CR LF line ends. Every text taken from a
// record is HTML-escaped in pages and quoted in CSV.
#pragma once

#include "extract/Callbacks.h"
#include "extract/Records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace exporting {

// The five export templates, in the order in which a run loads them.
enum class TemplateKind
{
    CallHistory = 0,
    Notes = 1,
    Contacts = 2,
    Sms = 3,
    WhatsApp = 4
};

inline constexpr std::size_t kTemplateCount = 5;

// The placeholders of the templates.
inline constexpr std::string_view kTitlePlaceholder = "{|title|}";
inline constexpr std::string_view kContentPlaceholder = "{|content|}";
inline constexpr std::string_view kPersonPlaceholder = "{|person|}";

// The template's file name inside the template folder ("CallHistory.html", …).
std::string_view templateFileName(TemplateKind kind);
// The title prefix of the template's pages, ending in a space ("iPhone's Notes of ").
std::string_view titlePrefix(TemplateKind kind);

// One template with the parts of its page: head (before "{|content|}", titles filled in),
// the person head of the current conversation (Sms and WhatsApp), the body and the tail.
struct TemplateGroup
{
    std::string text;
    std::string head;
    std::string personHead;
    std::string body;
    std::string tail;
};

// Everything one recovery run writes through: the templates and bodies, the run stamp, the
// counters and the output root. Touched by the run's worker thread alone.
struct ExportState
{
    std::array<TemplateGroup, kTemplateCount> groups;
    // The device name put into page titles.
    std::string deviceName;
    // The 14-digit local time stamp of the run.
    std::string runStamp;
    // The folder the run writes into.
    std::string outputRoot;
    // True once a message conversation was exported.
    bool messageExported = false;
    std::uint64_t processed = 0;
    std::uint64_t failed = 0;
    std::uint64_t total = 0;
    // The run's progress callback and its user data, called by the writers.
    extract::ProgressCallback callback = nullptr;
    void* userData = nullptr;

    TemplateGroup& group(TemplateKind kind) { return groups[static_cast<std::size_t>(kind)]; }
};

// "%04d%02d%02d%02d%02d%02d" of `seconds` since 1970 in local time: 14 digits.
std::string runStamp(std::int64_t seconds);

// Reads the template of `kind` from `templateFolder` (once per run) and splits it at its first
// "{|content|}" into head and tail, replacing every "{|title|}" of the head by the title
// prefix and the escaped device name. Returns 0, the system error's status when the file cannot
// be read, or 87 when it is larger than 16 MiB or has no "{|content|}".
[[nodiscard]] int
loadTemplate(ExportState& state, TemplateKind kind, const std::string& templateFolder);

// The person line of a conversation: "Name: " + contact name (or "Unknown") + ", Phone: " +
// handle, for a group "Group: " + its name + ", Members: " + their addresses; of a chat: "Name: " +
// session members + ", Phone: " + session addresses. Plain text.
std::string personLine(const extract::ConversationSummary& conversation);
std::string personLine(const extract::WhatsAppMessage& chat);

// Sets the person head of the Sms or WhatsApp group: its head with every "{|person|}"
// replaced by the escaped `line`.
void buildPersonHead(ExportState& state, TemplateKind kind, std::string_view line);

// The label that names a conversation's files: name + "(" + handle + ")", or the name alone
// without handle, where name is the contact name or "Unknown"; a group's name for a group.
// Not yet a safe file name.
std::string conversationLabel(const extract::ConversationSummary& conversation);
// The label of a chat: members + "(" + addresses + ")", the addresses alone without members,
// the session name for a group chat (members with a comma); "Unknown" when empty.
std::string chatLabel(const extract::WhatsAppMessage& chat);

// How a received message is headed in pages: the name when neither empty nor "Unknown", else
// the address.
std::string senderLabelHtml(const extract::MessageRecord& message);
std::string senderLabelHtml(const extract::WhatsAppMessage& message);
// How a message's other party is named in transcripts: name + "(" + address + ")" when the
// name is neither empty nor "Unknown", else the address.
std::string senderLabelText(const extract::MessageRecord& message);
std::string senderLabelText(const extract::WhatsAppMessage& message);

// Writes the page of conversation `conversationId` of `messages` (or chat `chatId` of `chats`)
// to `path`: person head, one date line and one bubble per message, tail. Reports
// (i + 1)·100/n after each message; a non-zero answer stops adding messages and becomes the
// result, and a failed result is reported once more with percent 100. Returns 0, the
// callback's answer or the system error's status of the create.
[[nodiscard]] int writeConversationHtml(ExportState& state,
                                        const std::string& path,
                                        const extract::MessageMap& messages,
                                        std::int32_t conversationId);
[[nodiscard]] int writeConversationHtml(ExportState& state,
                                        const std::string& path,
                                        const extract::WhatsAppMap& chats,
                                        std::int32_t chatId);

// Writes the transcript of a conversation or chat to `path`: per message the lines "To" or
// "From", "Data" and "Content", labels right-aligned in ten characters, and an empty line.
// Returns 0 or the system error's status; reports nothing.
[[nodiscard]] int writeConversationText(const std::string& path,
                                        const extract::MessageMap& messages,
                                        std::int32_t id);
[[nodiscard]] int
writeConversationText(const std::string& path, const extract::WhatsAppMap& chats, std::int32_t id);

// Writes the CSV table of chat `chatId` to `path`: the header "Chats,Name/Phone,Date,Type,
// Content" and one quoted row per message. Returns 0 or the system error's status.
[[nodiscard]] int
writeChatCsv(const std::string& path, const extract::WhatsAppMap& chats, std::int32_t chatId);

// One camera-roll file a recovery run copied: the copy's file name and the scanned item.
struct CameraRollCopy
{
    std::string copyName;
    const extract::MediaItem* item = nullptr;
};

// Writes the table of the copied camera-roll files to `path`: the header "Copy Name,Original
// Name,Created,Width,Height,Kind,Favourite,Hidden,Latitude,Longitude,Deleted,Deleted Date" and
// one quoted row per copy with what the photo library says about it ("Yes"/"No" for the flags,
// degrees with six decimals); only the copy name for a file the library does not know.
// Returns 0 or the system error's status.
[[nodiscard]] int writePhotosCsv(const std::string& path,
                                 const std::vector<CameraRollCopy>& copies);

// Append one table row of a call, note or contact to the body of its kind (a deleted record
// gets the row class "deleted") and report the
// record as done (percent 100, status 0) under `pagePath`. Return the callback's answer.
int appendCallRow(ExportState& state, const extract::CallRecord& call, const std::string& pagePath);
int appendNoteRow(ExportState& state, const extract::NoteRecord& note, const std::string& pagePath);
int appendContactRow(ExportState& state,
                     const extract::ContactRecord& contact,
                     const std::string& pagePath);

// The status column of a call: formatDuration of its duration, or "Missed" (incoming) or
// "Canceled" (outgoing) when it is 0.
std::string callStatus(const extract::CallRecord& call);

// Writes head, body and tail of `kind` to `path`, creating its folder. Returns 0 or the
// system error's status.
[[nodiscard]] int
writeAggregatePage(ExportState& state, TemplateKind kind, const std::string& path);

// `path` when nothing exists there; otherwise the first of base + "(1)" + extension,
// base + "(2)" + extension, … that names nothing.
std::string makeUniquePath(const std::string& path);

// "%d Hour %d Min" above 3599 seconds, "%d Min %d Sec" above 59, else "%d Sec".
std::string formatDuration(std::int64_t seconds);

// Writes `content` to `path` as a UTF-8 text file: byte-order mark first, creating the folder.
// The caller gives the content with its CR LF line ends. Returns 0 or the system error's status.
[[nodiscard]] int writeUtf8TextFile(const std::string& path, std::string_view content);

} // namespace exporting
