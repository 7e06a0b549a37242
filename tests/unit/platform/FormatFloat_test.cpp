#include "platform/Text.h"
#include <gtest/gtest.h>

namespace scrivo {
namespace {

const FormatSettings kUs; // "." and ","
const FormatSettings kDe{",", "."};

TEST(FormatFloat, GroupsAndPadsDecimals)
{
    EXPECT_EQ(FormatFloat("#,##0.00", 0, kUs), "0.00");
    EXPECT_EQ(FormatFloat("#,##0.00", 12.5, kUs), "12.50");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, kUs), "1,234,567.89");
    EXPECT_EQ(FormatFloat("#,##0.00", 999.999, kUs), "1,000.00");
    EXPECT_EQ(FormatFloat("#,##0", 2822, kUs), "2,822");
    EXPECT_EQ(FormatFloat("#,##0", 100, kUs), "100");
    EXPECT_EQ(FormatFloat("0,000", 5, kUs), "0,005");
}

TEST(FormatFloat, UsesGivenSeparators)
{
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, kDe), "1.234.567,89");
    FormatSettings nbsp{",", "\xE2\x80\xAF"};
    EXPECT_EQ(FormatFloat("#,##0", 4096, nbsp), "4\xE2\x80\xAF" "096");
}

TEST(FormatFloat, SpeedTextsWithLiterals)
{
    EXPECT_EQ(FormatFloat("0", 2822 / 176.4, kUs) + FormatFloat("X (#,##0 KB/s)", 2822, kUs), "16X (2,822 KB/s)");
    EXPECT_EQ(FormatFloat("0.0X", 3324 / 1385.0, kUs) + FormatFloat("(#,##0 KB/s)", 3324, kUs), "2.4X(3,324 KB/s)");
    EXPECT_EQ(FormatFloat("0.0X ", 1385 * 8 / 1385.0, kUs), "8.0X ");
    EXPECT_EQ(FormatFloat("'#'0\"%\"", 7, kUs), "#7%");
}

TEST(FormatFloat, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(FormatFloat("0.00", 1.125, kUs), "1.13");
    EXPECT_EQ(FormatFloat("0.00", 1.005, kUs), "1.01"); // 1.00499999... as a double
    EXPECT_EQ(FormatFloat("0", 2.5, kUs), "3");
    EXPECT_EQ(FormatFloat("0", -2.5, kUs), "-3");
    EXPECT_EQ(FormatFloat("0.0", 0.04, kUs), "0.0");
    EXPECT_EQ(FormatFloat("0.00", 0.006, kUs), "0.01");
    EXPECT_EQ(FormatFloat("0", 0.4, kUs), "0");
}

TEST(FormatFloat, OptionalDigitsAndSigns)
{
    EXPECT_EQ(FormatFloat("0.##", 1, kUs), "1");
    EXPECT_EQ(FormatFloat("0.##", 1.5, kUs), "1.5");
    EXPECT_EQ(FormatFloat("0.0#", 1.5, kUs), "1.5");
    EXPECT_EQ(FormatFloat("#.##", 0.25, kUs), ".25");
    EXPECT_EQ(FormatFloat("#,##0.00", -1234.5, kUs), "-1,234.50");
    EXPECT_EQ(FormatFloat("0.0", -0.01, kUs), "0.0"); // no minus for a value shown as zero
    EXPECT_EQ(FormatFloat("0;(0);zero", -5, kUs), "(5)");
    EXPECT_EQ(FormatFloat("0;(0);zero", 0, kUs), "zero");
    EXPECT_EQ(FormatFloat("0;(0);zero", 5, kUs), "5");
    EXPECT_EQ(FormatFloat("0", 1e20, kUs), "100000000000000000000");
}

TEST(FormatFloat, UserSettingsAreNonEmptyDecimal)
{
    EXPECT_FALSE(UserFormatSettings().DecimalSeparator.empty());
    EXPECT_EQ(FormatFloat("0", 3), "3");
}

} // namespace
} // namespace scrivo
