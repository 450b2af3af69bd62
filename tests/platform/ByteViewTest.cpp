// Reads at an offset: each integer width and byte order, and SQLite varints, inside the span,
// at its very end and past it (offsets near SIZE_MAX included, where a sum would wrap).
#include "platform/ByteView.h"

#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteViewTest, ReadsInsideAndFailsOutside)
{
    const Bytes bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    const platform::ByteView view(bytes);
    constexpr std::size_t kFar = std::numeric_limits<std::size_t>::max();

    struct Case
    {
        const char* name;
        std::size_t offset;
        int width;
        bool bigEndian;
        bool ok;
        std::uint64_t value;
    };

    const Case cases[] = {
        {"u8 last", 8, 1, true, true, 0x09},
        {"u8 past", 9, 1, true, false, 0},
        {"u16be", 1, 2, true, true, 0x0203},
        {"u16le", 1, 2, false, true, 0x0302},
        {"u16be at end", 7, 2, true, true, 0x0809},
        {"u16be one over", 8, 2, true, false, 0},
        {"u32be", 0, 4, true, true, 0x01020304},
        {"u32le", 0, 4, false, true, 0x04030201},
        {"u32be one over", 6, 4, true, false, 0},
        {"u64be", 1, 8, true, true, 0x0203040506070809},
        {"u64le", 1, 8, false, true, 0x0908070605040302},
        {"u64le one over", 2, 8, false, false, 0},
        {"u32be far offset", kFar - 1, 4, true, false, 0},
        {"u16le far offset", kFar, 2, false, false, 0},
    };
    for (const Case& c : cases) {
        // A failed read leaves the output as it was: a sentinel, never a zero.
        constexpr std::uint64_t kUntouched = 0xdeadbeef;
        std::uint64_t value = kUntouched;
        bool ok = false;
        if (c.width == 1) {
            std::uint8_t v = 0xee;
            ok = view.u8(c.offset, v);
            value = ok ? v : (v == 0xee ? kUntouched : v);
        } else if (c.width == 2) {
            std::uint16_t v = 0xeeee;
            ok = c.bigEndian ? view.u16be(c.offset, v) : view.u16le(c.offset, v);
            value = ok ? v : (v == 0xeeee ? kUntouched : v);
        } else if (c.width == 4) {
            std::uint32_t v = 0xeeeeeeee;
            ok = c.bigEndian ? view.u32be(c.offset, v) : view.u32le(c.offset, v);
            value = ok ? v : (v == 0xeeeeeeee ? kUntouched : v);
        } else {
            ok = c.bigEndian ? view.u64be(c.offset, value) : view.u64le(c.offset, value);
        }
        EXPECT_EQ(ok, c.ok) << c.name;
        EXPECT_EQ(value, c.ok ? c.value : kUntouched) << c.name;
    }
    std::uint64_t wide = 0;
    EXPECT_FALSE(view.uintBe(0, 0, wide)) << "width 0";
    EXPECT_FALSE(view.uintBe(0, 9, wide)) << "width 9";
    EXPECT_TRUE(view.uintBe(6, 3, wide));
    EXPECT_EQ(wide, 0x070809u);
    std::span<const std::uint8_t> sub;
    EXPECT_TRUE(view.sub(9, 0, sub)) << "an empty piece at the end";
    EXPECT_FALSE(view.sub(1, kFar, sub)) << "a count that wraps the sum";
    EXPECT_FALSE(view.sub(kFar, 2, sub)) << "an offset that wraps the sum";
}

TEST(ByteViewTest, VarintsAtLimits)
{
    struct Case
    {
        const char* name;
        Bytes bytes;
        std::size_t offset;
        std::uint64_t value;
        std::size_t length;
    };

    const Case cases[] = {
        {"one byte", {0x7f}, 0, 127, 1},
        {"two bytes", {0x81, 0x01}, 0, 129, 2},
        {"at an offset", {0xff, 0x81, 0x01}, 1, 129, 2},
        {"cut short", {0x81}, 0, 0, 0},
        {"nine bytes", Bytes(9, 0xff), 0, ~std::uint64_t{0}, 9},
        {"ninth byte takes 8 bits",
         {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0xff},
         0,
         0xff,
         9},
        {"nine bytes cut at eight", Bytes(8, 0xff), 0, 0, 0},
        {"empty", {}, 0, 0, 0},
        {"offset past the end", {0x01}, 2, 0, 0},
        {"far offset", {0x01}, std::numeric_limits<std::size_t>::max(), 0, 0},
    };
    for (const Case& c : cases) {
        std::uint64_t value = 0;
        EXPECT_EQ(platform::ByteView(c.bytes).varint(c.offset, value), c.length) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
}

} // namespace
