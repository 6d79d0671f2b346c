#include "core/config/ini_file.h"

#include <gtest/gtest.h>

namespace atalaya {
namespace {

// A file written by hand: comments, other sections, odd spacing, CR LF line ends.
const char kMixedFile[] =
    "; settings written by hand\r\n"
    "[Other]\r\n"
    "Velocidad=3\r\n"
    "\r\n"
    "[tform1]\r\n"
    "  Velocidad =  9  \r\n"
    "velocidad=4\r\n"
    "Empty=   \r\n"
    "no equals sign here\r\n"
    "Texto= Hola mundo \r\n"
    "Ruta=C:\\a=b\r\n"
    "Pesta\xF1" "aActiva=5\r\n"
    "\r\n"
    "  [Later]  \r\n"
    "Checksum=0\r\n";

TEST(IniFileTest, ReadsKeysOfTheRightSection) {
  const IniFile ini = IniFile::FromBytes(kMixedFile);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"TForm1", "Velocidad", "9"},         // header case ignored, key and value trimmed
      {"TForm1", "velocidad", "4"},         // keys compare exactly
      {"TForm1", "VELOCIDAD", std::nullopt},
      {"Other", "Velocidad", "3"},
      {"TForm1", "Empty", std::nullopt},    // an empty value is missing
      {"TForm1", "Texto", "Hola mundo"},
      {"TForm1", "Ruta", "C:\\a=b"},        // the value starts after the first "="
      {"TForm1", "PestañaActiva", "5"},      // Windows-1252 key
      {"TForm1", "Checksum", std::nullopt},  // belongs to the next section
      {"Later", "Checksum", std::nullopt},   // "  [Later]  " ends a section but is no header
      {"Missing", "Velocidad", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.Read(c.section, c.key), c.expected) << c.section << "/" << c.key;
  }
}

// A section or key written twice: the first counts, for reads and writes alike, and a read
// after a write sees the file as written.
TEST(IniFileTest, TheFirstOfTwoSectionsOrKeysCounts) {
  IniFile ini = IniFile::FromBytes(
      "[A]\r\nk=1\r\nk=2\r\n[b]\r\nj=3\r\n[a]\r\nk=4\r\nonly=5\r\n[B]\r\nj=6\r\n");
  EXPECT_EQ(ini.Read("A", "k"), "1");
  EXPECT_EQ(ini.Read("a", "only"), std::nullopt);  // in the second [a], which is never read
  EXPECT_EQ(ini.Read("B", "j"), "3");

  ini.WriteString("a", "k", "7");
  ini.WriteString("A", "only", "8");
  ini.WriteString("C", "n", "9");
  EXPECT_EQ(ini.Read("A", "k"), "7");
  EXPECT_EQ(ini.Read("A", "only"), "8");
  EXPECT_EQ(ini.Read("B", "j"), "3");  // the sections after the new line moved down with it
  EXPECT_EQ(ini.Read("c", "n"), "9");
  ini.WriteString("b", "j", "10");
  ini.WriteString("b", "m", "11");
  EXPECT_EQ(ini.Read("B", "m"), "11");
  EXPECT_EQ(ini.ToBytes(),
            "[A]\r\nk=7\r\nk=2\r\nonly=8\r\n[b]\r\nj=10\r\nm=11\r\n[a]\r\nk=4\r\nonly=5\r\n"
            "[B]\r\nj=6\r\n\r\n[C]\r\nn=9\r\n");
}

TEST(IniFileTest, ReadsLfFilesAndFilesWithoutFinalLineEnd) {
  for (const char* bytes : {"[A]\nk=1\nj=2", "[A]\r\nk=1\r\nj=2\r\n", "[A]\nk=1\r\nj=2\n"}) {
    const IniFile ini = IniFile::FromBytes(bytes);
    EXPECT_EQ(ini.Read("A", "k"), "1") << bytes;
    EXPECT_EQ(ini.Read("A", "j"), "2") << bytes;
  }
}

