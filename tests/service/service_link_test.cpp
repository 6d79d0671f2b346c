#include "core/service/service_link.h"

#include <gtest/gtest.h>

#include "core/service/checksum.h"
#include "core/service/terminal.h"
#include "link_fixture.h"

namespace atalaya {
namespace {

TEST(ChecksumTest, ComplementsTheExclusiveOrOfEverythingAfterThePercentSign) {
  struct Case {
    std::string command;
    std::string sent;
  };
  const uint8_t pr = static_cast<uint8_t>(~('P' ^ 'R' ^ '?'));
  const Case cases[] = {
      {"%EE?00010", "%EE?00010F1"},
      {"%PR?", "%PR?" + HexDigits(pr, 2)},
      {"%", "%FF"},
      {"", "FF"},
      // Only the low 8 bits of the length count: 257 characters checksum their first one only.
      {"%" + std::string(256, 'A'), "%" + std::string(256, 'A') + "FF"},
  };
  for (const Case& c : cases) EXPECT_EQ(AddChecksum(c.command), c.sent) << c.command;
  const uint8_t bytes[] = {0xFF, 0xFF, 0x02, 0x10};
  EXPECT_EQ(AddDataSum("%SL=", bytes, 4), "%SL=0210");
  EXPECT_EQ(AddDataSum("x", bytes, 2), "x01FE");
}

// Records the lines routed to the EEPROM engine.
struct LineRecorder : ReplyEngine {
  void OnReplyLine(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

// A link whose EEPROM engine only records what reaches it.
struct AssemblyRig {
  AssemblyRig() { f.link.SetEngine(ServiceLink::Slot::kEeprom, &engine); }

  // Sends a command for an EEPROM task, then delivers `chunks`; after each line the engine is
  // waiting for, it sends the next command, as an engine does.
  void Exchange(const std::vector<std::string>& chunks) {
    f.link.set_current_task(ServiceTask::kEepromReadAll);
    f.link.SendCommand("%EE?00010F1");
    for (const std::string& chunk : chunks) {
      const size_t before = engine.lines.size();
      f.link.OnRxChar(chunk);
      if (engine.lines.size() > before) f.link.SendCommand("%EE?01010F0");
    }
  }

  LinkFixture f;
  LineRecorder engine;
};

TEST(LineAssemblyTest, RoutesWholeLinesOnly) {
  struct Case {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
    std::string left_over;
  };
  const Case cases[] = {
      {"one chunk", {"$.EE00\r"}, {"$.EE00\r"}, ""},
      {"several chunks", {"$.E", "E0", "0\r"}, {"$.EE00\r"}, ""},
      {"lone carriage return", {"\r", "ab\r"}, {"\rab\r"}, ""},
      {"two lines in one chunk", {"a\rb\r"}, {"a\rb\r"}, ""},
      {"CR LF in one chunk", {"a\r\n", "b\r"}, {"a\r\nb\r"}, ""},
      {"LF in a later chunk", {"a\r", "\nb\r"}, {"a\r", "\nb\r"}, ""},
      {"no end", {"abc"}, {}, "abc"},
  };
  for (const Case& c : cases) {
    AssemblyRig rig;
    rig.Exchange(c.chunks);
    EXPECT_EQ(rig.engine.lines, c.lines) << c.name;
    EXPECT_EQ(rig.f.link.receive_buffer(), c.left_over) << c.name;
  }
}

TEST(LineAssemblyTest, ACompleteLineStopsTheTimerAndAnUnfinishedOneRearmsItOnce) {
  AssemblyRig rig;
  LinkFixture& f = rig.f;
  LineRecorder& engine = rig.engine;
  f.link.set_reply_interval_ms(300);
  f.link.set_current_task(ServiceTask::kEepromReadAll);
  f.link.SendCommand("%EE?00010F1");
  EXPECT_TRUE(f.timer.armed);
  EXPECT_EQ(f.timer.interval, 300);
  EXPECT_EQ(f.timer.arms, 1);
  f.link.OnRxChar("$.E");  // the line begins: the wait starts again
  EXPECT_TRUE(f.timer.armed);
  EXPECT_EQ(f.timer.arms, 2);
  for (int i = 0; i < 100; ++i) f.link.OnRxChar("x");  // more of it does not push the end away
  EXPECT_TRUE(f.timer.armed);
  EXPECT_EQ(f.timer.arms, 2);
  f.link.OnRxChar("\r");
  EXPECT_FALSE(f.timer.armed);
  EXPECT_EQ(engine.lines.size(), 1u);
}

TEST(LineAssemblyTest, EndlessNoiseIsBoundedAndTheTimeOutClearsIt) {
  AssemblyRig rig;
  LinkFixture& f = rig.f;
  f.link.set_current_task(ServiceTask::kEepromReadAll);
  f.link.SendCommand("%EE?00010F1");
  const std::string noise(1000, 'z');
  for (int i = 0; i < 100; ++i) f.link.OnRxChar(noise);
  EXPECT_LE(f.link.receive_buffer().size(), ServiceLink::kMaxReplyLength);
  f.link.OnReplyTimeout();
  EXPECT_TRUE(f.link.receive_buffer().empty());
}

TEST(LineAssemblyTest, LinesNobodyAskedForGoToTheTerminal) {
  AssemblyRig rig;
  LinkFixture& f = rig.f;
  LineRecorder& engine = rig.engine;
  rig.Exchange({"$.EE00\r"});
  ASSERT_EQ(engine.lines.size(), 1u);
  f.link.OnReplyTimeout();  // the next command went unanswered
  f.terminal.lines.clear();
  f.link.OnRxChar("ESTADO OK\r");  // the decoder speaks on its own afterwards
  EXPECT_EQ(engine.lines.size(), 1u);
  EXPECT_EQ(f.terminal.lines, std::vector<std::string>{"ESTADO OK"});
}

TEST(ServiceLinkTest, SendCommandLogsWhereTheTaskBelongs) {
  struct Case {
    ServiceTask task;
    bool eeprom_log;
    bool firmware_log;
  };
  const Case cases[] = {
      {ServiceTask::kEepromVerifyRow, true, false}, {ServiceTask::kEepromWriteLow, true, false},
      {ServiceTask::kFirmwareUpload, false, true},  {ServiceTask::kLptCheck, false, true},
      {ServiceTask::kTerminalLine, false, false},   {ServiceTask::kIdle, false, false},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    f.link.set_current_task(c.task);
    f.link.set_row_counter(0x2A);
    f.link.SendCommand("%EE?2A010C3");
    EXPECT_EQ(f.eeprom_log.lines.size(), c.eeprom_log ? 1u : 0u);
    EXPECT_EQ(f.firmware_log.lines.size(), c.firmware_log ? 1u : 0u);
    EXPECT_EQ(f.terminal.lines, std::vector<std::string>{"%EE?2A010C3"});
    EXPECT_EQ(f.eeprom_status.values[1], c.eeprom_log ? "2A0" : "");
    EXPECT_EQ(f.channel.written, std::vector<std::string>{"%EE?2A010C3"});
    EXPECT_TRUE(f.timer.armed);
    EXPECT_EQ(f.timer.interval, ServiceLink::kReplyIntervalMs);
  }
}

TEST(ServiceLinkTest, TheTimeOutReportsByTask) {
  const std::string no_reply = "¡ No hay respuesta del decodificador en ese puerto serie !";
  const std::string check_port =
      "Comprueba que está en Modo de Servicio y que el puerto es el adecuado.";
  struct Case {
    ServiceTask task;
    std::string eeprom_log;
    std::string firmware_log;
    std::string terminal;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {ServiceTask::kEepromReadAll, no_reply, "", "", {no_reply + "\r\n" + check_port}},
      {ServiceTask::kIdle, no_reply, "", "", {no_reply + "\r\n" + check_port}},
      {ServiceTask::kLptCheck, "", no_reply, "", {no_reply + "\r\n" + check_port}},
      {ServiceTask::kFirmwareUpload, "", no_reply, "", {no_reply + "\r\n" + check_port}},
      {ServiceTask::kTerminalLine, "", "", no_reply, {}},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    f.link.set_current_task(c.task);
    f.link.set_row_counter(9);
    f.eeprom_status.ShowTask("Recibe");
    f.pages.LockPages();
    f.link.SendCommand("%X");
    f.eeprom_log.lines.clear();
    f.firmware_log.lines.clear();
    f.terminal.lines.clear();
    f.link.OnReplyTimeout();
    const auto last = [](const RecordingLog& log) {
      return log.lines.empty() ? std::string() : log.lines.back();
    };
    EXPECT_EQ(last(f.eeprom_log), c.eeprom_log);
    EXPECT_EQ(last(f.firmware_log), c.firmware_log);
    EXPECT_EQ(last(f.terminal), c.terminal);
    EXPECT_EQ(f.user.errors, c.errors);
    EXPECT_FALSE(f.pages.locked);
    EXPECT_FALSE(f.timer.armed);
    EXPECT_EQ(f.link.current_task(), c.task);
    const bool eeprom_task = c.task == ServiceTask::kEepromReadAll || c.task == ServiceTask::kIdle;
    EXPECT_EQ(f.eeprom_status.values[0], eeprom_task ? "" : "Recibe");
  }
}

TEST(TerminalTest, TypedLinesGoOutWithOrWithoutTheChecksum) {
  LinkFixture f;
  EXPECT_FALSE(SendTypedLine(f.link, "", true));
  EXPECT_EQ(f.link.current_task(), ServiceTask::kIdle);
  EXPECT_TRUE(f.channel.written.empty());

  ASSERT_TRUE(SendTypedLine(f.link, "%PR?", true));
  EXPECT_EQ(f.link.current_task(), ServiceTask::kTerminalLine);
  EXPECT_EQ(f.channel.written.back(), AddChecksum("%PR?"));
  EXPECT_EQ(f.terminal.lines.back(), AddChecksum("%PR?"));
  f.Pump();  // the virtual decoder answers in one line
  EXPECT_EQ(f.terminal.lines.back(), "$.PR");

  ASSERT_TRUE(SendTypedLine(f.link, "%ee?hola", false));
  EXPECT_EQ(f.channel.written.back(), "%ee?hola");
}

TEST(DisplayLineTest, ShowsDecoderBytesReadably) {
  EXPECT_EQ(DisplayLine("$.EE00\r"), "$.EE00");
  EXPECT_EQ(DisplayLine("a\rb\r\n"), "a\nb");
  EXPECT_EQ(DisplayLine(std::string("x\x01y\xE9", 4)), "x·yé");
}

}  // namespace
}  // namespace atalaya
