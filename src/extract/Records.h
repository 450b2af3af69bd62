// The plain records that a scan extracts, one type per kind of item, and the containers the
// scan fills with them. Text is UTF-8; dates are local-time text "YYYY-MM-DD hh:mm:ss" (or
// empty), so sorting dates as text sorts them in time. Every record taken from a database row
// begins with its deleted flag: 0 for a live row, non-zero for a row rebuilt from free space.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace extract {

// A conversation of the messages database as the device groups it: a chat, or the messages of
// one handle when they are joined to no chat.
struct ConversationInfo
{
    // The group's name; for an unnamed group its members' names, comma-separated; for a
    // one-to-one conversation the other party's contact name or address.
    std::string name;
    bool isGroup = false;
    // The address of every member, in the chat's member order.
    std::vector<std::string> participants;
    // The chat's identifier as the device stores it; empty when only a handle is known.
    std::string chatIdentifier;
};

// One attachment of a message (`attachment` joined by `message_attachment_join`).
struct MessageAttachment
{
    // The name it was sent under, else the last part of its device path.
    std::string name;
    std::string mimeType;
    // Bytes as the database records them; 0 when unknown.
    std::int64_t size = 0;
    // Its path in the backup's MediaDomain ("Library/SMS/Attachments/…"); empty when the
    // device path lies outside the media domain.
    std::string relativePath;
    // The content file's full path in the backup; empty when the backup does not hold it.
    std::string path;
    // Where a recovery run copies it, relative to the exported conversation page's folder
    // ("Attachments/…"); empty when there is no file to copy.
    std::string copyPath;
};

// A reaction (tapback) on a message.
struct MessageReaction
{
    // "loved", "liked", "disliked", "laughed", "emphasized", "questioned", "emoji" or "sticker".
    std::string kind;
    // The character of an "emoji" reaction; empty for the others.
    std::string emoji;
    // "Me", else the reacting person's contact name or address.
    std::string sender;
    std::string date;
};

// An earlier version of an edited message.
struct MessageEdit
{
    std::string date;
    std::string text;
};

// What a message holds besides its body; absent from most messages.
struct MessageDetails
{
    // Every attachment, in the order of the attachment rows.
    std::vector<MessageAttachment> attachments;
    // The reactions that stand, in the order they were made.
    std::vector<MessageReaction> reactions;
    // Earlier versions, oldest first.
    std::vector<MessageEdit> edits;
    bool edited = false;
    // The sender unsent it; the record's text is then empty.
    bool unsent = false;
    // A deleted message found in the device's own trash rather than carved from the file.
    bool recentlyDeleted = false;
};

// One message of the messages database.
struct MessageRecord
{
    std::int32_t deleted = 0;
    // 1 when the device owner sent the message, 0 when it was received.
    std::int32_t isFromMe = 0;
    // Low 32 bits of the message row's rowid; 0 for a row rebuilt without its rowid.
    std::int32_t rowId = 0;
    // Row id of the other party's handle; 0 when none.
    std::int32_t handleId = 0;
    std::string date;
    // The handle's address (telephone number or e-mail); empty when no handle row matches.
    std::string address;
    // The contact name the address book gives the address (by text, e-mail or number).
    std::string contactName;
    // The message body; empty only for an unsent message.
    std::string text;
    // Device path of the first attachment joined to this message; empty when none.
    std::string attachmentName;
    // "iMessage", "SMS", "RCS" or empty, as the message row stores it.
    std::string service{};
    // The conversation the message belongs to, shared by all its messages; null only for
    // records not made by the messages builder.
    std::shared_ptr<const ConversationInfo> conversation{};
    // Attachments, reactions, edits and whether it lies in the device's trash; null when the
    // message has none of them.
    std::shared_ptr<const MessageDetails> details{};
};

// One line of the conversation list: a copy of the latest message of a conversation whose
// deleted field says whether any message of the conversation is deleted (1) or none is (0)
// and whose handleId is the conversation's key in MessageMap.
using ConversationSummary = MessageRecord;

// One value of a contact with its label: a telephone number, an e-mail or a web address.
struct ContactValue
{
    // The label as the device shows it ("mobile", "home", "work", "iPhone", "main" or the
    // owner's own text); empty when the value has none.
    std::string label;
    // The value as the owner typed it.
    std::string value;
};

// One postal address of a contact; the parts the owner left out are empty.
struct ContactAddress
{
    std::string label;
    std::string street{};
    std::string city{};
    std::string state{};
    std::string postalCode{};
    std::string country{};
};

