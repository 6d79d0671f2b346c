#include "core/config/cp1252.h"

#include <gtest/gtest.h>

namespace atalaya {
namespace {

TEST(Cp1252Test, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Cp1252Test, ConvertsTheCharactersOfTheDataFiles) {
  struct Case {
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"Pesta\xF1" "aActiva", "PestañaActiva"},
      {"\xA1 Eeprom le\xED" "da con \xE9xito !", "¡ Eeprom leída con éxito !"},
      {"\x80", "€"},
      {"\x99", "™"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp1252ToUtf8(c.bytes), c.utf8);
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.bytes);
  }
}

TEST(Cp1252Test, UnmappableAndMalformedTextBecomesQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1252("日本"), "??");
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");       // cut sequence
  EXPECT_EQ(Utf8ToCp1252("\xFFz"), "?z");       // invalid lead byte
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82"), "?");     // cut three-byte sequence
}

}  // namespace
}  // namespace atalaya
