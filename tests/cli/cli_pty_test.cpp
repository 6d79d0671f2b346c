// atalaya-cli against the virtual decoder program over a real pseudo-terminal: the whole path a
// technician's script takes, serial port included.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "support/cli_run.h"
#include "support/virtual_decoder_process.h"

namespace atalaya {
namespace {

QByteArray Pattern(int seed) {
  QByteArray bytes(2048, '\0');
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
  return bytes;
}

class CliPtyTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.path() + "/" + name; }
  QTemporaryDir dir_;
};

TEST_F(CliPtyTest, ReadsWritesAndVerifiesTheDecodersEeprom) {
  WriteBytes(Path("decoder.bin"), Pattern(3));
  VirtualDecoderProcess decoder({"--eeprom", Path("decoder.bin")});
  ASSERT_TRUE(decoder.started());

  CliRun read = RunCli({"eeprom", "read", "--port", decoder.device(), Path("read.bin")});
  EXPECT_EQ(read.exit_code, 0) << read.err.toStdString();
  EXPECT_EQ(ReadBytes(Path("read.bin")), Pattern(3));
  EXPECT_TRUE(read.out.isEmpty());
  EXPECT_TRUE(read.err.contains("¡ Eeprom leída con éxito !"));

  WriteBytes(Path("new.bin"), Pattern(100));
  CliRun write = RunCli({"eeprom", "write", "--port", decoder.device(), Path("new.bin")});
  EXPECT_EQ(write.exit_code, 0) << write.err.toStdString();

  CliRun verify = RunCli({"eeprom", "verify", "--port", decoder.device(), Path("new.bin")});
  EXPECT_EQ(verify.exit_code, 0) << verify.err.toStdString();
  EXPECT_TRUE(verify.out.isEmpty());

  QByteArray changed = Pattern(100);
  changed[0x35] = 0;
  changed[0x7F0] = 1;
  WriteBytes(Path("changed.bin"), changed);
  CliRun differs = RunCli({"eeprom", "verify", "--port", decoder.device(), Path("changed.bin")});
  EXPECT_EQ(differs.exit_code, 1);
  EXPECT_EQ(differs.out, "030: ¡ Esta línea no es igual que la original !\n"
                         "7F0: ¡ Esta línea no es igual que la original !\n");

  ASSERT_TRUE(decoder.Stop());
  EXPECT_EQ(ReadBytes(Path("decoder.bin")), Pattern(100));  // nothing lost on the decoder's side
}

TEST_F(CliPtyTest, PartialRangesLeaveTheOtherRowsFF) {
  WriteBytes(Path("decoder.bin"), Pattern(9));
  VirtualDecoderProcess decoder({"--eeprom", Path("decoder.bin")});
  ASSERT_TRUE(decoder.started());
  struct Case {
    const char* range;
    int first;
    int end;  // bytes first … end − 1 come from the decoder
  };
  for (const Case& c : {Case{"low", 0, 0xB0}, Case{"row:5", 0x50, 0x60}}) {
    CliRun read = RunCli({"eeprom", "read", "--range", c.range, "--port", decoder.device(),
                          Path("part.bin")});
    ASSERT_EQ(read.exit_code, 0) << read.err.toStdString();
    QByteArray expected(2048, static_cast<char>(0xFF));
    expected.replace(c.first, c.end - c.first, Pattern(9).mid(c.first, c.end - c.first));
    EXPECT_EQ(ReadBytes(Path("part.bin")), expected) << c.range;
  }
}

TEST_F(CliPtyTest, SendPrintsTheReplyAndFailuresSayWhy) {
  VirtualDecoderProcess decoder({"--refuse-row", "2"});
  ASSERT_TRUE(decoder.started());
  CliRun send = RunCli({"send", "--port", decoder.device(), "%PR?"});
  EXPECT_EQ(send.exit_code, 0) << send.err.toStdString();
  EXPECT_EQ(send.out, "$.PR\n");

  // Without its checksum the decoder waits for the rest of the command: no reply.
  CliRun silent = RunCli({"send", "--timeout", "300", "--no-checksum", "--port", decoder.device(),
                          "%PR?"});
  EXPECT_EQ(silent.exit_code, 1);
  EXPECT_TRUE(silent.err.contains("¡ No hay respuesta del decodificador en ese puerto serie !"));

  CliRun refused = RunCli({"eeprom", "read", "--port", decoder.device(), Path("never.bin")});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_TRUE(refused.err.contains("Se ha llegado al limite de reintentos."));
  EXPECT_FALSE(QFile::exists(Path("never.bin")));  // nothing written from a failed read

  WriteBytes(Path("short.bin"), QByteArray(2047, 'x'));
  CliRun short_file = RunCli({"eeprom", "write", "--port", decoder.device(), Path("short.bin")});
  EXPECT_EQ(short_file.exit_code, 1);
  EXPECT_TRUE(short_file.err.contains("La longitud del fichero es incorrecto."));

  CliRun no_port = RunCli({"eeprom", "read", "--port", Path("no-such-device"), Path("x.bin")});
  EXPECT_EQ(no_port.exit_code, 1);
  EXPECT_FALSE(no_port.err.isEmpty());

  CliRun usage = RunCli({"eeprom", "read", Path("x.bin")});
  EXPECT_EQ(usage.exit_code, 2);
  EXPECT_TRUE(usage.err.contains("--port"));
}

}  // namespace
}  // namespace atalaya

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