// One contact: a person or company card of the address book, live or rebuilt from a carved
// full-text row.
struct ContactRecord
{
    std::int32_t deleted = 0;
    // The e-mail addresses, separated by spaces.
    std::string email;
    // The postal addresses, one per line.
    std::string address;
    std::string social;
    // The first web address.
    std::string url;
    // Telephone numbers, whole, one per line ("\n" between them).
    std::string phones;
    // The organization.
    std::string company;
    // First name, a space and last name (or the one that is given), else the organization;
    // "No Name" when all are empty.
    std::string name;
    std::string firstName{};
    std::string lastName{};
    std::string jobTitle{};
    // "YYYY-MM-DD", "--MM-DD" for a birthday without year, or the text the device stored.
    std::string birthday{};
    std::string note{};
    // Every number, e-mail and web address with its label, in the device's order.
    std::vector<ContactValue> phoneList{};
    std::vector<ContactValue> emailList{};
    std::vector<ContactValue> urlList{};
    std::vector<ContactAddress> addresses{};
};

// One call of the call history.
struct CallRecord
{
    std::int32_t deleted = 0;
    // Non-zero for an incoming call, 0 for an outgoing one.
    std::int32_t incoming = 0;
    // Length in seconds; 0 means the call was not connected.
    std::int32_t duration = 0;
    std::string date;
    // The other party's telephone number; never empty.
    std::string number;
    // Name found in the address book; empty when none.
    std::string name;
};

// One note.
struct NoteRecord
{
    std::int32_t deleted = 0;
    // The body row's id, or the note row's body reference for a note without body.
    std::int32_t key = 0;
    // The modification time, or the creation time when there is none; may be empty.
    std::string date;
    // Title and content as plain text (entities and the line tags resolved).
    std::string title;
    std::string content;
    // Creation and modification times; empty when the store does not keep them.
    std::string created{};
    std::string modified{};
    // The folder's and the account's names; empty when unknown.
    std::string folder{};
    std::string account{};
    // Where a deleted note was found: "recentlyDeleted" (the device's own trash) or
    // "freeSpace" (carved from the file); empty for a live note.
    std::string deletedSource{};
    // Password-protected (the content is then empty) and pinned.
    bool locked = false;
    bool pinned = false;
};

// What the device's photo library says about one camera-roll file.
struct PhotoDetails
{
    // The name the file had when it came onto the device; empty when unknown.
    std::string originalName;
    std::string created;
    // Pixels; 0 when unknown.
    std::int64_t width = 0;
    std::int64_t height = 0;
    // "photo", "video", "livePhoto", "screenshot", or empty for a kind the library does not say.
    std::string kind;
    // Degrees; unset when the library holds no place.
    std::optional<double> latitude;
    std::optional<double> longitude;
    bool favorite = false;
    bool hidden = false;
    // 1 for a file in the device's "Recently Deleted" album, with the date it went there.
    std::int32_t deleted = 0;
    std::string deletedDate;
};

// One media file of Camera Roll, Photo Stream or WhatsApp Attachments.
struct MediaItem
{
    // File size in bytes.
    std::uint64_t size = 0;
    // Display file name.
    std::string name;
    // Full path of the hashed file inside the backup folder.
    std::string path;
    // Camera Roll only: what the photo library knows about the file; null when it knows nothing.
    std::shared_ptr<const PhotoDetails> photo{};
};

// One media file found in an app's domain.
struct AppMediaItem
{
    // File size in bytes; may be 0.
    std::uint64_t size = 0;
    // Application name taken from the domain, or "other".
    std::string app;
    std::string name;
    std::string path;
};

// One message attachment file.
struct AttachmentItem
{
    // Always 0: attachments are files, not rows.
    std::int32_t deleted = 0;
    // File size in bytes; never 0.
    std::uint64_t size = 0;
    std::string name;
    std::string path;
};

// One WhatsApp message.
struct WhatsAppMessage
{
    std::int32_t deleted = 0;
    // Non-zero when the device owner sent it.
    std::int32_t isFromMe = 0;
    std::int32_t rowId = 0;
    std::int32_t sessionId = 0;
    // Id of the sending group member; values below 2 mean no member.
    std::int32_t memberId = 0;
    // Id of the media item; 0 when none.
    std::int32_t mediaId = 0;
    std::string date;
    // "Me" for own messages, else the member's or partner's name.
    std::string senderName;
    // The message text; for a media message without text, the media item's local path.
    std::string text;
    // The sender's JID; empty for own messages.
    std::string senderAddress;
    // The chat's member names (comma-separated), or the partner name when it has none.
    std::string sessionMembers;
    // The chat's member addresses (comma-separated), or the partner's JID when it has none.
    std::string sessionAddresses;
    // The chat's partner name.
    std::string sessionName;
};

