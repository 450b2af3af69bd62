// The escaping of record texts in pages and tables.
#include "export/TextEscape.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(TextEscapeTest, EscapesQuotesAndConvertsLineEnds)
{
    EXPECT_EQ(exporting::htmlEscape("<script>alert('x' & \"y\")</script>"),
              "&lt;script&gt;alert(&#39;x&#39; &amp; &quot;y&quot;)&lt;/script&gt;");
    EXPECT_EQ(exporting::htmlEscape("plain \xC3\xBC"), "plain \xC3\xBC");

    const struct
    {
        std::string field;
        std::string expected;
    } fields[] = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\ronly", "\"cr\ronly\""},
    };

    for (const auto& f : fields) {
        EXPECT_EQ(exporting::csvField(f.field), f.expected) << f.field;
    }

    EXPECT_EQ(exporting::toCrLf("a\nb\r\nc\n\n"), "a\r\nb\r\nc\r\n\r\n");
}

} // namespace
