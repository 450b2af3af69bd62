// The file-name rule for texts taken from a backup.
#include "platform/SafeName.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using platform::safeName;

struct NameCase
{
    const char* what;
    std::string input;
    std::string expected;
};

TEST(SafeNameTest, MakesOnePathComponentOfAnyText)
{
    const NameCase cases[] = {
        {"plain name kept", "IMG_0001.JPG", "IMG_0001.JPG"},
        {"unicode kept", "J\xC3\xBCrgen(+49 30)", "J\xC3\xBCrgen(+49 30)"},
        {"slash and backslash", "a/b\\c.jpg", "a_b_c.jpg"},
        {"parent path", "../../x", ".._.._x"},
        {"dot alone", ".", "Unknown"},
        {"dot dot alone", "..", "Unknown"},
        {"empty", "", "Unknown"},
        {"only spaces", "   ", "Unknown"},
        {"windows forbidden", "a<b>c:d\"e|f?g*h", "a_b_c_d_e_f_g_h"},
        {"control characters", std::string("a\nb\tc\x01") + "d\x7F", "a_b_c_d_"},
        {"trailing dots and spaces", "name. . ", "name"},
        {"device name", "CON", "_CON"},
        {"device name any case with extension", "nul.txt", "_nul.txt"},
        {"numbered device name", "com1", "_com1"},
        {"device name after trim", "LPT9 .", "_LPT9"},
        {"not a device name", "CONSOLE", "CONSOLE"},
        {"com0 is not reserved", "COM0", "COM0"},
        {"invalid utf-8 repaired",
         "a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(safeName(c.input), c.expected) << c.what;
    }
}

TEST(SafeNameTest, CutsLongNamesAtACharacterBoundaryKeepingTheExtension)
{
    // 150 two-byte characters: 300 bytes.
    std::string umlauts;
    for (int i = 0; i < 150; ++i) {
        umlauts += "\xC3\xBC";
    }

    const struct
    {
        const char* what;
        std::string input;
        std::string expectedEnd;
    } cases[] = {
        {"ascii with extension", std::string(300, 'a') + ".jpeg", ".jpeg"},
        {"multi-byte without extension", umlauts, "\xC3\xBC"},
        {"multi-byte with extension", umlauts + ".txt", "\xC3\xBC.txt"},
        {"extension too long to keep", "a." + std::string(300, 'b'), "bbb"},
    };

    for (const auto& c : cases) {
        const std::string name = safeName(c.input);
        EXPECT_LE(name.size(), platform::kMaxSafeNameBytes) << c.what;
        EXPECT_GE(name.size(), platform::kMaxSafeNameBytes - 1) << c.what;
        EXPECT_EQ(name.substr(name.size() - c.expectedEnd.size()), c.expectedEnd) << c.what;
        EXPECT_EQ(safeName(name), name) << c.what << ": the rule is idempotent";
    }
}

} // namespace
