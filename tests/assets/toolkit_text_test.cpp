// UTF-8 text sources converted to CP932 data files.
#include <gtest/gtest.h>

#include "tools/toolkit/source_text.h"
#include "tools/toolkit/text_codec.h"

using namespace tevtools;

namespace {

TEST(TextConversion, Cp932BytesCountAndLineEnds) {
    // "あ" is 0x82 0xA0 and "ア" 0x83 0x41 in CP932; "～" (full-width tilde) 0x81 0x60.
    EXPECT_EQ(Utf8ToCp932("\xE3\x81\x82\xE3\x82\xA2", "t"), "\x82\xA0\x83\x41");
    EXPECT_EQ(Utf8ToCp932("\xEF\xBD\x9E", "t"), "\x81\x60");
    TextOptions o;
    o.count = true;
    o.comments = true;
    o.skipBlank = true;
    EXPECT_EQ(ConvertText("\xEF\xBB\xBF# note\nab\n\n\xE3\x81\x82\r\n", "t", o), "2\nab\n\x82\xA0\n");
    o.crlf = true;
    EXPECT_EQ(ConvertText("x", "t", o), "1\r\nx\r\n");  // a last line without a line end is kept
    TextOptions plain;
    EXPECT_EQ(ConvertText("#1\n\n", "t", plain), "#1\n\n");
}

TEST(TextConversion, LongLinesAndUnconvertibleTextAreErrors) {
    TextOptions o;
    o.maxBytes = 4;
    EXPECT_EQ(ConvertText("\xE3\x81\x82\xE3\x81\x82\n", "t", o), "\x82\xA0\x82\xA0\n");  // 4 bytes fit
    try {
        ConvertText("ok\n\xE3\x81\x82\xE3\x81\x82x\n", "t.text", o);
        FAIL() << "a five-byte line passed";
    } catch (const SourceError& e) {
        EXPECT_NE(std::string(e.what()).find("t.text:2"), std::string::npos) << e.what();
    }
    EXPECT_THROW(Utf8ToCp932("\xF0\x9F\x98\x80", "t"), SourceError);  // emoji: no CP932 form
    EXPECT_THROW(Utf8ToCp932("\xE3\x81", "t"), SourceError);          // cut-off UTF-8
    EXPECT_THROW(Utf8ToCp932("\xFF", "t"), SourceError);
}

TEST(SourceText, TokensQuotesCommentsAndColours) {
    EXPECT_EQ(Tokenize("a  \"b c\" d # rest"), (std::vector<std::string>{"a", "b c", "d"}));
    EXPECT_EQ(Tokenize("rect #FF00FF #12345678"), (std::vector<std::string>{"rect", "#FF00FF", "#12345678"}));
    EXPECT_EQ(Tokenize("say \"a \\\"q\\\"\""), (std::vector<std::string>{"say", "a \"q\""}));
    EXPECT_TRUE(Tokenize("# only a comment").empty());
    uint32_t c = 0;
    EXPECT_TRUE(TryParseColour("#102030", c));
    EXPECT_EQ(c, 0xFF102030u);
    EXPECT_TRUE(TryParseColour("#10203040", c));
    EXPECT_EQ(c, 0x40102030u);
    EXPECT_FALSE(TryParseColour("#1020", c));
    EXPECT_FALSE(TryParseColour("#GG2030", c));
    Where w{"f", 3};
    EXPECT_THROW(ParseInt("12x", w), SourceError);
    EXPECT_THROW(ParseInt("99999999999999999999", w), SourceError);
    EXPECT_THROW(ParseReal("nan", w), SourceError);
    EXPECT_EQ(ParseInt("0x10", w), 16);
    auto lines = SplitLines("a\r\nb\n\nc");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].text, "b");
    EXPECT_EQ(lines[3].number, 4);
    EXPECT_EQ(SplitLines("a\n").size(), 1u);
}

}  // namespace
