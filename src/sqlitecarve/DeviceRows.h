// Typed rows of the device tables the extraction reads: messages, handles, attachments and
// their join, chats and the device's trash of messages, the contact search index, notes, call
// history (both layouts) and WhatsApp. Every row carries its deleted flag and its rowid (0 when a
// recovered row lost it). Texts are valid UTF-8 (empty for NULL and non-text values); dates are
// local "YYYY-MM-DD hh:mm:ss" or empty. Every member has a default, so that a row is built with
// designated initialisers, never by position.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sqlitecarve {

// What few message rows hold beyond a body: a reaction to another message, an edit or an
// unsending (devices since iOS 16), kept apart so that ordinary rows stay small.
struct MessageRowDetail
{
    // `associated_message_type`: 2000–2007 add a reaction, 3000–3007 remove one; 1000 or more.
    std::int64_t associatedType = 0;
    // `associated_message_guid`: the reacted message as "p:<part>/<guid>", "bp:<guid>" or a
    // bare guid.
    std::string associatedGuid{};
    // `associated_message_emoji`: the character of an emoji reaction.
    std::string emoji{};
    // `date_edited` and `date_retracted` are not 0.
    bool edited = false;
    bool retracted = false;
    // `message_summary_info`: a binary property list with the edit history and unsent parts.
    std::string summaryInfo{};
};

struct MessageRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // The plain body; empty when the row keeps its body only in `attributedBody`.
    std::string text{};
    // The archived body's bytes, read only when `text` is empty. A row has a text or an
    // archived body, or a detail (an unsent message has neither).
    std::string attributedBody{};
    std::int64_t handleId = 0;
    std::string date{};
    bool isFromMe = false;
    // "iMessage", "SMS", "RCS" as stored; empty when NULL.
    std::string service{};
    // messageGuidKey of the row's `guid`; 0 when it has none.
    std::uint64_t guidKey = 0;
    // Null unless the row reacts to another message, was edited or unsent, or keeps a
    // summary of such changes.
    std::shared_ptr<const MessageRowDetail> detail{};
};

struct HandleRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // The handle's telephone number or e-mail address; never empty.
    std::string address{};
};

struct AttachmentRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // The file's path on the device ("~/Library/SMS/Attachments/…"); never empty.
    std::string fileName{};
    std::string mimeType{};
    // The file's own name as it was sent; may be empty.
    std::string transferName{};
    // Bytes; 0 when unknown.
    std::int64_t totalBytes = 0;
};

struct MessageAttachmentJoinRow
{
    bool deleted = false;
    std::int64_t messageId = 0;
    std::int64_t attachmentId = 0;
};

// A row of `chat`: one conversation as the device groups it.
struct ChatRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // 43 for a group chat, 45 for a one-to-one chat; 0 when NULL.
    std::int64_t style = 0;
    // "chat<digits>" for a group, the other party's address for a one-to-one chat.
    std::string chatIdentifier{};
    // The group's name as its members set it; empty when none was set.
    std::string displayName{};
};

// A row of `chat_handle_join` (a member of a chat) or `chat_message_join` (a message of a
// chat): the chat's rowid and the rowid of the handle or message.
struct ChatJoinRow
{
    bool deleted = false;
    std::int64_t chatId = 0;
    std::int64_t memberId = 0;
};

// A part of a message in the device's own trash (`recoverable_message_part`): the message and
// chat it came from and the part's archived body.
struct RecoverablePartRow
{
    bool deleted = false;
    std::int64_t chatId = 0;
    std::int64_t messageId = 0;
    std::int64_t partIndex = 0;
    std::string partText{};
};

// A row of ABPersonFullTextSearch_content: the contact's searchable texts as stored.
struct ContactSearchRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::string first{};
    std::string last{};
    std::string organization{};
    // The telephone numbers, each followed by a space; never holds a control character.
    std::string phone{};
    std::string email{};
    std::string address{};
    std::string socialProfile{};
    std::string url{};
};

struct NoteBodyRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // The note's HTML.
    std::string content{};
};

struct NoteRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // The rowid of the note's body row.
    std::int64_t bodyId = 0;
    std::string modificationDate{};
    std::string title{};
};

// A call of either layout: ZCALLRECORD (iOS 8 and later) or call (iOS 7 and earlier).
struct CallRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    bool outgoing = false;
    // Never empty.
    std::string date{};
    // Seconds; 0 for a call that was not connected.
    std::int64_t duration = 0;
    // The other party's number; never empty, never holds a control character.
    std::string address{};
};

struct WhatsAppMessageRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    bool isFromMe = false;
    std::int64_t chatSession = 0;
    std::int64_t groupMember = 0;
    std::int64_t mediaItem = 0;
    std::string date{};
    std::string text{};
};

struct ChatSessionRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // The contact's JID cut before its at sign (the phone number or group id); empty when the
    // JID holds no at sign.
    std::string contactJid{};
    std::string partnerName{};
};

struct GroupMemberRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::int64_t chatSession = 0;
    // The contact name, or the first name when the contact name is empty.
    std::string name{};
    // The member's JID cut before its at sign; empty when it holds no at sign.
    std::string memberJid{};
};

struct MediaItemRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::string localPath{};
};

} // namespace sqlitecarve
