#include "platform/Text.h"
#include <gtest/gtest.h>
#include <random>

namespace scrivo {
namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(Utf, RoundTripsEveryPlane)
{
    // ASCII, Latin-1, CJK (3 bytes), an emoji and the last code point (4 bytes, surrogates).
    std::string s = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
    std::u16string w = Utf8ToUtf16(s);
    EXPECT_EQ(w, (std::u16string{u'A', 0xE9, 0x4E2D, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF}));
    EXPECT_EQ(Utf16ToUtf8(w), s);
    EXPECT_EQ(Utf8ToUtf16(""), u"");
}

TEST(Utf, InvalidUtf8BecomesReplacementPerMaximalSubpart)
{
    struct Case {
        std::string In;
        std::u16string Out;
    } cases[] = {
        {"a\x80" "b", u"a\uFFFDb"},                  // stray continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},               // overlong "/"
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},     // overlong, 3 bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},     // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xE4\xB8", u"\uFFFD"},                     // truncated at the end
        {"\xE4\xB8" "x", u"\uFFFDx"},                // truncated in the middle
        {"\xF0\x9F\x98", u"\uFFFD"},
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToUtf16(c.In), c.Out) << c.In;
}

TEST(Utf, UnpairedSurrogatesBecomeReplacement)
{
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD800}), "a" + kFffd);
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, u'b'}), kFffd + "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, 0xD800, 0xDC00}), kFffd + "\xF0\x90\x80\x80");
}

TEST(Utf, ArbitraryBytesGiveStableWellFormedText)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(rng() % 12, '\0');
        for (char& b : bytes) // favour the lead and continuation bytes where faults hide
            b = static_cast<char>(rng() % 3 == 0 ? rng() % 256 : 0x80 + rng() % 0x78);
        std::u16string w = Utf8ToUtf16(bytes);
        std::string back = Utf16ToUtf8(w);
        ASSERT_EQ(Utf8ToUtf16(back), w) << round;
        ASSERT_EQ(Utf16ToUtf8(Utf8ToUtf16(back)), back) << round;
    }
}

TEST(UpperCase, BothFormsAgreeOverTheWholePlane)
{
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c < 0xE000)
            continue;
        std::u16string w(1, static_cast<char16_t>(c));
        std::string u = Utf16ToUtf8(w);
        ASSERT_EQ(Utf8ToUtf16(UpperCase(u)), UpperCase16(w)) << std::hex << static_cast<uint32_t>(c);
        ASSERT_EQ(UpperChar(UpperChar(static_cast<char16_t>(c))), UpperChar(static_cast<char16_t>(c)))
            << std::hex << static_cast<uint32_t>(c); // upper case is already upper
    }
}

TEST(UpperCase, AsciiAndNonAscii)
{
    EXPECT_EQ(UpperCase("abc xyz 123 {}"), "ABC XYZ 123 {}");
    EXPECT_EQ(UpperCase("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");         // été
    EXPECT_EQ(UpperCase("\xC3\xBF"), "\xC5\xB8");                           // ÿ -> Ÿ
    EXPECT_EQ(UpperCase("\xCE\xB1\xCF\x89"), "\xCE\x91\xCE\xA9");           // αω
    EXPECT_EQ(UpperCase("\xD0\xB6"), "\xD0\x96");                           // ж
    EXPECT_EQ(UpperCase("\xC4\x81\xC4\x83"), "\xC4\x80\xC4\x82");           // pairs of Latin Ext-A
    EXPECT_EQ(UpperCase("\xEF\xBD\x81"), "\xEF\xBC\xA1");                   // fullwidth a
    // No simple mapping: sharp s stays; nothing outside the BMP changes (Deseret).
    EXPECT_EQ(UpperCase("\xC3\x9F"), "\xC3\x9F");
    EXPECT_EQ(UpperCase("\xF0\x90\x90\xA8"), "\xF0\x90\x90\xA8");
}

TEST(UpperCase, KeepsInvalidBytes)
{
    EXPECT_EQ(UpperCase("a\xFF" "b\xC3"), "A\xFF" "B\xC3");
}

TEST(UpperCase, Utf16FormAgreesAndLeavesSurrogates)
{
    EXPECT_EQ(UpperCase16(u"stra\u00DFe \u00E9"), u"STRA\u00DFE \u00C9");
    std::u16string pair{0xD801, 0xDC28};
    EXPECT_EQ(UpperCase16(pair), pair);
    EXPECT_EQ(UpperChar(u'\u0131'), u'I'); // dotless i
    EXPECT_EQ(UpperChar(u'\u01C5'), u'\u01C4');
}

TEST(SameText, IgnoresCaseOnly)
{
    EXPECT_TRUE(SameText("ReadMe.TXT", "readme.txt"));
    EXPECT_TRUE(SameText("\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"));
    EXPECT_FALSE(SameText("readme.txt", "readme.tx"));
    EXPECT_FALSE(SameText("a", "b"));
}

} // namespace
} // namespace scrivo
