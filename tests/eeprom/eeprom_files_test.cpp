#include "core/eeprom/eeprom_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/config/text_table.h"
#include "core/eeprom/eeprom_image.h"
#include "support/recording_sinks.h"

namespace atalaya {
namespace {

constexpr char kBadFile[] = "¡ Fichero de eeprom erróneo !";
const std::string kFF32(32, 'F');

// Every byte value appears, at addresses that differ row to row, so a row or column that lands
// in the wrong place shows.
uint8_t PatternByte(int address) { return static_cast<uint8_t>(address * 37 + 11); }

EepromImage PatternImage() {
  EepromImage image;
  for (int address = 0; address < EepromImage::kSize; ++address) {
    image.SetCell(address / 16 + 1, address % 16 + 1, ByteText(PatternByte(address)));
  }
  return image;
}

// The 16 cells of every row, for comparing whole images.
std::vector<std::string> Rows(const EepromImage& image) {
  std::vector<std::string> rows;
  for (int row = 1; row <= EepromImage::kRows; ++row) rows.push_back(image.RowText(row));
  return rows;
}

// An own-text line with a checksum field that is never examined on load.
std::string OwnLine(const std::string& row_field, const std::string& data,
                    const std::string& checksum = "00") {
  return "%EE=" + row_field + "010" + data + checksum;
}

std::string Join(const std::vector<std::string>& lines, const std::string& end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

std::vector<std::string> Split(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size()) {
    lines.push_back(text.substr(start, at - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

// 128 valid own-text lines, row i holding i's two digits sixteen times, CR LF between them.
std::vector<std::string> ValidOwnLines() {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::vector<std::string> lines;
  for (int row = 0; row < 128; ++row) {
    const std::string digits{kDigits[row / 16], kDigits[row % 16]};
    std::string data;
    for (int i = 0; i < 16; ++i) data += digits;
    lines.push_back(OwnLine(digits, data));
  }
  return lines;
}

std::string WithoutLastLineEnd(std::string text) {
  text.resize(text.size() - 2);
  return text;
}

TEST(EepromFileTest, EachFormatRoundTripsAtItsExactSize) {
  struct Case {
    EepromFileFormat format;
    size_t size;
  };
  const Case cases[] = {
      {EepromFileFormat::kOwnText, 5758},
      {EepromFileFormat::kHexLines, 4352},
      {EepromFileFormat::kRaw, 2048},
  };
  const TextTable texts;
  const EepromImage original = PatternImage();
  for (const Case& c : cases) {
    const std::string file = SaveEepromFile(c.format, original);
    EXPECT_EQ(file.size(), c.size) << static_cast<int>(c.format);

    EepromImage loaded;  // all "FF": a row the load missed would show
    RecordingUser user;
    EXPECT_TRUE(LoadEepromFile(c.format, file, loaded, texts, user));
    EXPECT_TRUE(user.errors.empty());
    EXPECT_EQ(Rows(loaded), Rows(original)) << static_cast<int>(c.format);
  }
}

TEST(EepromFileTest, OwnTextLinesAreChecksummedWriteCommands) {
  EepromImage image;  // all "FF"
  image.SetCell(2, 16, "A5");
  const std::string file = SaveOwnText(image);
  ASSERT_EQ(file.size(), 5758u);
  EXPECT_NE(file.substr(file.size() - 2), "\r\n");
  const std::vector<std::string> lines = Split(file, "\r\n");
  ASSERT_EQ(lines.size(), 128u);
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 43u) << i;

  // Checksums worked out by hand: the complement of the XOR of characters 2 to 41.
  // Row 00: E^E = 0, "=" 3D, 0^0 = 0, 0^1^0 = 31, 32 "F" cancel out: 3D^31 = 0C, complement F3.
  EXPECT_EQ(lines[0], "%EE=00010" + kFF32 + "F3");
  // Row 01 with A5 last: 3D, then "0" 30 and "1" 31 give 3C, "010" gives 0D, the 30 "F" cancel
  // out, "A" 41 gives 4C, "5" 35 gives 79, complement 86.
  EXPECT_EQ(lines[1], "%EE=01010" + std::string(30, 'F') + "A586");
  // Row 7F: 3D^37 = 0A, ^46 = 4C, "010" gives 7D, complement 82.
  EXPECT_EQ(lines[127], "%EE=7F010" + kFF32 + "82");
}

TEST(EepromFileTest, HexLinesAndRawPutRowsAndBytesInAddressOrder) {
  EepromImage image;
  image.SetCell(1, 1, "A5");
  image.SetCell(128, 16, "3C");
  image.SetCell(2, 1, "07");

  const std::string lines = SaveHexLines(image);
  EXPECT_EQ(lines.substr(0, 68),
            "A5" + std::string(30, 'F') + "\r\n07" + std::string(30, 'F') + "\r\n");
  EXPECT_EQ(lines.substr(lines.size() - 34), std::string(30, 'F') + "3C\r\n");

  const std::string raw = SaveRaw(image);
  ASSERT_EQ(raw.size(), 2048u);
  EXPECT_EQ(static_cast<uint8_t>(raw[0]), 0xA5);
  EXPECT_EQ(static_cast<uint8_t>(raw[16]), 0x07);
  EXPECT_EQ(static_cast<uint8_t>(raw[2047]), 0x3C);
  EXPECT_EQ(static_cast<uint8_t>(raw[1]), 0xFF);
}

TEST(EepromFileTest, OwnTextValidationNamesTheFirstBadLine) {
  struct Case {
    const char* what;
    int line;  // 1-based line to replace, 0 for none
    std::string replacement;
    int code;
    int bad_line;
    std::string message;  // empty when the file passes
  };
  const std::string head = std::string(kBadFile) + "\n\r";
  const Case cases[] = {
      {"valid", 0, "", 0, 0, ""},
      {"row field and checksum not examined", 7, OwnLine("ZZ", kFF32, "zz"), 0, 0, ""},
      {"42 characters", 3, OwnLine("02", kFF32, "0"), 1, 3,
       head + "La longitud de la línea 3 es incorrecta."},
      {"44 characters", 1, OwnLine("00", kFF32, "000"), 1, 1,
       head + "La longitud de la línea 1 es incorrecta."},
      {"empty line", 50, "", 1, 50, head + "La longitud de la línea 50 es incorrecta."},
      {"length before command", 4, "%EF=03010" + kFF32 + "0", 1, 4,
       head + "La longitud de la línea 4 es incorrecta."},
      {"wrong command", 2, "%EF=01010" + kFF32 + "00", 2, 2,
       head + "El comando de la línea 2 es incorrecto"},
      {"wrong length field", 10, "%EE=09011" + kFF32 + "00", 2, 10,
       head + "El comando de la línea 10 es incorrecto"},
      {"command before hex", 5, "%EE=04011" + std::string(31, 'F') + "g00", 2, 5,
       head + "El comando de la línea 5 es incorrecto"},
      {"g in the last line", 128, OwnLine("7F", std::string(31, 'F') + "g"), 3, 128,
       head + "Valor hexadecimal inválido en la línea 128"},
      {"lower-case digit", 9, OwnLine("08", "a" + std::string(31, 'F')), 3, 9,
       head + "Valor hexadecimal inválido en la línea 9"},
      {"stray CR before the line end", 12, OwnLine("0B", kFF32) + "\r", 1, 12,
       head + "La longitud de la línea 12 es incorrecta."},
  };
  const TextTable texts;
  for (const Case& c : cases) {
    std::vector<std::string> lines = ValidOwnLines();
    if (c.line > 0) lines[static_cast<size_t>(c.line - 1)] = c.replacement;
    const std::string file = WithoutLastLineEnd(Join(lines, "\r\n"));

    const OwnTextCheck check = ValidateOwnText(file);
    EXPECT_EQ(check.code, c.code) << c.what;
    EXPECT_EQ(check.line, c.bad_line) << c.what;
    EXPECT_EQ(OwnTextCheckMessage(texts, check), c.message) << c.what;

    // A refused file shows exactly that message and leaves every cell alone.
    const EepromImage before = PatternImage();
    EepromImage image = PatternImage();
    RecordingUser user;
    EXPECT_EQ(LoadOwnText(file, image, texts, user), c.code == 0) << c.what;
    if (c.code == 0) {
      EXPECT_TRUE(user.errors.empty()) << c.what;
      EXPECT_NE(Rows(image), Rows(before)) << c.what;
    } else {
      EXPECT_EQ(user.errors, std::vector<std::string>{c.message}) << c.what;
      EXPECT_EQ(Rows(image), Rows(before)) << c.what;
    }
  }
}

TEST(EepromFileTest, OwnTextLinesGoToTheRowTheyName) {
  const std::string data5 = "00112233445566778899AABBCCDDEEFF";
  const std::string data5b = "0123456789ABCDEF0123456789ABCDEF";
  struct Case {
    const char* what;
    std::string file;
    std::map<int, std::string> changed_rows;  // grid row → new row text
  };
  const Case cases[] = {
      {"only row 05", OwnLine("05", data5) + "\r\n", {{6, data5}}},
      {"no final line end", OwnLine("05", data5), {{6, data5}}},
      {"LF line ends",
       Join({OwnLine("05", data5), OwnLine("7F", data5b)}, "\n"),
       {{6, data5}, {128, data5b}}},
      {"named twice, the later wins",
       Join({OwnLine("05", data5), OwnLine("05", data5b)}, "\r\n"),
       {{6, data5b}}},
      {"rows 80 and ZZ do not exist",
       Join({OwnLine("80", data5), OwnLine("ZZ", data5)}, "\r\n"),
       {}},
      {"empty file", "", {}},
  };
  const TextTable texts;
  for (const Case& c : cases) {
    EepromImage image = PatternImage();
    std::vector<std::string> expected = Rows(image);
    for (const auto& [row, text] : c.changed_rows) expected[static_cast<size_t>(row - 1)] = text;
    RecordingUser user;
    EXPECT_TRUE(LoadOwnText(c.file, image, texts, user)) << c.what;
    EXPECT_TRUE(user.errors.empty()) << c.what;
    EXPECT_TRUE(user.information.empty()) << c.what;
    EXPECT_EQ(Rows(image), expected) << c.what;
  }
}

TEST(EepromFileTest, HexLinesRefuseWhatIsPlainlyNotAZnb4720File) {
  const TextTable texts;
  const std::string own_text = SaveOwnText(PatternImage());
  const std::string cases[] = {own_text, "", "ABCD\r\n" + Join({kFF32}, "\r\n"), "\r\r\r"};
  for (const std::string& file : cases) {
    EepromImage image = PatternImage();
    RecordingUser user;
    EXPECT_FALSE(LoadHexLines(file, image, texts, user)) << file.substr(0, 10);
    EXPECT_EQ(user.errors, std::vector<std::string>{kBadFile}) << file.substr(0, 10);
    EXPECT_EQ(Rows(image), Rows(PatternImage()));
  }
}

TEST(EepromFileTest, HexLinesFillRowsUntilALineIsNotARow) {
  const std::string row_a = "00112233445566778899AABBCCDDEEFF";
  const std::string row_b = "0123456789ABCDEF0123456789ABCDEF";
  std::vector<std::string> hundred;
  for (int i = 0; i < 100; ++i) hundred.push_back(i % 2 ? row_a : row_b);
  std::vector<std::string> too_many(129, row_a);
  too_many[128] = row_b;
  struct Case {
    const char* what;
    std::string file;
    std::map<int, std::string> changed_rows;
  };
  const Case cases[] = {
      {"100 lines", Join(hundred, "\r\n"),
       [&] {
         std::map<int, std::string> rows;
         for (int i = 0; i < 100; ++i) rows[i + 1] = hundred[static_cast<size_t>(i)];
         return rows;
       }()},
      {"ZZ and lower case become FF",
       Join({"00ZZ2233445566778899AABBCCDDeeFF"}, "\r\n"),
       {{1, "00FF2233445566778899AABBCCDDFFFF"}}},
      {"stops at a 31-character line",
       Join({row_a, row_b, row_a.substr(1), row_b}, "\r\n"),
       {{1, row_a}, {2, row_b}}},
      {"stops at an empty line", Join({row_a, "", row_b}, "\r\n"), {{1, row_a}}},
      {"a stray CR makes 33 characters", Join({row_a, row_b + "\r", row_a}, "\r\n"), {{1, row_a}}},
      {"last line without line end", row_a + "\r\n" + row_b, {{1, row_a}, {2, row_b}}},
      {"five characters are not a row", "ABCDE\r\n" + row_a, {}},
      {"first line long but not a row", Join({row_a + "0", row_b}, "\r\n"), {}},
      {"nothing after row 128", Join(too_many, "\r\n"),
       [&] {
         std::map<int, std::string> rows;
         for (int row = 1; row <= 128; ++row) rows[row] = row_a;
         return rows;
       }()},
  };
  const TextTable texts;
  for (const Case& c : cases) {
    EepromImage image = PatternImage();
    std::vector<std::string> expected = Rows(image);
    for (const auto& [row, text] : c.changed_rows) expected[static_cast<size_t>(row - 1)] = text;
    RecordingUser user;
    EXPECT_TRUE(LoadHexLines(c.file, image, texts, user)) << c.what;
    EXPECT_TRUE(user.errors.empty()) << c.what;
    EXPECT_EQ(Rows(image), expected) << c.what;
  }
}

TEST(EepromFileTest, RawFilesMustBeExactly2048Bytes) {
  const TextTable texts;
  const std::string message = std::string(kBadFile) + "\n\rLa longitud del fichero es incorrecto.";
  for (size_t size : {size_t{2047}, size_t{2049}, size_t{0}}) {
    EepromImage image = PatternImage();
    RecordingUser user;
    EXPECT_FALSE(LoadRaw(std::string(size, '\x5A'), image, texts, user)) << size;
    EXPECT_EQ(user.errors, std::vector<std::string>{message}) << size;
    EXPECT_EQ(Rows(image), Rows(PatternImage())) << size;
  }

  std::string file(2048, '\0');
  file[0x123] = '\xB7';
  file[0x7FF] = '\x0C';
  EepromImage image = PatternImage();
  RecordingUser user;
  EXPECT_TRUE(LoadRaw(file, image, texts, user));
  EXPECT_EQ(image.Cell(19, 4), "B7");  // address 0x123: grid row 0x12 + 1, column 3 + 1
  EXPECT_EQ(image.Cell(128, 16), "0C");
  EXPECT_EQ(image.Cell(1, 1), "00");
}

TEST(EepromFileTest, OddCellsAreSavedAsTheyStand) {
  struct Case {
    const char* cell;
    size_t own_line_length;
    uint8_t raw_byte;
  };
  const Case cases[] = {
      {"F", 42, 0x0F}, {"7", 42, 0x07},  {"ABC", 44, 0xBC},
      {"", 41, 0x00},  {"G1", 43, 0xFF}, {"a5", 43, 0xFF},
  };
  for (const Case& c : cases) {
    EepromImage image;
    image.SetCell(3, 5, c.cell);  // address 024
    const std::vector<std::string> lines = Split(SaveOwnText(image), "\r\n");
    ASSERT_EQ(lines.size(), 128u);
    EXPECT_EQ(lines[2].size(), c.own_line_length) << c.cell;
    EXPECT_EQ(lines[2].substr(0, 17), "%EE=02010FFFFFFFF") << c.cell;
    EXPECT_EQ(lines[2].substr(17, std::string(c.cell).size()), c.cell);
    EXPECT_EQ(lines[3].size(), 43u) << c.cell;

    const std::string raw = SaveRaw(image);
    ASSERT_EQ(raw.size(), 2048u);
    EXPECT_EQ(static_cast<uint8_t>(raw[0x24]), c.raw_byte) << c.cell;
    EXPECT_EQ(static_cast<uint8_t>(raw[0x23]), 0xFF) << c.cell;
    EXPECT_EQ(static_cast<uint8_t>(raw[0x25]), 0xFF) << c.cell;
  }
}

TEST(EepromFileTest, GuessesTheFormatFromContentThenExtension) {
  const std::string own_text = SaveOwnText(PatternImage());
  const std::string hex_lines = SaveHexLines(PatternImage());
  std::string raw(2048, '\0');
  for (size_t i = 0; i < raw.size(); ++i)
    raw[i] = static_cast<char>(PatternByte(static_cast<int>(i)));
  // 2048 bytes that are text: 128 lines of 14 digits and CR LF.
  const std::string short_hex_lines = Join(std::vector<std::string>(128, "0123456789abcd"), "\r\n");
  ASSERT_EQ(short_hex_lines.size(), 2048u);
  // 2048 bytes in 128 lines that are not hexadecimal: still raw.
  const std::string raw_text_lines = Join(std::vector<std::string>(128, "0123456789ABCG"), "\r\n");
  const std::string raw_of_digits = std::string(2048, '7');  // one 2048-digit line
  const std::string lower_hex_lines = Join({"00112233445566778899aabbccddeeff"}, "\r\n");
  using F = EepromFileFormat;
  struct Case {
    const char* what;
    std::string bytes;
    const char* name;
    std::optional<EepromFileFormat> format;
  };
  const Case cases[] = {
      {"own text beats .bin", own_text, "dump.bin", F::kOwnText},
      {"own text with LF", Join({OwnLine("00", kFF32)}, "\n"), "dump", F::kOwnText},
      {"2048 bytes beat .txt", raw, "dump.txt", F::kRaw},
      {"2048 bytes, no extension", raw, "dump", F::kRaw},
      {"2048 bytes of non-hex lines", raw_text_lines, "dump.txt", F::kRaw},
      {"2048 digits on one line", raw_of_digits, "dump", F::kRaw},
      {"2048 bytes of hex lines, .bin", short_hex_lines, "dump.bin", F::kRaw},
      {"2048 bytes of hex lines, .txt", short_hex_lines, "dump.txt", F::kOwnText},
      {"2048 bytes of hex lines, no extension", short_hex_lines, "dump", std::nullopt},
      {"ZNB4720 beats .bin", hex_lines, "dump.bin", F::kHexLines},
      {"ZNB4720, no extension", hex_lines, "dump", F::kHexLines},
      {"lower-case ZNB4720 left to .txt", lower_hex_lines, "dump.txt", F::kOwnText},
      {"lower-case ZNB4720, no extension", lower_hex_lines, "dump", std::nullopt},
      {".TXT in upper case", "hello", "/tmp/DUMP.TXT", F::kOwnText},
      {".Bin in mixed case", "hello", "dump.Bin", F::kRaw},
      {"unknown extension", "hello", "dump.dat", std::nullopt},
      {"dot only in a folder name", "hello", "/tmp/old.txt/dump", std::nullopt},
      {"empty .bin", "", "empty.bin", F::kRaw},
      {"empty, no name", "", "", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GuessEepromFileFormat(c.bytes, c.name), c.format) << c.what;
  }
}

TEST(EepromFileTest, HostileInputIsRefusedOrIgnoredWithoutHarm) {
  struct Case {
    const char* what;
    std::string bytes;
    int own_code;       // ValidateOwnText's code, always on line 1
    bool hex_accepted;  // LoadHexLines accepts the file, though it changes no row
    std::optional<EepromFileFormat> guess;  // for a name that says nothing
  };
  const Case cases[] = {
      {"NUL bytes in a 43-byte line", std::string(43, '\0'), 2, true, std::nullopt},
      {"NUL bytes after a command", "%EE=00010" + std::string(34, '\0'), 3, false,
       EepromFileFormat::kOwnText},
      {"1 MB line", std::string(1 << 20, 'A'), 1, true, std::nullopt},
      {"1 MB of CR", std::string(1 << 20, '\r'), 1, true, std::nullopt},
      {"three CR", "\r\r\r", 1, false, std::nullopt},
      {"only line ends", std::string(1000, '\n'), 1, false, std::nullopt},
      {"CR LF pairs", Join(std::vector<std::string>(100, ""), "\r\n"), 1, false, std::nullopt},
  };
  const TextTable texts;
  for (const Case& c : cases) {
    const OwnTextCheck check = ValidateOwnText(c.bytes);
    EXPECT_EQ(check.code, c.own_code) << c.what;
    EXPECT_EQ(check.line, 1) << c.what;
    for (EepromFileFormat format :
         {EepromFileFormat::kOwnText, EepromFileFormat::kHexLines, EepromFileFormat::kRaw}) {
      EepromImage image = PatternImage();
      RecordingUser user;
      const bool accepted = LoadEepromFile(format, c.bytes, image, texts, user);
      EXPECT_EQ(accepted, format == EepromFileFormat::kHexLines && c.hex_accepted) << c.what;
      EXPECT_EQ(user.errors.size(), accepted ? 0u : 1u) << c.what;
      EXPECT_EQ(Rows(image), Rows(PatternImage())) << c.what;
    }
    EXPECT_EQ(GuessEepromFileFormat(c.bytes, "x.dat"), c.guess) << c.what;
  }
  // 2048 NUL bytes are a raw file of zeros.
  EepromImage image;
  RecordingUser user;
  EXPECT_TRUE(LoadRaw(std::string(2048, '\0'), image, texts, user));
  EXPECT_EQ(image.RowText(128), std::string(32, '0'));
}

}  // namespace
}  // namespace atalaya
