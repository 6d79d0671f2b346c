#include <gtest/gtest.h>

#include "core/config/field_rules.h"
#include "core/shell/file_filter.h"
#include "core/shell/log_text.h"
#include "core/shell/transfer_rate.h"
#include "core/shell/window_limits.h"

namespace atalaya {
namespace {

TEST(TransferRateTest, FormatsWithSignificantDigitsThenDecimals) {
  struct Case {
    double value;
    int significant;
    int decimals;
    char separator;
    const char* text;
  };
  const Case cases[] = {
      {0.0, 5, 2, '.', "0.00"},
      {123.456, 5, 2, '.', "123.46"},
      {1234.567, 5, 2, ',', "1234,60"},
      {12345.678, 5, 2, '.', "12346.00"},
      {123456.7, 5, 2, '.', "1.2346E+005"},
      {0.004, 5, 2, '.', "0.00"},
      {3.25, 6, 1, ',', "3,2"},  // exact half: to even
      {87.56789, 6, 2, '.', "87.57"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatFixed(c.value, c.significant, c.decimals, c.separator), c.text) << c.value;
  }
}

TEST(TransferRateTest, SpeedAndRemainingTexts) {
  EXPECT_EQ(PerSecond(512, 0), 0.0);
  const double speed = PerSecond(512, 4000);  // 128 bytes/s
  EXPECT_EQ(SpeedText(speed, 5, 2, "", "b/s", ','), "128,00b/s");
  EXPECT_EQ(RemainingText((2048 - 512 + 16) / speed, "", "seg"), "12seg");  // 12.125
  EXPECT_EQ(SpeedText(12.5, 6, 2, " ", "Kb/seg", '.'), "12.50 Kb/seg");
  EXPECT_EQ(RemainingText(2.5, " ", "seg"), "2 seg");
  EXPECT_EQ(RemainingText(3.5, "", "seg"), "4seg");
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
}

TEST(FileFilterTest, SplitsDescriptionsAndPatterns) {
  const auto filters = ParseFileFilter(
      "Archivo FLASH (BIN, RCU o RCS)|*.bin;*.rcu;*.rcs|Archivo RAM (BIN)|*.bin|Huérfano");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].description, "Archivo FLASH (BIN, RCU o RCS)");
  EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.bin", "*.rcu", "*.rcs"}));
  EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.bin"}));
  EXPECT_TRUE(ParseFileFilter("").empty());
}

TEST(LogTextTest, EveryLineEndsWithCrLf) {
  EXPECT_EQ(LogFileText({}), "");
  EXPECT_EQ(LogFileText({"%EE?00", "", "¡ Eeprom leída con éxito !"}),
            "%EE?00\r\n\r\n¡ Eeprom leída con éxito !\r\n");
}

TEST(WindowLimitsTest, TheMinimumFollowsTheWindowUpToTheLimit) {
  struct Case {
    WindowSize enforced;
    WindowSize current;
    WindowSize next;
  };
  const Case cases[] = {
      {{0, 0}, {736, 657}, {736, 570}},      // opened at the saved default size
      {{736, 570}, {800, 700}, {756, 570}},  // grown past the limit
      {{756, 570}, {756, 570}, {756, 570}},
      {{0, 0}, {1200, 900}, {756, 570}},
      {{0, 0}, {500, 400}, {500, 400}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextMinimumSize(c.enforced, c.current), c.next);
  }
}

// A field holding no digit at all is as empty as an emptied one: left empty, it would be
// saved as an empty value, which the next start reads as missing.
TEST(FieldRulesTest, AFieldWithoutAnyDigitTakesItsEmptyValue) {
  struct Case {
    const char* text;
    const char* digits;
    const char* hex;
  };
  const Case cases[] = {
      {"", "9750", "40010000"},
      {"abc", "9750", "ABC"},
      {"xyz", "9750", "40010000"},
      {" -.,", "9750", "40010000"},
      {"\xBD\xC8\xCA\xCF", "9750", "40010000"},
      {"x7", "7", "7"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ApplyDigitRule(c.text, "9750"), c.digits) << c.text;
    EXPECT_EQ(ApplyHexRule(c.text, "40010000"), c.hex) << c.text;
  }
}

TEST(FieldRulesTest, DigitHexAndNameRules) {
  EXPECT_EQ(ApplyDigitRule("", "9750"), "9750");
  EXPECT_EQ(ApplyDigitRule("1a0b6", "9750"), "106");
  EXPECT_EQ(ApplyHexRule("1g2h", "40010000"), "12");
  EXPECT_EQ(ApplyHexRule("7fe0zz00", "60000000"), "7FE000");
  EXPECT_EQ(ApplyHexRule("", "60000000"), "60000000");
  struct Case {
    const char* a;
    const char* b;
    const char* out_a;
    const char* out_b;
  };
  const Case cases[] = {
      {"Hotbird", "Hotbird", "A", "B"},
      {"", "Astra", "A", "Astra"},
      {"astra", "Astra", "astra", "Astra"},
      {"B", "", "A", "B"},  // B emptied becomes "B", equal to A's text
  };
  for (const Case& c : cases) {
    std::string a = c.a, b = c.b;
    ApplySatelliteNameRule(a, b);
    EXPECT_EQ(a, c.out_a);
    EXPECT_EQ(b, c.out_b);
  }
}

}  // namespace
}  // namespace atalaya
