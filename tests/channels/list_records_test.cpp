// The record layout of the two tables: finding them, and the texts each field becomes and
// comes back from.
#include "core/channels/list_records.h"
#include "core/config/text_table.h"

#include <gtest/gtest.h>

#include <cmath>

#include "channels/list_image_builder.h"
#include "core/channels/list_tables.h"

namespace atalaya {
namespace {

TEST(FindTableTest, NeedsTheMarkerTwiceAndWhollyInsideTheImage) {
  struct Case {
    const char* what;
    size_t size;
    std::vector<std::pair<size_t, std::string>> writes;
    size_t start;
    std::optional<size_t> found;
  };
  const Case cases[] = {
      {"both markers", 0x400, {{0x132, "TCS"}, {0x142, "TCS"}}, 0, 0x112},
      {"first marker only", 0x400, {{0x132, "TCS"}}, 0, std::nullopt},
      {"second marker only", 0x400, {{0x142, "TCS"}}, 0, std::nullopt},
      {"the other marker", 0x400, {{0x132, "TPT"}, {0x142, "TPT"}}, 0, std::nullopt},
      {"markers 16 apart elsewhere", 0x400, {{0x132, "TCS"}, {0x152, "TCS"}}, 0, std::nullopt},
      {"at position 0", 0x400, {{32, "TCS"}, {48, "TCS"}}, 0, 0},
      {"start on the table", 0x400, {{0x132, "TCS"}, {0x142, "TCS"}}, 0x112, 0x112},
      {"start past the table", 0x400, {{0x132, "TCS"}, {0x142, "TCS"}}, 0x113, std::nullopt},
      {"second marker ends the image", 0x145, {{0x132, "TCS"}, {0x142, "TCS"}}, 0, 0x112},
      {"second marker cut short", 0x144, {{0x132, "TCS"}, {0x142, "TC"}}, 0, std::nullopt},
      {"image shorter than a head", 20, {}, 0, std::nullopt},
      {"start beyond the image",
       0x400,
       {{0x132, "TCS"}, {0x142, "TCS"}},
       SIZE_MAX - 4,
       std::nullopt},
      {"a near miss before the match",
       0x400,
       {{0x40, "TCS"}, {0x50, "TCX"}, {0x60, "TCS"}, {0x70, "TCS"}},
       0,
       0x40},
  };
  for (const Case& c : cases) {
    ListImage image(c.size);
    for (const auto& [at, text] : c.writes) image.Put(at, text);
    EXPECT_EQ(FindTable("TCS", c.start, image.bytes), c.found) << c.what;
  }
}

TEST(FindTableTest, ListsOneCopyPerSection) {
  ListImage image(0x40000);
  for (const size_t at : {0x10020, 0x10060, 0x30000}) image.AddTable(at, "TCS", 30, 0);
  EXPECT_EQ(FindTableCopies("TCS", image.bytes), (std::vector<size_t>{0x10020, 0x30000}));
  EXPECT_TRUE(FindTableCopies("TPT", image.bytes).empty());
}

TEST(FieldTextTest, FrequencyShowsKilohertzWithTheUsersSeparator) {
  struct Case {
    uint32_t stored;
    char separator;
    const char* text;
  };
  const Case cases[] = {
      {0x54B1F1C0, ',', "1420947,904"},
      {0x54B1F1C0, '.', "1420947.904"},
      {1420000000, ',', "1420000"},
      {1420000500, ',', "1420000,5"},
      {1420000050, '.', "1420000.05"},
      {0, ',', "0"},
      {999, ',', "0,999"},
      {0xFFFFFFFF, ',', "4294967,295"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FrequencyText(c.stored, c.separator), c.text);
    const std::optional<double> back = ParseDecimalNumber(c.text, c.separator);
    ASSERT_TRUE(back) << c.text;
    EXPECT_EQ(static_cast<uint32_t>(std::llround(*back * 1000)), c.stored) << c.text;
  }
}

TEST(FieldTextTest, NumbersAreReadOnlyInTheirOwnForm) {
  EXPECT_EQ(ParseDecimalInteger("65535"), 65535);
  EXPECT_EQ(ParseDecimalInteger("-1"), -1);
  EXPECT_EQ(ParseDecimalInteger("+7"), 7);
  for (const char* bad : {"", "-", "12a", " 1", "1 ", "0x10", "1,5", "99999999999999999999"}) {
    EXPECT_FALSE(ParseDecimalInteger(bad)) << bad;
  }
  EXPECT_EQ(ParseDecimalNumber("1420947,904", ','), 1420947.904);
  EXPECT_EQ(ParseDecimalNumber("-2,5e3", ','), -2500.0);
  EXPECT_EQ(ParseDecimalNumber(",5", ','), 0.5);
  // With a decimal comma a point is an ordinary wrong character, and the other way round.
  for (const char* bad : {"1420947.904", "", ",", "1,2,3", "1e", "inf", "nan", "1,5x", "12 "}) {
    EXPECT_FALSE(ParseDecimalNumber(bad, ',')) << bad;
  }
  EXPECT_FALSE(ParseDecimalNumber("1420947,904", '.'));
}

TEST(FieldTextTest, SymbolRateFecAndTheirCodes) {
  SymbolRateTable rates{};
  rates[0] = 22000;
  rates[5] = 27500;
  EXPECT_EQ(SymbolRateText(5, rates), "27500");
  rates[5] = 0;
  EXPECT_EQ(SymbolRateText(5, rates), "05");
  EXPECT_EQ(SymbolRateText(16, rates), "10");
  EXPECT_EQ(SymbolRateText(0xAB, rates), "AB");

  const char* names[] = {"1/2", "2/3", "3/4", "5/6", "7/8", "8/9"};
  for (uint8_t code = 0; code < 6; ++code) {
    EXPECT_EQ(FecText(code), names[code]);
    EXPECT_EQ(FecCode(names[code]), code);
  }
  EXPECT_EQ(FecText(6), "06");
  EXPECT_EQ(FecCode("06"), 6);
  EXPECT_EQ(FecCode("FF"), 0xFF);
  EXPECT_EQ(FecCode("zz"), 0xFF);  // two characters are always a code; bad digits give all ones
  EXPECT_EQ(FecCode("ñ1"), 0xFF);  // two characters in three bytes
  for (const char* other : {"9/10", "", "1/3", "3", "é"}) EXPECT_EQ(FecCode(other), 5) << other;
}

class RecordsTest : public ::testing::Test {
 protected:
  Settings settings_ = ListSettings();
  TransponderTable transponders_{100};
  ChannelTable channels_{1000};
};

TEST_F(RecordsTest, TransponderFieldsAndFlags) {
  std::string image = TransponderBytes(0x54B1F1C0, 1017, 49, 12, 1, 6, 0x0B) +
                      TransponderBytes(1178000000, 5, 1, 3, 16, 2, 0xF4) +
                      TransponderBytes(950000000, 0xFFFF, 0, 0, 2, 4, 0x00);
  DecodeTransponders(image, 0, false, settings_, ',', transponders_);
  using C = TransponderColumn;
  const std::vector<std::vector<std::string>> expected = {
      {"1420947,904", "1017", "49", "12", "27500", "06", "On", "H", "Ku", "Hispasat"},
      {"1178000", "5", "1", "3", "10", "3/4", "Off", "V", "C", "Astra"},
      {"950000", "65535", "0", "0", "30000", "7/8", "Off", "V", "Ku", "Astra"},
  };
  for (int row = 1; row <= 3; ++row) {
    const auto& e = expected[static_cast<size_t>(row - 1)];
    EXPECT_EQ(transponders_.Cell(row, C::kNumber), std::to_string(row));
    const C columns[] = {C::kFrec, C::kTrsp,  C::kNet, C::kCan,   C::kSr,
                         C::kFec,  C::k22KHz, C::kPol, C::kBanda, C::kSat};
    for (size_t i = 0; i < e.size(); ++i) {
      EXPECT_EQ(transponders_.Cell(row, columns[i]), e[i]) << "row " << row << " field " << i;
    }
  }
  // The bytes behind the three records are missing: those rows read as zero records.
  EXPECT_EQ(transponders_.Cell(4, C::kFrec), "0");
  EXPECT_EQ(transponders_.Cell(99, C::kSr), "22000");

  // Written back, every field but the unused flag bits comes out as it went in. The rate "10"
  // names no entry, so that record keeps the code its place already holds.
  std::string written(image.size(), '\0');
  written[12 + 9] = 16;
  ASSERT_FALSE(EncodeTransponders(transponders_, 0, settings_, ',', written));
  std::string expected_bytes = image;
  expected_bytes[23] = 0x04;  // bits 4 to 7 of the flags are written as 0
  EXPECT_EQ(written, expected_bytes);
}

TEST_F(RecordsTest, SymbolRateTextFindsTheFirstCodeOrKeepsTheStoredOne) {
  settings_.symbol_rates = {22000, 27500, 27500};
  struct Case {
    const char* text;
    uint8_t stored;
    uint8_t written;
  };
  const Case cases[] = {
      {"27500", 9, 1},   // the first entry that holds it
      {"12345", 9, 9},   // in no entry: the stored code stays
      {"05", 9, 9},      // a decimal integer, and no entry is 5
      {"1A", 9, 0x1A},   // not decimal: hexadecimal
      {"xyz", 9, 0xFF},  // not hexadecimal either
      {"", 9, 0},        // the empty text is hexadecimal 0
  };
  for (const Case& c : cases) {
    std::string image = TransponderBytes(1, 1, 1, 1, c.stored, 0, 0);
    DecodeTransponders(image, 0, false, settings_, ',', transponders_);
    transponders_.SetCell(1, TransponderColumn::kSr, c.text);
    ASSERT_FALSE(EncodeTransponders(transponders_, 0, settings_, ',', image));
    EXPECT_EQ(static_cast<uint8_t>(image[9]), c.written) << c.text;
  }
}

TEST_F(RecordsTest, FlagTextsAreComparedExactly) {
  transponders_.Resize(2);
  struct Case {
    const char* on;
    const char* pol;
    const char* band;
    const char* sat;
    uint8_t flags;
  };
  const Case cases[] = {
      {"On", "H", "C", "Hispasat", 0x0F}, {"on", "h", "c", "hispasat", 0x00},
      {"Off", "V", "Ku", "Astra", 0x00},  {"On", "V", "Ku", "Astra", 0x01},
      {"X", "H", "", "Hispasat ", 0x02},
  };
  for (const Case& c : cases) {
    std::string image(12, '\0');
    ListRow& row = transponders_.Row(1);
    row = {"1", "1", "1", "1", "1/2", c.pol, "22000", c.on, "0", c.band, c.sat};
    ASSERT_FALSE(EncodeTransponders(transponders_, 0, settings_, ',', image));
    EXPECT_EQ(static_cast<uint8_t>(image[11]), c.flags) << c.on << c.pol << c.band << c.sat;
  }
}

TEST_F(RecordsTest, ChannelFieldsNamesAndColours) {
  std::string image =
      ChannelBytes({"Eurosport Italia", 0x2C, 3, 7, 0x200, 0x201, 0x20A, 0x20B, 0x200}) +
      ChannelBytes({"RNE", 0x04, 0, 8, 0xFFFF, 100, 0, 0, 100}) +
      ChannelBytes({"Catalu\xF1"
                    "a R.",
                    0x47, 2, 9, 0xFFFF, 0xFFFF, 0, 0, 0x1FFF});
  transponders_.SetCell(2, TransponderColumn::kSat, "Hispasat");
  transponders_.SetCell(3, TransponderColumn::kSat, "Astra");
  DecodeChannels(image, 0, false, {}, settings_, transponders_, channels_);
  const std::vector<ListRow> expected = {
      {"1", "Eurosport Italia", "3", "7", "512", "513", "522", "523", "512", "2C", "Astra"},
      {"2", "RNE", "0", "8", "65535", "100", "0", "0", "100", "04", "Astra"},
      {"3", "Cataluña R.", "2", "9", "65535", "65535", "0", "0", "8191", "47", "Hispasat"},
      {"4", "", "0", "0", "0", "0", "0", "0", "0", "00", "Astra"},
  };
  for (int row = 1; row <= 4; ++row) {
    EXPECT_EQ(channels_.Row(row), expected[static_cast<size_t>(row - 1)]) << "row " << row;
  }
  EXPECT_EQ(channels_.Colour(1), kServiceColour);
  EXPECT_EQ(channels_.Colour(2), kRadioColour);
  EXPECT_EQ(channels_.Colour(3), kDataColour);
  EXPECT_EQ(channels_.Colour(4), kEmptyColour);

  std::string written(image.size(), '\x77');
  ASSERT_FALSE(EncodeChannels(channels_, 0, written));
  EXPECT_EQ(written, image);  // 16 characters without a zero; 3 followed by 13 zeros
}

TEST_F(RecordsTest, ChannelSatelliteIsThatOfItsTransponderRow) {
  for (int row = 1; row < transponders_.RowCount(); ++row) {
    transponders_.SetCell(row, TransponderColumn::kSat, "Sat " + std::to_string(row));
  }
  struct Case {
    uint8_t transponder;
    const char* sat;
  };
  const Case cases[] = {{0, "Astra"}, {1, "Sat 1"}, {99, "Sat 99"}, {100, "Astra"}, {255, "Astra"}};
  for (const Case& c : cases) {
    const std::string image = ChannelBytes({"X", 0x04, c.transponder});
    DecodeChannels(image, 0, false, {}, settings_, transponders_, channels_);
    EXPECT_EQ(channels_.Cell(1, ChannelColumn::kSat), c.sat) << int{c.transponder};
    DecodeChannels(image, 0, false, {true, 0}, settings_, transponders_, channels_);
    EXPECT_EQ(channels_.Cell(1, ChannelColumn::kSat), "") << "a RAM list has no satellites";
  }
}

TEST_F(RecordsTest, ChannelFieldsKeepTheirLowBits) {
  channels_.Resize(2);
  channels_.Row(1) = {
      "1", "A name longer than sixteen", "258", "65536", "-1", "70000", "0", "0", "0", "zz", ""};
  std::string image(30, '\0');
  ASSERT_FALSE(EncodeChannels(channels_, 0, image));
  EXPECT_EQ(image, ChannelBytes({"A name longer th", 0xFF, 2, 0, 0xFFFF, 4464, 0, 0, 0}));
}

TEST(ChannelColourTest, FollowsVideoAndAudioPids) {
  struct Case {
    int64_t vpid;
    int64_t apid;
    Rgb colour;
  };
  const Case cases[] = {
      {65535, 100, {191, 208, 245}}, {65535, 0, {191, 208, 245}}, {65535, 65535, {191, 245, 192}},
      {100, 65535, {245, 226, 175}}, {0, 1, {245, 226, 175}},     {1, 0, {245, 226, 175}},
      {0, 0, {255, 255, 255}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChannelColour(c.vpid, c.apid), c.colour) << c.vpid << " " << c.apid;
  }
}

TEST_F(RecordsTest, ConversionErrorsNameTheCell) {
  transponders_.Resize(3);
  channels_.Resize(3);
  for (int row = 1; row <= 2; ++row) {
    SetBlankTransponderRow(transponders_, row, settings_);
    SetBlankChannelRow(channels_, row, settings_);
  }
  struct Case {
    int row;
    TransponderColumn column;
    const char* text;
    ConversionError::Kind kind;
  };
  const Case transponder_cases[] = {
      {2, TransponderColumn::kFrec, "", ConversionError::Kind::kFloat},
      {1, TransponderColumn::kFrec, "11778 MHz", ConversionError::Kind::kFloat},
      {1, TransponderColumn::kFrec, "1e30", ConversionError::Kind::kFloat},  // no 64-bit value
      {2, TransponderColumn::kTrsp, "1.5", ConversionError::Kind::kInteger},
      {1, TransponderColumn::kNet, "net", ConversionError::Kind::kInteger},
      {2, TransponderColumn::kCan, "", ConversionError::Kind::kInteger},
  };
  for (const Case& c : transponder_cases) {
    TransponderTable table = transponders_;
    table.SetCell(c.row, c.column, c.text);
    std::string image(24, '\0');
    EXPECT_EQ(EncodeTransponders(table, 0, settings_, ',', image),
              (ConversionError{c.kind, c.text}))
        << c.text;
  }
  for (const ChannelColumn column :
       {ChannelColumn::kTrsp, ChannelColumn::kSid, ChannelColumn::kPcr}) {
    ChannelTable table = channels_;
    table.SetCell(2, column, "12a");
    std::string image(60, '\0');
    EXPECT_EQ(EncodeChannels(table, 0, image),
              (ConversionError{ConversionError::Kind::kInteger, "12a"}));
  }
  const TextTable texts;
  EXPECT_EQ(ConversionErrorText({ConversionError::Kind::kInteger, "12a"}, texts),
            "'12a' no es un valor entero válido");
  EXPECT_EQ(ConversionErrorText({ConversionError::Kind::kFloat, ""}, texts),
            "'' no es un valor numérico válido");
}

TEST_F(RecordsTest, RecordsAreBoundedToTheImage) {
  // A table whose records run past the end: what is there is read, the rest reads as 0, and
  // writing touches only bytes that exist.
  const std::string whole = TransponderBytes(0x54B1F1C0, 7, 8, 9, 1, 2, 3);
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    const std::string image = whole.substr(0, cut);
    DecodeTransponders(image, 0, false, settings_, ',', transponders_);
    std::string padded = image + std::string(12 - cut, '\0');
    TransponderTable expected{100};
    DecodeTransponders(padded, 0, false, settings_, ',', expected);
    EXPECT_EQ(transponders_.Row(1), expected.Row(1)) << cut;

    std::string written(cut, '\x55');
    ASSERT_FALSE(EncodeTransponders(expected, 0, settings_, ',', written));
    EXPECT_EQ(written, padded.substr(0, cut)) << cut;
  }
  std::string empty;
  DecodeChannels(empty, SIZE_MAX - 10, false, {}, settings_, transponders_, channels_);
  EXPECT_EQ(channels_.Cell(999, ChannelColumn::kSid), "0");
  ASSERT_FALSE(EncodeChannels(channels_, SIZE_MAX - 10, empty));
  EXPECT_TRUE(empty.empty());
}

TEST_F(RecordsTest, EmptyRowsAndTheFirstOfThem) {
  EXPECT_EQ(FirstEmptyChannelRow(channels_), 1);  // a new table holds empty texts
  EXPECT_EQ(FirstEmptyTransponderRow(transponders_), 1);
  struct Case {
    const char* trsp;
    const char* sid;
    const char* vpid;
    bool empty;
  };
  const Case cases[] = {{"", "", "", true},     {"0", "0", "0", true},  {"0", "", "0", false},
                        {"1", "0", "0", false}, {"0", "0", "5", false}, {"", "", "00", false}};
  for (const Case& c : cases) {
    channels_.SetCell(3, ChannelColumn::kTrsp, c.trsp);
    channels_.SetCell(3, ChannelColumn::kSid, c.sid);
    channels_.SetCell(3, ChannelColumn::kVpid, c.vpid);
    EXPECT_EQ(IsEmptyChannelRow(channels_, 3), c.empty) << c.trsp << "|" << c.sid << "|" << c.vpid;
  }
  for (int row = 1; row < channels_.RowCount(); ++row) {
    channels_.SetCell(row, ChannelColumn::kSid, std::to_string(row));
  }
  EXPECT_EQ(FirstEmptyChannelRow(channels_), 1000);  // none empty: one past the last row
  channels_.SetCell(640, ChannelColumn::kSid, "0");
  channels_.SetCell(640, ChannelColumn::kTrsp, "0");
  channels_.SetCell(640, ChannelColumn::kVpid, "0");
  EXPECT_EQ(FirstEmptyChannelRow(channels_), 640);

  std::string image = TransponderBytes(1, 1, 1, 1, 0, 0, 0) + TransponderBytes(0, 0, 0, 4, 1, 2, 3);
  DecodeTransponders(image, 0, false, settings_, ',', transponders_);
  EXPECT_EQ(FirstEmptyTransponderRow(transponders_), 2);  // FREC, TRSP and NET all "0"
}

TEST_F(RecordsTest, BlankRows) {
  SetBlankChannelRow(channels_, 5, settings_);
  EXPECT_EQ(channels_.Row(5), (ListRow{"5", "", "0", "0", "0", "0", "0", "0", "0", "0", "Astra"}));
  SetBlankTransponderRow(transponders_, 7, settings_);
  EXPECT_EQ(transponders_.Row(7),
            (ListRow{"7", "0", "0", "0", "1/2", "V", "22000", "Off", "0", "Ku", "Astra"}));
  EXPECT_TRUE(IsEmptyChannelRow(channels_, 5));
  EXPECT_TRUE(IsEmptyTransponderRow(transponders_, 7));
}

}  // namespace
}  // namespace atalaya