TEST(IniFileTest, TypedReadsFallBackOnMissingOrUnreadableValues) {
  const IniFile ini = IniFile::FromBytes("[S]\nhex=$1F\nbad=abc\nflag=5\nno=0\nyes=yes\n");
  EXPECT_EQ(ini.ReadInteger("S", "hex", 7), 31);
  EXPECT_EQ(ini.ReadInteger("S", "bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "none", 7), 7);
  EXPECT_TRUE(ini.ReadBool("S", "flag", false));
  EXPECT_FALSE(ini.ReadBool("S", "no", true));
  EXPECT_TRUE(ini.ReadBool("S", "yes", true));
  EXPECT_FALSE(ini.ReadBool("S", "yes", false));
  EXPECT_EQ(ini.ReadString("S", "none", "def"), "def");
}

TEST(IniFileTest, ParsesTheIntegerForms) {
  struct Case {
    const char* text;
    std::optional<int64_t> value;
  };
  const Case cases[] = {
      {"10", 10},          {"-5", -5},          {"+7", 7},           {"$9", 9},
      {"0x9", 9},          {"0X1f", 31},        {"$ff", 255},        {"-$10", -16},
      {"0", 0},            {"0x", std::nullopt}, {"$", std::nullopt}, {"", std::nullopt},
      {"abc", std::nullopt}, {"12a", std::nullopt}, {"1 2", std::nullopt},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},
      {"$FFFFFFFFFFFFFFFF", -1},
      {"$10000000000000000", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.value) << c.text;
}

// A sign before a hexadecimal bit pattern negates it in 64 bits, the lowest value included:
// settings files come from anywhere, and "-$8000000000000000" once overflowed the negation.
TEST(IniFileTest, NegatesHexadecimalPatternsWithoutOverflow) {
  struct Case {
    const char* text;
    int64_t value;
  };
  const Case cases[] = {
      {"-$8000000000000000", INT64_MIN},
      {"-0x8000000000000000", INT64_MIN},
      {"-$7FFFFFFFFFFFFFFF", -INT64_MAX},
      {"-$FFFFFFFFFFFFFFFF", 1},
      {"+$8000000000000000", INT64_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.value) << c.text;
  const IniFile ini = IniFile::FromBytes("[TForm1]\r\nTop=-$8000000000000000\r\n");
  EXPECT_EQ(ini.ReadInteger("TForm1", "Top", 0), INT64_MIN);
}

// A file that ends with a carriage return and no line feed, as a CR LF file cut short: the CR
// ends the last line. Added lines must not turn it into a CR LF of its own (the next read
// would take a file of LF lines for CR LF and the next save would rewrite every line end), and
// a section header ending there is the section.
TEST(IniFileTest, ACarriageReturnEndingTheFileEndsTheLastLine) {
  struct Case {
    const char* name;
    std::string file;
    std::string saved;
  };
  const Case cases[] = {
      {"new section, LF file", "[S]\nk=1\r", "[S]\nk=1\n\n[TForm1]\nTop=5\n"},
      {"several CRs, LF file", "[S]\nk=1\r\r", "[S]\nk=1\n\n[TForm1]\nTop=5\n"},
      {"key at the end, LF file", "[TForm1]\nLeft=1\r", "[TForm1]\nLeft=1\nTop=5\n"},
      {"new section, CR LF file", "[S]\r\nk=1\r", "[S]\r\nk=1\r\n\r\n[TForm1]\r\nTop=5\r\n"},
      {"header at the end", "; c\n[TForm1]\r", "; c\n[TForm1]\nTop=5\n"},
      // Once its carriage returns go, the last line is the header sought: the key goes under
      // it, not under a second header of the same name that every later read would miss.
      {"header and several CRs at the end", "; c\n[TForm1]\r\r\r", "; c\n[TForm1]\nTop=5\n"},
      {"header alone", "[TForm1]\r", "[TForm1]\r\nTop=5\r\n"},
      {"key replaced in place", "[TForm1]\r\nTop=1\r", "[TForm1]\r\nTop=5\r"},
      {"no line end", "[S]\nk=1", "[S]\nk=1\n\n[TForm1]\nTop=5\n"},
  };
  for (const Case& c : cases) {
    IniFile ini = IniFile::FromBytes(c.file);
    EXPECT_EQ(ini.ToBytes(), c.file) << c.name;  // unchanged, it is written back as it was
    ini.WriteInteger("TForm1", "Top", 5);
    EXPECT_EQ(ini.ToBytes(), c.saved) << c.name;
    // Read again and saved again, it stays as it is.
    IniFile again = IniFile::FromBytes(c.saved);
    EXPECT_EQ(again.ReadInteger("TForm1", "Top", 0), 5) << c.name;
    again.WriteInteger("TForm1", "Top", 5);
    EXPECT_EQ(again.ToBytes(), c.saved) << c.name;
  }
}

TEST(IniFileTest, WritingTouchesOnlyTheKeysLine) {
  IniFile ini = IniFile::FromBytes(kMixedFile);
  ini.WriteString("TForm1", "Velocidad", "6");
  std::string expected = kMixedFile;
  expected.replace(expected.find("  Velocidad =  9  "), 18, "Velocidad=6");
  EXPECT_EQ(ini.ToBytes(), expected);
}

TEST(IniFileTest, InsertsMissingKeysAtTheEndOfTheirSection) {
  IniFile ini = IniFile::FromBytes("[A]\nx=1\n\n[B]\ny=2\n");
  ini.WriteInteger("A", "new", 5);
  ini.WriteBool("B", "flag", true);
  EXPECT_EQ(ini.ToBytes(), "[A]\nx=1\nnew=5\n\n[B]\ny=2\nflag=1\n");
}

TEST(IniFileTest, AppendsAMissingSectionAfterAnEmptyLine) {
  IniFile ini = IniFile::FromBytes("; only a comment\r\n[Other]\r\nk=v");
  ini.WriteString("TForm1", "Top", "0");
  ini.WriteString("TForm1", "Left", "3");
  EXPECT_EQ(ini.ToBytes(),
            "; only a comment\r\n[Other]\r\nk=v\r\n\r\n[TForm1]\r\nTop=0\r\nLeft=3\r\n");
}

TEST(IniFileTest, ANewFileStartsWithAnEmptyLineAndTheHeader) {
  IniFile ini;
  ini.WriteString("TForm1", "PestañaActiva", "2");
  EXPECT_EQ(ini.ToBytes(), "\r\n[TForm1]\r\nPesta\xF1" "aActiva=2\r\n");
  EXPECT_EQ(IniFile::FromBytes(ini.ToBytes()).Read("tform1", "PestañaActiva"), "2");
}

}  // namespace
}  // namespace atalaya
