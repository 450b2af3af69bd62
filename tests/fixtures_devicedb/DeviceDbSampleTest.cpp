// The sample generators, the byte encoders of the note store and the backup locations.
#include "devicedb/AddressBookDb.h"
#include "devicedb/CallHistoryDb.h"
#include "devicedb/DeviceDbLocations.h"
#include "devicedb/GzipStored.h"
#include "devicedb/NotesDb.h"
#include "devicedb/SampleRandom.h"
#include "devicedb/SmsDb.h"
#include "devicedb/WhatsAppDb.h"

#include <cstdio>
#include <openssl/sha.h>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace {

std::string sha1Hex(const std::string& text)
{
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    std::string hex;
    for (const unsigned char byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

TEST(DeviceDbLocations, FileIdsAreTheDigestsOfDomainAndPath)
{
    for (const fixtures::BackupLocation& location : {fixtures::kSmsDbLocation,
                                                     fixtures::kAddressBookLocation,
                                                     fixtures::kCallHistoryStoreLocation,
                                                     fixtures::kCallHistoryDbLocation,
                                                     fixtures::kLegacyNotesLocation,
                                                     fixtures::kNoteStoreLocation,
                                                     fixtures::kWhatsAppChatLocation}) {
        const std::string key =
            std::string(location.domain) + "-" + std::string(location.relativePath);
        EXPECT_EQ(sha1Hex(key), location.fileId) << key;
    }
}

TEST(DeviceDbLocations, MediaGoWhereTheDeviceKeepsThem)
{
    const auto attachment =
        fixtures::smsAttachmentLocation("~/Library/SMS/Attachments/ab/11/GUID/IMG_0001.JPG");
    EXPECT_EQ(attachment.domain, "MediaDomain");
    EXPECT_EQ(attachment.relativePath, "Library/SMS/Attachments/ab/11/GUID/IMG_0001.JPG");
    EXPECT_EQ(fixtures::smsAttachmentLocation("Library/x.jpg").relativePath, "Library/x.jpg");
    const auto media = fixtures::whatsAppMediaLocation("Media/1@s.whatsapp.net/a/b/c.jpg");
    EXPECT_EQ(media.domain, "AppDomainGroup-group.net.whatsapp.WhatsApp.shared");
    EXPECT_EQ(media.relativePath, "Message/Media/1@s.whatsapp.net/a/b/c.jpg");
}

// An independent reader of the stored-block gzip members written for the note store.
std::optional<std::string> inflateStored(std::string_view gzip)
{
    if (gzip.size() < 18 || gzip.substr(0, 3) != std::string_view("\x1F\x8B\x08", 3)) {
        return std::nullopt;
    }
    std::string out;
    std::size_t at = 10;
    bool last = false;
    while (!last) {
        if (at + 5 > gzip.size()) {
            return std::nullopt;
        }
        const auto header = static_cast<unsigned char>(gzip[at]);
        if ((header & 0x06U) != 0) { // only stored blocks are expected
            return std::nullopt;
        }
        last = (header & 1U) != 0;
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(gzip[at + i]); };
        const unsigned length = byte(1) | (byte(2) << 8U);
        const unsigned inverse = byte(3) | (byte(4) << 8U);
        if ((length ^ inverse) != 0xFFFFU || at + 5 + length > gzip.size()) {
            return std::nullopt;
        }
        out.append(gzip.substr(at + 5, length));
        at += 5 + length;
    }
    if (at + 8 != gzip.size()) {
        return std::nullopt;
    }
    std::uint32_t crc = 0;
    std::uint32_t size = 0;
    for (int i = 3; i >= 0; --i) {
        crc = (crc << 8U) | static_cast<unsigned char>(gzip[at + static_cast<std::size_t>(i)]);
        size =
            (size << 8U) | static_cast<unsigned char>(gzip[at + 4 + static_cast<std::size_t>(i)]);
    }
    if (crc != fixtures::crc32(out) || size != out.size()) {
        return std::nullopt;
    }
    return out;
}

// The first length-delimited field `field` of a protobuf message.
std::optional<std::string_view> protoField(std::string_view message, unsigned field)
{
    std::size_t at = 0;
    const auto varint = [&](std::uint64_t& value) {
        value = 0;
        for (unsigned shift = 0; at < message.size() && shift < 64; shift += 7) {
            const auto byte = static_cast<unsigned char>(message[at++]);
            value |= static_cast<std::uint64_t>(byte & 0x7FU) << shift;
            if ((byte & 0x80U) == 0) {
                return true;
            }
        }
        return false;
    };
    while (at < message.size()) {
        std::uint64_t key = 0;
        std::uint64_t value = 0;
        if (!varint(key) || !varint(value)) {
            return std::nullopt;
        }
        if ((key & 7U) == 2) {
            if (value > message.size() - at) {
                return std::nullopt;
            }
            if ((key >> 3U) == field) {
                return message.substr(at, value);
            }
            at += value;
        } else if ((key & 7U) != 0) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

TEST(DeviceDbEncoders, CrcMatchesTheStandardCheckValue)
{
    EXPECT_EQ(fixtures::crc32("123456789"), 0xCBF43926U);
    EXPECT_EQ(fixtures::crc32(""), 0U);
}

TEST(DeviceDbEncoders, GzipMembersInflateToTheirInput)
{
    std::string large;
    for (int i = 0; i < 70000; ++i) {
        large += static_cast<char>('a' + i % 26);
    }
    for (const std::string& input : {std::string(), std::string("Grüße ✓"), large}) {
        EXPECT_EQ(inflateStored(fixtures::gzipStored(input)), input) << input.size();
    }
}

TEST(DeviceDbEncoders, NoteTextSitsAtFieldPathTwoThreeTwo)
{
    const std::string text = "Shopping\nmilk & eggs 🥚";
    const std::string proto = fixtures::noteStoreProto(text);
    const auto document = protoField(proto, 2);
    ASSERT_TRUE(document.has_value());
    const auto note = protoField(*document, 3);
    ASSERT_TRUE(note.has_value());
    EXPECT_EQ(protoField(*note, 2), std::optional<std::string_view>(text));
}

TEST(DeviceDbSamples, SameSeedSameContentOtherSeedOtherContent)
{
    const auto a = fixtures::sampleSmsData(9, {5, 50, 5, 5});
    const auto b = fixtures::sampleSmsData(9, {5, 50, 5, 5});
    const auto c = fixtures::sampleSmsData(10, {5, 50, 5, 5});
    ASSERT_EQ(a.messages.size(), 50U);
    bool differs = false;
    for (std::size_t i = 0; i < a.messages.size(); ++i) {
        EXPECT_EQ(a.messages[i].text, b.messages[i].text);
        EXPECT_EQ(a.messages[i].unixSeconds, b.messages[i].unixSeconds);
        differs = differs || a.messages[i].text != c.messages[i].text;
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(a.attachments.size(), 5U);
    EXPECT_EQ(a.deleteMessageRowids.size(), 5U);
}

TEST(DeviceDbSamples, CountsAndCrossReferencesHold)
{
    const auto sms = fixtures::sampleSmsData(1, {40, 2000, 100, 50});
    const auto book = fixtures::sampleAddressBookData(1, {40, 4});
    const auto calls = fixtures::sampleCallHistoryData(1, {500, 40, 25});
    const auto notes = fixtures::sampleNotesData(1, {60, 6});
    const auto chats = fixtures::sampleWhatsAppData(1, {12, 3, 900, 40, 30});
    EXPECT_EQ(sms.handles.size(), 40U);
    EXPECT_EQ(sms.deleteMessageRowids.size(), 50U);
    EXPECT_EQ(book.deleteContactRowids.size(), 4U);
    EXPECT_EQ(calls.deleteCallRowids.size(), 25U);
    EXPECT_EQ(notes.deleteNoteIds.size(), 6U);
    EXPECT_EQ(chats.mediaItems.size(), 40U);
    EXPECT_EQ(chats.deleteMessageIds.size(), 30U);

    // Every telephone handle is found in some person's full-text telephone column.
    std::string phoneTexts;
    for (const fixtures::Contact& contact : book.contacts) {
        phoneTexts += fixtures::fullTextPhoneColumn(contact) + "|";
    }
    int phoneHandles = 0;
    for (const fixtures::SmsHandle& handle : sms.handles) {
        if (handle.address.front() == '+') {
            ++phoneHandles;
            // People without a number (one in twenty) leave their handle unmatched.
            const bool listed = phoneTexts.find(handle.address) != std::string::npos;
            const auto index = handle.rowid - 1;
            EXPECT_EQ(listed, index % 20 != 19) << handle.address;
        }
    }
    EXPECT_GT(phoneHandles, 30);

    // Messages of a conversation come in time order; media messages have no text.
    for (std::size_t i = 1; i < sms.messages.size(); ++i) {
        EXPECT_LE(sms.messages[i - 1].unixSeconds, sms.messages[i].unixSeconds + 50);
    }
    for (const fixtures::WaMessage& message : chats.messages) {
        EXPECT_EQ(message.text.empty(), message.mediaItemId != 0);
    }
    int serviceCalls = 0;
    for (const fixtures::PhoneCall& call : calls.calls) {
        serviceCalls += call.address.size() == 3 ? 1 : 0;
        EXPECT_EQ(call.durationSeconds == 0, !call.answered);
    }
    EXPECT_EQ(serviceCalls, 20);
}

TEST(DeviceDbSamples, PhoneNumbersAreDistinctAndIndexedTextHasAllForms)
{
    std::set<std::string> numbers;
    for (std::uint64_t i = 0; i < 60000; ++i) {
        numbers.insert(fixtures::samplePhoneNumber(i));
    }
    EXPECT_EQ(numbers.size(), 60000U);
    fixtures::Contact contact;
    contact.phones = {"+14155550123", "+447700900123"};
    contact.typedPhones = {"(415) 555-0123"};
    EXPECT_EQ(fixtures::fullTextPhoneColumn(contact),
              "(415) 555-0123 14155550123 4155550123 +14155550123 +44 7700 900 123 447700900123 "
              "7700900123 +447700900123 ");
    EXPECT_EQ(fixtures::formatPhoneForDisplay("+14155550123"), "+1 (415) 555-0123");
    EXPECT_EQ(fixtures::formatPhoneForDisplay("+447700900123"), "+44 7700 900 123");
}

} // namespace