// One reminder: a task of the reminders store, or of the older calendar database.
struct ReminderRecord
{
    std::int32_t deleted = 0;
    std::string title;
    std::string notes;
    // The name of the list the reminder belongs to; empty when unknown.
    std::string list;
    // The due date: "YYYY-MM-DD hh:mm:ss", "YYYY-MM-DD 00:00:00" for a due day without time
    // (dueAllDay); empty for none.
    std::string due;
    bool dueAllDay = false;
    bool completed = false;
    std::string completedDate;
    // 0 none, 1 to 4 high, 5 medium, 6 to 9 low (the iCalendar scale).
    std::int32_t priority = 0;
    std::string created;
    bool flagged = false;
    // Seconds since 1970 of the due, completion and creation instants, for interchange files;
    // a due day's midnight in UTC when dueAllDay. Empty when the store has none.
    std::optional<std::int64_t> dueTime{};
    std::optional<std::int64_t> completedTime{};
    std::optional<std::int64_t> createdTime{};
};

// One event of the calendar database.
struct CalendarEventRecord
{
    std::int32_t deleted = 0;
    std::string title;
    // "YYYY-MM-DD hh:mm:ss"; for an all-day event the calendar days at 00:00:00.
    std::string start;
    std::string end;
    bool allDay = false;
    // The event's times are wall-clock times in no zone (all-day events always are).
    bool floating = false;
    std::string location;
    // The name of the calendar it belongs to.
    std::string calendar;
    std::string notes;
    std::string url;
    // How the event repeats (its first rule): every `repeatInterval` days, weeks, months or
    // years for a frequency of 1, 2, 3 or 4 as the store codes it; 0 when it does not repeat.
    std::int32_t repeatFrequency = 0;
    std::int64_t repeatInterval = 1;
    // Seconds since 1970 of start and end, for interchange files; for floating events the
    // wall-clock time read as UTC. Empty when the store has none.
    std::optional<std::int64_t> startTime{};
    std::optional<std::int64_t> endTime{};
};

// One Safari bookmark, a Reading List item among them.
struct SafariBookmarkRecord
{
    std::int32_t deleted = 0;
    std::string title;
    // The address as stored; shown as text, never opened.
    std::string url;
    // The folders from the top down to the bookmark's own, joined by "/"; "Reading List" for
    // Reading List items; empty at the top level.
    std::string folder;
    // The same folders one by one, for writers that nest them.
    std::vector<std::string> folders{};
};

// One page of the Safari history with its visits.
struct SafariHistoryRecord
{
    std::int32_t deleted = 0;
    std::string url;
    // The title of the latest visit that has one.
    std::string title;
    std::int64_t visitCount = 0;
    std::string lastVisit;
    // The dates of the visits found, oldest first.
    std::vector<std::string> visits{};
};

// Conversation key → messages of that conversation in date order. The key of a one-to-one
// conversation is the other party's handle id (0: messages without handle or chat), that of a
// group chat minus the chat's rowid, so that it never meets a handle id.
using MessageMap = std::map<std::int32_t, std::vector<MessageRecord>>;
// Session id → WhatsApp messages of that chat in date order.
using WhatsAppMap = std::map<std::int32_t, std::vector<WhatsAppMessage>>;
// App name → app media items of that app, in display-name order.
using AppMediaGroups = std::map<std::string, std::vector<AppMediaItem>>;

// Everything one scan found, one container per category; the scan driver clears them at the
// start of a scan and the category steps fill them.
struct ScanResults
{
    std::vector<MediaItem> cameraRoll;
    std::vector<MediaItem> photoStream;
    // All app media in display-name order, as the app-media walk found them.
    std::vector<AppMediaItem> appMedia;
    // The app media split by kind of file and grouped by app.
    AppMediaGroups appPhotos;
    AppMediaGroups appVideos;
    MessageMap messages;
    // One summary per conversation: conversations with deleted messages first.
    std::vector<ConversationSummary> conversations;
    std::vector<AttachmentItem> messageAttachments;
    std::vector<ContactRecord> contacts;
    std::vector<CallRecord> calls;
    std::vector<NoteRecord> notes;
    WhatsAppMap whatsApp;
    std::vector<MediaItem> whatsAppAttachments;
    // Reminders of every store, deleted ones first; events in start order, deleted first.
    std::vector<ReminderRecord> reminders;
    std::vector<CalendarEventRecord> calendar;
    std::vector<SafariBookmarkRecord> safariBookmarks;
    std::vector<SafariHistoryRecord> safariHistory;

    void clear() { *this = ScanResults{}; }
};

} // namespace extract
