// The decoder's end of the line going away in the middle of a task: the virtual decoder program
// killed with SIGKILL, so the kernel closes its side of the pseudo-terminal under the open port,
// as when a USB adapter is pulled out. The task must end at its time-out with the rows answered
// before, the port's error said once, the port closed rather than left spinning on a dead
// device, and the next task able to run once the decoder is back.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <numeric>
#include <vector>

#include "fault_support.h"

namespace atalaya::faults {
namespace {

// Each reply one byte at a time, so a whole read takes seconds and there is time to pull the
// plug in the middle of it.
const QStringList kSlowReplies = {"--chunk", "1"};

// The rows (0-based) whose command the log shows answered, in the order of the answers.
std::vector<int> AnsweredRows(const QStringList& log) {
  std::vector<int> rows;
  for (int i = 0; i + 1 < log.size(); ++i) {
    if (log[i].startsWith("%EE") && log[i + 1].startsWith("$.EE")) {
      rows.push_back(log[i].mid(4, 2).toInt(nullptr, 16));
    }
  }
  return rows;
}

// The port's own report: the device and the reason, said once before the time-out's message.
void ExpectPortLost(const std::vector<std::string>& errors, const QString& device,
                    const std::vector<std::string>& then) {
  ASSERT_EQ(errors.size(), 1 + then.size());
  const std::string head = device.toStdString() + ": ";
  EXPECT_TRUE(errors[0].starts_with(head) && errors[0].size() > head.size()) << errors[0];
  EXPECT_EQ(std::vector<std::string>(errors.begin() + 1, errors.end()), then);
}

std::string KindName(const ::testing::TestParamInfo<TransferKind>& info) {
  static const char* const kNames[] = {"Read", "Write", "Verify"};
  return kNames[static_cast<int>(info.param)];
}

class VanishingPortTest : public ::testing::TestWithParam<TransferKind> {};

TEST_P(VanishingPortTest, TheTaskEndsAtItsTimeOutWithTheRowsAnsweredBefore) {
  const TransferKind kind = GetParam();
  const QByteArray decoder_eeprom = Pattern(1);
  DecoderWindow f(kSlowReplies, decoder_eeprom);
  ASSERT_TRUE(f.ready());
  QByteArray before = kind == TransferKind::kWrite ? Pattern(2) : decoder_eeprom;
  before[2 * 16] = 0;  // a row verifying finds different
  if (kind != TransferKind::kRead) {
    f.window().image().LoadBytes(reinterpret_cast<const uint8_t*>(before.constData()), 0, 2048);
  }

  f.Start(kind, TransferRange::kAll);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return f.window().link().row_counter() >= 3; }, kTaskEndWaitMs));
  f.decoder().Kill();
  ASSERT_TRUE(f.WaitForTaskEnd());

  ExpectPortLost(f.user().errors, f.decoder().device(), {kNoReply});
  EXPECT_TRUE(f.user().information.empty());
  EXPECT_TRUE(f.PagesUnlocked());
  EXPECT_FALSE(f.window().serial_port().IsOpen());
  const QStringList log = f.EepromLog();
  EXPECT_EQ(log.back().toStdString(), kNoReplyLine);

  const std::vector<int> answered = AnsweredRows(log);
  ASSERT_GE(answered.size(), 3u);
  ASSERT_LT(answered.size(), 128u);  // the plug was pulled in the middle
  std::vector<int> one_after_another(answered.size());
  std::iota(one_after_another.begin(), one_after_another.end(), 0);
  EXPECT_EQ(answered, one_after_another);
  const int first_unanswered = static_cast<int>(answered.size());

  const QByteArray decoder_now = f.DecoderEepromFile();  // as the killed decoder left it
  std::vector<bool> verdicts, expected_verdicts;
  for (const QString& line : log) {
    if (line == "Línea verificada.") verdicts.push_back(true);
    if (line == "¡ Esta línea no es igual que la original !") verdicts.push_back(false);
  }
  for (int row = 0; row < 128; ++row) {
    const bool was_answered = row < first_unanswered;
    switch (kind) {
      case TransferKind::kRead:
        EXPECT_EQ(ImageRow(f.window().image(), row),
                  was_answered ? HexRow(Row(decoder_eeprom, row)) : std::string(32, 'F'))
            << "row " << row;
        break;
      case TransferKind::kWrite:
        // The row in flight may have been stored before the plug was pulled.
        if (row != first_unanswered) {
          EXPECT_EQ(Row(decoder_now, row), Row(was_answered ? before : decoder_eeprom, row))
              << "row " << row;
        }
        break;
      case TransferKind::kVerify:
        if (was_answered) expected_verdicts.push_back(Row(before, row) == Row(decoder_eeprom, row));
        break;
    }
    if (kind != TransferKind::kWrite) {
      EXPECT_EQ(Row(decoder_now, row), Row(decoder_eeprom, row)) << "row " << row;
    }
  }
  EXPECT_EQ(verdicts, expected_verdicts);
}

