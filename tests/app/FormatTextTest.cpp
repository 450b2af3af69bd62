// Filling the printf-style formats of the language files without a C formatting function.
#include "app/Texts.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase
{
    const char* format;
    QStringList args;
    const char* expected;
};

TEST(FormatTextTest, FillsConversionsInTurnAndLeavesTheRestAlone)
{
    const FormatCase cases[] = {
        {"Selected: %s (%d items)   Total: %s (%d items)",
         {QStringLiteral("1.00 MB"),
          QStringLiteral("3"),
          QStringLiteral("2.00 MB"),
          QStringLiteral("4")},
         "Selected: 1.00 MB (3 items)   Total: 2.00 MB (4 items)"},
        {"Files Filtered: %d item(s)", {QStringLiteral("10")}, "Files Filtered: 10 item(s)"},
        // Widths, flags and the long modifier are passed over.
        {"%-5s|%05d|%ld|%u",
         {QStringLiteral("a"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")},
         "a|2|3|4"},
        {"100%% done", {}, "100% done"},
        // A conversion without an argument left, or one of another kind, stays as written, so
        // a translated text with a stray "%n" or too many fields cannot read past the list.
        {"%d of %d", {QStringLiteral("1")}, "1 of %d"},
        {"%n %x %p", {QStringLiteral("1")}, "%n %x %p"},
        {"ends with %", {QStringLiteral("1")}, "ends with %"},
        // An argument that itself holds a conversion is not filled again.
        {"%s and %s", {QStringLiteral("%s"), QStringLiteral("b")}, "%s and b"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(app::formatText(QString::fromUtf8(c.format), c.args).toStdString(),
                  std::string(c.expected))
            << c.format;
    }
}

} // namespace
