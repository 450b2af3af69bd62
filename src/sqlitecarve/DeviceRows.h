// Typed rows of the device tables the extraction reads: messages, handles, attachments and
// their join, the contact search index, notes, call history (both layouts) and WhatsApp.
// Every row carries its deleted flag and its rowid (0 when a recovered row lost it).
#pragma once

#include <cstdint>
#include <string>

namespace sqlitecarve {

struct MessageRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::string text;
    std::int64_t handleId = 0;
    // "YYYY-MM-DD hh:mm:ss" in local time; empty when the row holds no date.
    std::string date;
    bool isFromMe = false;
    // The attributed body (a typedstream) that holds the text when `text` is empty.
    std::string attributedBody;
};

struct HandleRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::string id;
};

struct AttachmentRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::string filename;
};

struct MessageAttachmentJoinRow
{
    bool deleted = false;
    std::int64_t messageId = 0;
    std::int64_t attachmentId = 0;
};

// A row of ABPersonFullTextSearch_content: the contact's searchable texts.
struct ContactSearchRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::string first;
    std::string last;
    std::string organization;
    std::string phone;
    std::string email;
    std::string address;
    std::string socialProfile;
    std::string url;
};

struct NoteBodyRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::string content;
};

struct NoteRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::int64_t bodyId = 0;
    std::string modificationDate;
    std::string title;
};

// A call of either layout: ZCALLRECORD (iOS 8 and later) or call (iOS 7 and earlier).
struct CallRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    bool outgoing = false;
    std::string date;
    std::int64_t duration = 0;
    std::string address;
};

struct WhatsAppMessageRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    bool isFromMe = false;
    std::int64_t chatSession = 0;
    std::int64_t groupMember = 0;
    std::int64_t mediaItem = 0;
    std::string date;
    std::string text;
};

struct ChatSessionRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    // The contact's JID cut before its at sign (the phone number or group id); empty when the
    // JID holds no at sign.
    std::string contactJid;
    std::string partnerName;
};

struct GroupMemberRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::int64_t chatSession = 0;
    std::string contactName;
    // The member's JID cut before its at sign.
    std::string memberJid;
};

struct MediaItemRow
{
    bool deleted = false;
    std::int64_t rowid = 0;
    std::string localPath;
};

} // namespace sqlitecarve
