// Every serial task of the window against a virtual decoder program that misbehaves on purpose,
// over a real pseudo-terminal: each task must end with its message, give the pages back and
// leave in the image (or in the decoder) exactly the rows the decoder answered.
//
// What the decoder answered is worked out by a decoder in memory with the same faults and the
// same EEPROM, fed the commands the window logged: the program shares that decoder's code, its
// noise included, so both answer alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "core/service/checksum.h"
#include "core/service/service_link.h"
#include "fault_support.h"
#include "sim/service_mode_decoder.h"

namespace atalaya::faults {
namespace {

// One command the window sent and what came back for it.
struct Exchange {
  std::string command;
  int row;            // the EEPROM row an %EE command is for; −1 for any other
  std::string reply;  // everything the decoder sent back, line end included
  // Only a carriage return ends a reply line; anything else leaves the window waiting.
  bool received() const { return !reply.empty() && reply.back() == '\r' && reply.size() > 1; }
  bool refused() const { return reply.starts_with("$?C0"); }
  // The reply's data as the image's cells of its row take it: what follows the head.
  std::string data() const {
    std::string body = reply;
    while (!body.empty() && (body.back() == '\r' || body.back() == '\n')) body.pop_back();
    return body.size() > 4 ? body.substr(4, 32) : std::string();
  }
};

std::vector<std::string> LoggedCommands(const QStringList& log) {
  std::vector<std::string> commands;
  for (const QString& line : log) {
    if (line.startsWith("%EE")) commands.push_back(line.toStdString());
  }
  return commands;
}

// The window's port keeps to XON/XOFF flow control, as the decoder's line is set up: the
// serial driver takes those two characters out of whatever arrives.
std::string ThroughFlowControl(std::string reply) {
  std::erase_if(reply, [](char c) { return c == '\x11' || c == '\x13'; });
  return reply;
}

// Replays the commands on a decoder in memory that starts as the program did.
std::vector<Exchange> Replay(const sim::FaultPlan& plan, const QByteArray& eeprom,
                             const std::vector<std::string>& commands,
                             sim::Eeprom* eeprom_after = nullptr) {
  sim::ServiceModeDecoder decoder(plan);
  std::copy(eeprom.begin(), eeprom.end(), decoder.eeprom().begin());
  std::vector<Exchange> exchanges;
  for (const std::string& command : commands) {
    std::string reply;
    for (const std::string& chunk : decoder.Receive(command)) reply += chunk;
    const int row = command.starts_with("%EE") ? std::stoi(command.substr(4, 2), nullptr, 16) : -1;
    exchanges.push_back({command, row, ThroughFlowControl(reply)});
  }
  if (eeprom_after) *eeprom_after = decoder.eeprom();
  return exchanges;
}

QByteArray Bytes(const sim::Eeprom& eeprom) {
  return QByteArray(reinterpret_cast<const char*>(eeprom.data()), static_cast<int>(eeprom.size()));
}

// A row refused every time, as the program's --refuse-row without a count.
constexpr int kAlways = INT_MAX;

// A case's name without what a test name cannot hold.
template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (const char* p = info.param.name; *p; ++p) {
    if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  }
  return name;
}

struct EepromCase {
  const char* name;
  QStringList faults;
  sim::FaultPlan plan;  // the same faults, for the decoder in memory
  TransferKind kind;
  TransferRange range;
  int selected_row;  // grid row, 1…128
  std::string message;
  int rows_answered;  // rows whose command had a reply that was not a refusal
};

// clang-format off
const EepromCase kEepromCases[] = {
    // A decoder that never answers.
    {"silent, read all", {"--silent"}, {.silent = true}, TransferKind::kRead,
     TransferRange::kAll, 1, kNoReply, 0},
    {"silent, write low", {"--silent"}, {.silent = true}, TransferKind::kWrite,
     TransferRange::kLow, 1, kNoReply, 0},
    {"silent, verify row", {"--silent"}, {.silent = true}, TransferKind::kVerify,
     TransferRange::kSelectedRow, 7, kNoReply, 0},
    // A row refused every time: the rows before it arrive, then the retries run out.
    {"row 5 refused, read all", {"--refuse-row", "5"}, {.refuse_row = 5, .refuse_times = kAlways},
     TransferKind::kRead, TransferRange::kAll, 1, kRetryLimit, 5},
    {"row 5 refused, read low", {"--refuse-row", "5"}, {.refuse_row = 5, .refuse_times = kAlways},
     TransferKind::kRead, TransferRange::kLow, 1, kRetryLimit, 5},
    {"row 5 refused, read row", {"--refuse-row", "5"}, {.refuse_row = 5, .refuse_times = kAlways},
     TransferKind::kRead, TransferRange::kSelectedRow, 6, kRetryLimit, 0},
    {"row 5 refused, write all", {"--refuse-row", "5"}, {.refuse_row = 5, .refuse_times = kAlways},
     TransferKind::kWrite, TransferRange::kAll, 1, kRetryLimit, 5},
    {"row 5 refused, write row", {"--refuse-row", "5"}, {.refuse_row = 5, .refuse_times = kAlways},
     TransferKind::kWrite, TransferRange::kSelectedRow, 6, kRetryLimit, 0},
    {"row 5 refused, verify all", {"--refuse-row", "5"}, {.refuse_row = 5, .refuse_times = kAlways},
     TransferKind::kVerify, TransferRange::kAll, 1, kVerifyRetryLimit, 5},
    // A refused row outside the range is never asked for.
    {"row 20 refused, read low", {"--refuse-row", "20"},
     {.refuse_row = 20, .refuse_times = kAlways}, TransferKind::kRead, TransferRange::kLow, 1,
     kReadDone, 11},
    {"row 20 refused, verify row", {"--refuse-row", "20"},
     {.refuse_row = 20, .refuse_times = kAlways}, TransferKind::kVerify,
     TransferRange::kSelectedRow, 6, kVerifyDone, 1},
    // Nine refusals in a row are one short of the limit.
    {"row 0 refused 9 times, write all", {"--refuse-row", "0", "--refuse-times", "9"},
     {.refuse_row = 0, .refuse_times = 9}, TransferKind::kWrite, TransferRange::kAll, 1,
     kWriteDone, 128},
    // Replies in pieces across reads of the port.
    {"chunked, read all", {"--chunk", "3"}, {.chunk_size = 3}, TransferKind::kRead,
     TransferRange::kAll, 1, kReadDone, 128},
    {"chunked, write low", {"--chunk", "3"}, {.chunk_size = 3}, TransferKind::kWrite,
     TransferRange::kLow, 1, kWriteDone, 11},
    {"chunked, verify all", {"--chunk", "3"}, {.chunk_size = 3}, TransferKind::kVerify,
     TransferRange::kAll, 1, kVerifyDone, 128},
    // Noise ended by a carriage return is a reply to the window; the decoder did nothing.
    {"garbled, read all", {"--garbage"}, {.garbage = true}, TransferKind::kRead,
     TransferRange::kAll, 1, kReadDone, 128},
    {"garbled, write low", {"--garbage"}, {.garbage = true}, TransferKind::kWrite,
     TransferRange::kLow, 1, kWriteDone, 11},
    {"garbled, verify row", {"--garbage"}, {.garbage = true}, TransferKind::kVerify,
     TransferRange::kSelectedRow, 3, kVerifyDone, 1},
    // A reply that ends in CR LF is not a line: the first one leaves the window waiting.
    {"CR LF, read all", {"--crlf"}, {.crlf = true}, TransferKind::kRead, TransferRange::kAll, 1,
     kNoReply, 0},
    {"CR LF, write all", {"--crlf"}, {.crlf = true}, TransferKind::kWrite, TransferRange::kAll,
     1, kNoReply, 0},
    {"CR LF, verify low", {"--crlf"}, {.crlf = true}, TransferKind::kVerify,
     TransferRange::kLow, 1, kNoReply, 0},
    // A reply that never ends.
    {"no line end, read low", {"--no-line-end"}, {.no_line_end = true}, TransferKind::kRead,
     TransferRange::kLow, 1, kNoReply, 0},
    {"no line end, write row", {"--no-line-end"}, {.no_line_end = true}, TransferKind::kWrite,
     TransferRange::kSelectedRow, 128, kNoReply, 0},
    {"no line end, verify all", {"--no-line-end"}, {.no_line_end = true}, TransferKind::kVerify,
     TransferRange::kAll, 1, kNoReply, 0},
};
// clang-format on

class WindowFaultTest : public ::testing::TestWithParam<EepromCase> {};

TEST_P(WindowFaultTest, EndsWithItsMessageAndKeepsExactlyTheRowsAnswered) {
  const EepromCase& c = GetParam();
  const QByteArray decoder_eeprom = Pattern(1);
  DecoderWindow f(c.faults, decoder_eeprom);
  ASSERT_TRUE(f.ready());
  EepromImage& image = f.window().image();

  // What the window holds before the task: written whole, or the decoder's own EEPROM with two
  // rows changed so that verifying finds some equal and some not.
  QByteArray before = c.kind == TransferKind::kWrite ? Pattern(2) : decoder_eeprom;
  if (c.kind == TransferKind::kVerify) {
    before[2 * 16] = 0;
    before[9 * 16 + 4] = 0;
  }
  if (c.kind != TransferKind::kRead) {
    image.LoadBytes(reinterpret_cast<const uint8_t*>(before.constData()), 0, 2048);
  }
  std::vector<std::string> rows_before;
  for (int row = 0; row < 128; ++row) rows_before.push_back(ImageRow(image, row));

  f.Start(c.kind, c.range, c.selected_row);
  ASSERT_TRUE(f.WaitForTaskEnd());

  const bool failed =
      c.message == kNoReply || c.message == kRetryLimit || c.message == kVerifyRetryLimit;
  EXPECT_EQ(failed ? f.user().errors : f.user().information, std::vector<std::string>{c.message});
  EXPECT_TRUE((failed ? f.user().information : f.user().errors).empty());
  EXPECT_TRUE(f.PagesUnlocked());
  EXPECT_EQ(f.window().link().row_counter(), 0);

  sim::Eeprom decoder_after{};
  const QStringList log = f.EepromLog();
  const std::vector<Exchange> exchanges =
      Replay(c.plan, decoder_eeprom, LoggedCommands(log), &decoder_after);
  ASSERT_FALSE(exchanges.empty());
  std::vector<std::optional<std::string>> answered(128);
  std::vector<bool> verdicts;
  for (const Exchange& exchange : exchanges) {
    if (!exchange.received() || exchange.refused()) continue;
    answered[static_cast<size_t>(exchange.row)] = exchange.data();
    verdicts.push_back(exchange.data() == rows_before[static_cast<size_t>(exchange.row)]);
  }
  EXPECT_EQ(std::count_if(answered.begin(), answered.end(), [](auto& a) { return a.has_value(); }),
            c.rows_answered);

  // The image: what each answered row brought when reading, untouched otherwise.
  for (int row = 0; row < 128; ++row) {
    const auto& data = answered[static_cast<size_t>(row)];
    const bool read = c.kind == TransferKind::kRead && data;
    if (read && !c.plan.garbage) {
      EXPECT_EQ(*data, HexRow(Row(decoder_eeprom, row))) << "row " << row;
    }
    EXPECT_EQ(ImageRow(image, row), read ? *data : rows_before[static_cast<size_t>(row)])
        << "row " << row;
  }
  // The decoder: the rows it took and no others. A row is taken when its command arrives whole,
  // so one whose acknowledgement was lost is taken too; a row never sent never is.
  const QByteArray decoder_now = f.DecoderEeprom();
  EXPECT_EQ(decoder_now, Bytes(decoder_after));
  for (int row = 0; row < 128; ++row) {
    const bool sent = std::any_of(exchanges.begin(), exchanges.end(),
                                  [&](const Exchange& e) { return e.row == row; });
    const bool acknowledged = c.kind == TransferKind::kWrite && !c.plan.garbage &&
                              answered[static_cast<size_t>(row)].has_value();
    if (acknowledged) {
      EXPECT_EQ(Row(decoder_now, row), Row(before, row)) << "row " << row;
    }
    if (!sent) {
      EXPECT_EQ(Row(decoder_now, row), Row(decoder_eeprom, row)) << "row " << row;
    }
  }
  // Verifying: one verdict per row answered, in order.
  std::vector<bool> logged_verdicts;
  for (const QString& line : log) {
    if (line == "Línea verificada.") logged_verdicts.push_back(true);
    if (line == "¡ Esta línea no es igual que la original !") logged_verdicts.push_back(false);
  }
  EXPECT_EQ(logged_verdicts, c.kind == TransferKind::kVerify ? verdicts : std::vector<bool>{});
  if (c.message == kNoReply) {
    EXPECT_EQ(log.back().toStdString(), kNoReplyLine);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFault, WindowFaultTest, ::testing::ValuesIn(kEepromCases),
                         CaseName<EepromCase>);

struct TerminalCase {
  const char* name;
  QStringList faults;
  sim::FaultPlan plan;
  QString typed;
};

const TerminalCase kTerminalCases[] = {
    {"silent", {"--silent"}, {.silent = true}, "%PR?"},
    {"refused row", {"--refuse-row", "5"}, {.refuse_row = 5, .refuse_times = kAlways}, "%EE?05010"},
    {"chunked", {"--chunk", "1"}, {.chunk_size = 1}, "%EE?7F010"},
    {"garbled", {"--garbage"}, {.garbage = true}, "%PR?"},
    {"CR LF", {"--crlf"}, {.crlf = true}, "%PR?"},
    {"no line end", {"--no-line-end"}, {.no_line_end = true}, "%PR?"},
};

class TerminalFaultTest : public ::testing::TestWithParam<TerminalCase> {};

// A typed line shows the reply as it came, or the line that says none came; the terminal's
// time-out is no reason for a message box.
TEST_P(TerminalFaultTest, ShowsTheReplyOrSaysThereWasNone) {
  const TerminalCase& c = GetParam();
  DecoderWindow f(c.faults, Pattern(3));
  ASSERT_TRUE(f.ready());
  f.window().pages()->setCurrentWidget(f.window().terminal_page());
  f.Type(c.typed);
  ASSERT_TRUE(f.window().link().awaiting_reply());
  ASSERT_TRUE(f.WaitForReplyOrTimeOut());

  const std::string command = AddChecksum(c.typed.toStdString());
  const Exchange exchange = Replay(c.plan, Pattern(3), {command}).front();
  EXPECT_EQ(
      f.window().terminal_page()->pane()->toPlainText(),
      QString::fromStdString(command + "\n" +
                             (exchange.received() ? DisplayLine(exchange.reply) : kNoReplyLine)));
  EXPECT_TRUE(f.user().errors.empty());
  EXPECT_TRUE(f.PagesUnlocked());
  EXPECT_EQ(f.window().link().current_task(), ServiceTask::kTerminalLine);
}

INSTANTIATE_TEST_SUITE_P(EveryFault, TerminalFaultTest, ::testing::ValuesIn(kTerminalCases),
                         CaseName<TerminalCase>);

}  // namespace
}  // namespace atalaya::faults
