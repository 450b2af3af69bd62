// Text conversions and bounds-checked decoding.
#include "platform/Text.h"

#include "platform/ByteReader.h"
#include "platform/Clock.h"

#include <cstdlib>

#include <gtest/gtest.h>

using namespace platform;

TEST(TextTest, Utf8ToWideReadsOnlyTheGivenBytesAndStopsAtNul)
{
    const char bytes[] = "abc\0def";
    EXPECT_EQ(utf8ToWide(bytes, 2), "ab");
    EXPECT_EQ(utf8ToWide(bytes, 7), "abc");
    EXPECT_EQ(utf8ToWide("\xC3\xA9t\xC3\xA9", 5), "\xC3\xA9t\xC3\xA9");
    // A sequence cut by the length, an overlong form and a lone continuation byte.
    EXPECT_EQ(utf8ToWide("a\xC3", 2), "a\xEF\xBF\xBD");
    EXPECT_EQ(utf8ToWide("\xC0\xAF", 2), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf8ToWide("\x80", 1), "\xEF\xBF\xBD");
}

TEST(TextTest, PercentEncodePathKeepsOnlyUnreservedBytesAndSlashes)
{
    EXPECT_EQ(percentEncodePath("Attachments/7-1-a b#1%?\xC3\xA9~_.jpg"),
              "Attachments/7-1-a%20b%231%25%3F%C3%A9~_.jpg");
}

TEST(TextTest, ValidationRejectsSurrogatesAndOutOfRange)
{
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_EQ(wideToNarrow("\xFF"), "");
    EXPECT_EQ(narrowToWide("plain"), "plain");
    EXPECT_LT(compareAsciiNoCase("2014-01-01", "2015-01-01"), 0);
    EXPECT_EQ(compareAsciiNoCase("SQLite", "sqlite"), 0);
}

TEST(ByteReaderTest, NeverReadsPastTheEnd)
{
    const std::uint8_t data[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    ByteReader reader(data);
    std::uint32_t value = 0;
    ASSERT_TRUE(reader.u32be(value));
    EXPECT_EQ(value, 0x12345678u);
    std::uint16_t wide = 0;
    EXPECT_FALSE(reader.u16be(wide));
    EXPECT_EQ(reader.position(), 4u) << "a failed read leaves the position";
    EXPECT_FALSE(reader.ok());
    EXPECT_FALSE(reader.seek(6));

    ByteReader little(data);
    ASSERT_TRUE(little.u32le(value));
    EXPECT_EQ(value, 0x78563412u);
    std::span<const std::uint8_t> rest;
    EXPECT_FALSE(little.bytes(2, rest));
    EXPECT_TRUE(little.bytes(1, rest));
    EXPECT_EQ(rest[0], 0x9A);
}

TEST(ClockTest, BaseBiasIgnoresDaylightSaving)
{
    ::setenv("TZ", "PST8PDT", 1);
    EXPECT_EQ(zoneBaseBiasMinutes(), 480);
    // 2014-07-01 12:00 UTC is in daylight time: local shows 05:00.
    EXPECT_EQ(formatLocal(secondsFromUtcFields(2014, 7, 1, 12, 0, 0)), "2014-07-01 05:00:00");
    ::setenv("TZ", "Pacific/Chatham", 1);
    EXPECT_EQ(zoneBaseBiasMinutes(), -765);
    EXPECT_EQ(formatUtc(0), "1970-01-01 00:00:00");
    EXPECT_EQ(formatUtc(kAppleEpochOffset), "2001-01-01 00:00:00");
}

TEST(ClockTest, LocalDatesFollowZoneChangesAndPadEveryField)
{
    struct Case
    {
        const char* zone;
        std::int64_t seconds;
        const char* text;
    };

    // The zone changes between calls: each date must be taken in the zone set just before it.
    const Case cases[] = {
        {"UTC", secondsFromUtcFields(2009, 2, 3, 4, 5, 6), "2009-02-03 04:05:06"},
        {"PST8PDT", secondsFromUtcFields(2014, 7, 1, 12, 0, 0), "2014-07-01 05:00:00"},
        {"UTC", secondsFromUtcFields(2014, 7, 1, 12, 0, 0), "2014-07-01 12:00:00"},
        {"Pacific/Chatham", secondsFromUtcFields(2020, 1, 1, 0, 0, 0), "2020-01-01 13:45:00"},
        {"UTC", secondsFromUtcFields(999, 12, 31, 23, 59, 59), "0999-12-31 23:59:59"},
        {"UTC", secondsFromUtcFields(12000, 1, 1, 0, 0, 0), "12000-01-01 00:00:00"},
    };
    for (const Case& c : cases) {
        ::setenv("TZ", c.zone, 1);
        EXPECT_EQ(formatLocal(c.seconds), c.text) << c.zone;
    }
    ::setenv("TZ", "Pacific/Chatham", 1);
}
