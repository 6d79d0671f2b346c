#include "core/eeprom/eeprom_fields.h"

#include <gtest/gtest.h>

#include "core/eeprom/hex_value.h"

namespace atalaya {
namespace {

std::string Bytes(const EepromImage& image, int address, int count) {
  std::string hex;
  for (int a = address; a < address + count; ++a) hex += image.Cell(a / 16 + 1, a % 16 + 1);
  return hex;
}

void Put(EepromImage& image, int address, const std::string& hex) {
  for (size_t i = 0; i < hex.size() / 2; ++i) {
    const int a = address + static_cast<int>(i);
    image.SetCell(a / 16 + 1, a % 16 + 1, hex.substr(2 * i, 2));
  }
}

struct Rig {
  EepromImage image;
  SymbolRateTable rates{22000, 27500};
  EepromFields fields{image, rates};
};

TEST(EepromFieldsTest, AnErasedEepromReadsAsTheDecodersDefaults) {
  Rig rig;
  const EepromFieldsView view = rig.fields.Interpret();
  const auto& l = view.lists;
  const int other = -1;  // stands for "otro" below
  struct Case {
    size_t field;
    int selected;
    const char* edit;
  };
  const Case cases[] = {
      {field::kCountry, other, "FFFFFF"},    {field::kProvider, 25, "FFFF"},
      {field::kSections, other, "FFFFFFFFFFFFFFFFFFFFFFFFFFFF"},
      {field::kEpg, other, "FFFFFFFFFFFFFFFF"}, {field::kBrightness, other, "FF"},
      {field::kColourSystem, 1, "FF"},       {field::kStartMode, 1, "FF"},
      {field::kDiseqc, 1, "FFFF"},
  };
  for (const Case& c : cases) {
    const int otro = static_cast<int>(ListFields()[c.field].items.size());
    EXPECT_EQ(l[c.field].selected, c.selected == other ? otro : c.selected) << c.field;
    EXPECT_EQ(l[c.field].edit_text, c.edit) << c.field;
    EXPECT_EQ(l[c.field].edit_enabled, c.selected == other) << c.field;
  }
  EXPECT_EQ(view.numbers[field::kSoftwareVersion].decimal, "255");
  EXPECT_EQ(view.numbers[field::kLastChannel].decimal, "0");
  EXPECT_EQ(view.numbers[field::kLastChannel].hex, "FFFF");
  EXPECT_EQ(view.digits[field::kCountryCode].text, "00");
  EXPECT_EQ(view.digits[field::kSerialNumber].text, "000000000000");
  for (int s = 0; s < 2; ++s) {
    const SatelliteState& sat = view.satellites[static_cast<size_t>(s)];
    EXPECT_EQ(sat.name, s == 0 ? "ASTRA" : "OTROS");
    EXPECT_EQ(std::make_tuple(sat.band, sat.antenna, sat.symbol_rate, sat.fec, sat.polarity, sat.tone),
              std::make_tuple(1, 1, 1, 0, 1, 1));
    EXPECT_EQ(sat.frequency, "11970");
    EXPECT_EQ(sat.lnb, "65535");
  }
}

TEST(EepromFieldsTest, ARealisticEepromReadsField) {
  Rig rig;
  EepromImage& image = rig.image;
  Put(image, 0x002, "455350");                  // ESP
  Put(image, 0x007, "0025");
  Put(image, 0x009, "2A");                      // version 42
  Put(image, 0x00B, "4153545241203139000000");  // "ASTRA 19" + NUL
  Put(image, 0x021, "0000");                    // Ku, antenna 1
  Put(image, 0x025, "2EC2");                    // 11970
  Put(image, 0x027, "000201");                  // SR code 0 (22000), FEC 3/4, H
  Put(image, 0x02A, "01");                      // 22 kHz on
  Put(image, 0x02E, "2968");                    // LNB 10600
  Put(image, 0x05B, "657370");                  // "esp": not in the language list
  Put(image, 0x065, "07D2");                    // last channel 2002
  Put(image, 0x08E, "00800080000000000000000001A4");
  Put(image, 0x0DE, "3B00000600000000");        // EPG Italiano
  Put(image, 0x403, "82");
  Put(image, 0x406, "00");
  Put(image, 0x733, "0000");
  Put(image, 0x7D0, "3334");                    // "34"
  Put(image, 0x7D2, "313233343536373839303132");
  image.SetCell(16, 1, "G");  // a bad cell outside every field changes nothing
  const EepromFieldsView view = rig.fields.Interpret();
  EXPECT_EQ(view.lists[field::kCountry].selected, 0);
  EXPECT_FALSE(view.lists[field::kCountry].edit_enabled);
  EXPECT_EQ(view.lists[field::kProvider].selected, 18);  // "0025"
  EXPECT_EQ(view.lists[field::kAudioPrimary].selected, 6);
  EXPECT_EQ(view.lists[field::kAudioPrimary].edit_text, "657370");
  EXPECT_EQ(view.lists[field::kSections].selected, 1);
  EXPECT_EQ(view.lists[field::kEpg].selected, 3);
  EXPECT_EQ(view.lists[field::kBrightness].selected, 2);
  EXPECT_EQ(view.lists[field::kColourSystem].selected, 0);
  EXPECT_EQ(view.lists[field::kDiseqc].selected, 0);
  EXPECT_EQ(view.numbers[field::kSoftwareVersion].decimal, "42");
  EXPECT_EQ(view.numbers[field::kLastChannel].decimal, "2002");
  EXPECT_EQ(view.digits[field::kCountryCode].text, "34");
  EXPECT_EQ(view.digits[field::kSerialNumber].text, "123456789012");
  const SatelliteState& sat = view.satellites[0];
  EXPECT_EQ(sat.name, "ASTRA 19");
  EXPECT_EQ(std::make_tuple(sat.band, sat.antenna, sat.symbol_rate, sat.fec, sat.polarity, sat.tone),
            std::make_tuple(0, 0, 0, 2, 1, 1));
  EXPECT_EQ(sat.frequency, "11970");
  EXPECT_EQ(sat.lnb, "10600");
  rig.rates[0] = 27500;  // the code now names another rate
  EXPECT_EQ(rig.fields.InterpretSatellite(0).symbol_rate, 1);
}

TEST(EepromFieldsTest, EditorsWriteTheirBytesAndCheckBytes) {
  Rig rig;
  EepromFields& f = rig.fields;
  const EepromImage& image = rig.image;

  EXPECT_EQ(f.ChooseItem(field::kCountry, 1, "").edit_text, "495441");  // ITA
  EXPECT_EQ(Bytes(image, 0x002, 3), "495441");
  EXPECT_EQ(Bytes(image, 0x069, 2), "A35C");

  f.ChooseItem(field::kProvider, 5, "");  // 000C
  EXPECT_EQ(Bytes(image, 0x007, 2), "000C");
  EXPECT_EQ(Bytes(image, 0x06D, 2), "F30C");

  const ListFieldState otro = f.ChooseItem(field::kDiseqc, 2, "FFFF");
  EXPECT_TRUE(otro.edit_enabled);
  EXPECT_EQ(f.LeaveHexEdit(field::kDiseqc, "12"), "0012");
  EXPECT_EQ(Bytes(image, 0x733, 2), "0012");
  EXPECT_EQ(f.LeaveHexEdit(field::kBrightness, "1"), "81");
  EXPECT_EQ(Bytes(image, 0x403, 1), "81");

  f.ChooseItem(field::kSections, 5, "");  // "2 y 3 (BCT15xx)"
  EXPECT_EQ(Bytes(image, 0x08E, 14), "00800080000000000000000000A5");
  EXPECT_EQ(Bytes(image, 0x09C, 14), "00800080000000000000000000A5");
  EXPECT_EQ(f.InterpretList(field::kSections).selected, 2);

  EXPECT_EQ(f.LeaveNumber(field::kLastChannel, "1000").hex, "03E8");
  EXPECT_EQ(Bytes(image, 0x065, 2), "03E8");
  EXPECT_EQ(Bytes(image, 0x08B, 2), "14EB");  // 03 ^ E8 = EB
  EXPECT_EQ(f.LeaveNumber(field::kSoftwareVersion, "7").hex, "07");

  const DigitFieldState serial = f.LeaveDigits(field::kSerialNumber, "4711");
  EXPECT_EQ(serial.text, "000000004711");
  EXPECT_EQ(Bytes(image, 0x7D2, 12), "303030303030303034373131");

  // Satellite 2: a full-length name has no NUL and reads back as the default.
  EXPECT_EQ(f.LeaveSatelliteName(1, "abcdefghijklmnopqrstuv"), "ABCDEFGHIJKLMNOPQRSTUV");
  EXPECT_EQ(f.InterpretSatellite(1).name, "OTROS");
  EXPECT_EQ(f.LeaveSatelliteName(0, "hotbird"), "HOTBIRD");
  EXPECT_EQ(Bytes(image, 0x00B, 8), "484F544249524400");
  EXPECT_EQ(f.InterpretSatellite(0).name, "HOTBIRD");

  const std::string before = Bytes(image, 0x027, 3);
  f.ChooseSatelliteItem(1, SatelliteList::kSymbolRate, 1);
  EXPECT_EQ(Bytes(image, 0x04C, 1), "01");
  EXPECT_EQ(Bytes(image, 0x027, 3), before);
  f.ChooseSatelliteItem(0, SatelliteList::kFec, 4);
  EXPECT_EQ(Bytes(image, 0x028, 1), "04");

  EXPECT_EQ(f.LeaveSatelliteFrequency(0, "8000"), "11970");
  EXPECT_EQ(Bytes(image, 0x025, 2), "2EC2");
  EXPECT_EQ(f.LeaveSatelliteLnb(1, "9750"), "9750");
  EXPECT_EQ(Bytes(image, 0x053, 2), "2616");
}

TEST(EepromFieldsTest, InputRulesOfTheEditBoxes) {
  struct Case {
    EditRule rule;
    const char* typed;
    const char* shown;
    const char* left;
  };
  const auto& lists = ListFields();
  const auto& numbers = NumberFields();
  const auto& digits = DigitFields();
  const Case cases[] = {
      {lists[field::kCountry].rule, "4g5z5", "455", "000455"},
      {lists[field::kCountry].rule, "", "455350", "455350"},
      {lists[field::kProvider].rule, "c", "000C", "000C"},  // lower case is removed
      {lists[field::kAudioSecondary].rule, "", "65736C", "65736C"},
      {lists[field::kBrightness].rule, "1", "1", "81"},
      {lists[field::kEpg].rule, "", "000000000000", "0000000000000000"},
      {numbers[field::kSoftwareVersion].rule, "256", "0", "0"},
      {numbers[field::kSoftwareVersion].rule, "255", "255", "255"},
      {numbers[field::kLastChannel].rule, "2003", "0", "0"},
      {numbers[field::kLastChannel].rule, "-1", "1", "1"},
      {numbers[field::kLastChannel].rule, "99999999999999999999999", "0", "0"},
      {digits[field::kCountryCode].rule, "7", "7", "07"},
      {digits[field::kSerialNumber].rule, "12ab", "12", "000000000012"},
  };
  for (const Case& c : cases) {
    const std::string shown = ApplyEditRule(c.rule, c.typed);
    EXPECT_EQ(shown, c.shown) << c.typed;
    EXPECT_EQ(PadOnLeave(c.rule, shown), c.left) << c.typed;
  }
  EXPECT_EQ(EepromFields::SatelliteNameRule(1, ""), "OTROS");
  EXPECT_EQ(EepromFields::SatelliteNameRule(0, "Astra 2"), "ASTRA 2");
}

}  // namespace
}  // namespace atalaya
