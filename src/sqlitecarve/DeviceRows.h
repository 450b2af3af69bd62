// Typed rows of the device tables the extraction reads: messages, handles, attachments and
// their join, the contact search index, notes, call history (both layouts) and WhatsApp.
// Every row carries its deleted flag and its rowid (0 when a recovered row lost it). Texts are
// valid UTF-8 (empty for NULL and non-text values); dates are local "YYYY-MM-DD hh:mm:ss" or
// empty. Every member has a default, so that a row is built with designated initialisers,
// never by position.
#pragma once

#include <cstdint>
#include <string>

namespace sqlitecarve {

struct MessageRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // The plain body; empty when the row keeps its body only in `attributedBody`.
    std::string text{};
    // The archived body's bytes, read only when `text` is empty; never empty together with
    // `text`: rows with neither are left out.
    std::string attributedBody{};
    std::int64_t handleId = 0;
    std::string date{};
    bool isFromMe = false;
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
    // Never empty.
    std::string fileName{};
};

struct MessageAttachmentJoinRow
{
    bool deleted = false;
    std::int64_t messageId = 0;
    std::int64_t attachmentId = 0;
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
