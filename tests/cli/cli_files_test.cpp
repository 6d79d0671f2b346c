// atalaya-cli on EEPROM files alone: converting between the formats and listing the fields.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/cli_run.h"

namespace atalaya {
namespace {

class CliFilesTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.path() + "/" + name; }
  QTemporaryDir dir_;
};

QByteArray Image() {
  QByteArray bytes(2048, static_cast<char>(0xFF));
  bytes.replace(0x002, 3, "ITA");
  bytes.replace(0x030, 8, QByteArray("HISPASA\0", 8));
  for (int i = 0x100; i < 0x200; ++i) bytes[i] = static_cast<char>(i * 3);
  return bytes;
}

TEST_F(CliFilesTest, ConvertsThroughEveryFormatWithoutLosingAByte) {
  WriteBytes(Path("a.bin"), Image());
  struct Step {
    QStringList arguments;
    qsizetype size;
  };
  const Step steps[] = {
      {{"eeprom", "convert", Path("a.bin"), Path("b.txt")}, 5758},                  // own text
      {{"eeprom", "convert", Path("b.txt"), Path("c.znb"), "--to", "znb"}, 4352},
      {{"eeprom", "convert", "--from", "znb", Path("c.znb"), Path("d.dat")}, 2048},  // raw
  };
  for (const Step& step : steps) {
    const CliRun run = RunCli(step.arguments);
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(ReadBytes(step.arguments[3 + (step.arguments[2] == "--from" ? 2 : 0)]).size(),
              step.size);
  }
  EXPECT_EQ(ReadBytes(Path("d.dat")), Image());
  EXPECT_TRUE(ReadBytes(Path("b.txt")).startsWith("%EE=00010FFFF495441"));
}

TEST_F(CliFilesTest, RefusesFilesItCannotRead) {
  WriteBytes(Path("short.bin"), QByteArray(2047, 'x'));
  WriteBytes(Path("notes.md"), "hello\n");
  QByteArray bad_line = "%EE=00010" + QByteArray(32, 'F') + "00\r\n";
  bad_line += "%EE=01010" + QByteArray(31, 'F') + "00\r\n";
  WriteBytes(Path("bad.txt"), bad_line);
  struct Case {
    QStringList arguments;
    const char* message;
  };
  const Case cases[] = {
      {{"eeprom", "convert", Path("short.bin"), Path("x.txt")},
       "La longitud del fichero es incorrecto."},
      {{"eeprom", "convert", Path("notes.md"), Path("x.txt")}, "¡ Fichero de eeprom erróneo !"},
      {{"eeprom", "show", Path("bad.txt")}, "La longitud de la línea 2 es incorrecta."},
      {{"eeprom", "show", Path("missing.bin")}, "No se ha podido leer el archivo :"},
      {{"eeprom", "convert", Path("short.bin"), Path("x.txt"), "--from", "zip"},
       "formato desconocido"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(c.arguments);
    EXPECT_NE(run.exit_code, 0) << c.message;
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(Path("x.txt")));
}

TEST_F(CliFilesTest, ShowListsEveryFieldWithItsLabel) {
  WriteBytes(Path("img.bin"), Image());
  const CliRun text = RunCli({"eeprom", "show", Path("img.bin")});
  ASSERT_EQ(text.exit_code, 0) << text.err.toStdString();
  EXPECT_TRUE(text.out.contains("Pais: ITA [495441]\n"));
  EXPECT_TRUE(text.out.contains("Satélite 2: Nombre del satélite: HISPASA\n"));
  EXPECT_TRUE(text.out.contains("Número de serie del decodificador: 000000000000"));

  const CliRun json = RunCli({"eeprom", "show", "--json", Path("img.bin")});
  ASSERT_EQ(json.exit_code, 0);
  EXPECT_TRUE(json.out.startsWith("{\n"));
  EXPECT_TRUE(json.out.contains(
      "\"pais\": {\"label\": \"Pais\", \"value\": \"ITA\", \"hex\": \"495441\"},"));
  EXPECT_TRUE(json.out.contains("\"satelite_2.nombre\": {"));
  EXPECT_EQ(json.out.count('\n'), text.out.count('\n') + 2);
}

}  // namespace
}  // namespace atalaya