INSTANTIATE_TEST_SUITE_P(EveryTransfer, VanishingPortTest,
                         ::testing::Values(TransferKind::kRead, TransferKind::kWrite,
                                           TransferKind::kVerify),
                         KindName);

TEST(VanishingPortTerminalTest, ALineWaitingForItsReplyEndsAtTheTimeOut) {
  DecoderWindow f({"--silent"}, Pattern(1));
  ASSERT_TRUE(f.ready());
  f.Type("%PR?");
  ASSERT_TRUE(f.window().link().awaiting_reply());
  f.decoder().Kill();
  ASSERT_TRUE(f.WaitForReplyOrTimeOut());
  ExpectPortLost(f.user().errors, f.decoder().device(), {});
  EXPECT_EQ(f.TerminalLines().back().toStdString(), kNoReplyLine);
  EXPECT_FALSE(f.window().serial_port().IsOpen());
  EXPECT_TRUE(f.PagesUnlocked());
}

TEST(VanishingPortTerminalTest, TheNextTaskRunsOnceTheDecoderIsBack) {
  DecoderWindow f(kSlowReplies, Pattern(1), /*through_link=*/true);
  ASSERT_TRUE(f.ready());
  f.Start(TransferKind::kRead, TransferRange::kAll);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return f.window().link().row_counter() >= 2; }, kTaskEndWaitMs));
  f.decoder().Kill();
  ASSERT_TRUE(f.WaitForTaskEnd());
  ExpectPortLost(f.user().errors, f.port_link(), {kNoReply});

  // While the device is gone a task says so and ends at its time-out.
  f.user().errors.clear();
  f.Start(TransferKind::kRead, TransferRange::kSelectedRow, 1);
  ASSERT_TRUE(f.WaitForTaskEnd());
  ExpectPortLost(f.user().errors, f.port_link(), {kNoReply});
  EXPECT_TRUE(f.user().information.empty());

  // Another decoder takes the name over: the same window reads it whole.
  const QString eeprom = f.data().path() + "/back.bin";
  f.data().Write("back.bin", Pattern(5));
  VirtualDecoderProcess back({"--eeprom", eeprom, "--link", f.port_link()});
  ASSERT_TRUE(back.started());
  f.user().errors.clear();
  f.Start(TransferKind::kRead, TransferRange::kAll);
  ASSERT_TRUE(f.WaitForTaskEnd());
  EXPECT_TRUE(f.user().errors.empty());
  EXPECT_EQ(f.user().information, std::vector<std::string>{kReadDone});
  EXPECT_TRUE(f.window().serial_port().IsOpen());
  const auto bytes = f.window().image().Bytes();
  ASSERT_TRUE(bytes);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes->data()), 2048), Pattern(5));
}

TEST(VanishingPortCliTest, AWriteEndsAtTheTimeOutWithTheRowsTakenInOrder) {
  QTemporaryDir dir;
  const QString decoder_file = dir.path() + "/decoder.bin";
  const QString new_file = dir.path() + "/new.bin";
  WriteBytes(decoder_file, Pattern(1));
  WriteBytes(new_file, Pattern(2));
  VirtualDecoderProcess decoder(QStringList(kSlowReplies) << "--eeprom" << decoder_file);
  ASSERT_TRUE(decoder.started());

  QProcess cli;
  cli.start(ATALAYA_CLI_PATH, {"eeprom", "write", "--timeout", QString::number(kReplyIntervalMs),
                               "--port", decoder.device(), new_file});
  // The decoder stores each row as it takes it: three rows in, the plug is pulled.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return ReadBytes(decoder_file).left(3 * 16) == Pattern(2).left(3 * 16); },
      kTaskEndWaitMs));
  decoder.Kill();
  ASSERT_TRUE(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, kTaskEndWaitMs));
  EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(cli.exitCode(), 1);
  const QString err = QString::fromUtf8(cli.readAllStandardError());
  const QStringList lines = err.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3) << err.toStdString();
  EXPECT_TRUE(lines[0].startsWith(decoder.device() + ": ")) << err.toStdString();
  EXPECT_EQ(lines[1].toStdString() + "\r\n" + lines[2].toStdString(), kNoReply);

  // New rows up to where it stopped, old ones after.
  const QByteArray left = ReadBytes(decoder_file);
  int taken = 0;
  while (taken < 128 && Row(left, taken) == Row(Pattern(2), taken)) ++taken;
  EXPECT_GE(taken, 3);
  EXPECT_LT(taken, 128);
  EXPECT_EQ(left.mid(taken * 16), Pattern(1).mid(taken * 16));
}

}  // namespace
}  // namespace atalaya::faults
