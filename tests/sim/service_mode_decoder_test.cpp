#include "sim/service_mode_decoder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/service/checksum.h"
#include "sim/eeprom_file.h"

namespace atalaya::sim {
namespace {

using namespace std::string_literals;
using Row = std::array<uint8_t, kEepromRowSize>;

// Commands are built here the way the PC builds them, independently of the decoder's parser.
std::string RowAddress(int row) { return HexDigits(static_cast<uint64_t>(row) * 16, 3); }

std::string HexOf(const Row& data) {
  std::string text;
  for (uint8_t byte : data) text += HexDigits(byte, 2);
  return text;
}

std::string ReadCommand(int row) { return AddChecksum("%EE?" + RowAddress(row) + "10"); }

std::string WriteCommand(int row, const Row& data) {
  return AddChecksum("%EE=" + RowAddress(row) + "10" + HexOf(data));
}

const std::string kPortTest = AddChecksum("%PR?");
const std::string kRefusal = "$?C0\r";
const std::string kWritten = "$.EE\r";

std::string ReadReply(const Row& data) { return "$.EE" + HexOf(data) + "\r"; }

// Every byte differs from its neighbours and from the erased 0xFF, and letters A-F occur.
Row Pattern(int seed) {
  Row data{};
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(seed * 37 + i * 11 + 1);
  return data;
}

Row RowOf(const ServiceModeDecoder& decoder, int row) {
  Row data{};
  std::copy_n(decoder.eeprom().begin() + row * 16, 16, data.begin());
  return data;
}

std::string Joined(const std::vector<std::string>& chunks) {
  std::string all;
  for (const std::string& chunk : chunks) all += chunk;
  return all;
}

Row ErasedRow() {
  Row data{};
  data.fill(0xFF);
  return data;
}

TEST(ServiceModeDecoderTest, StartsErasedAndReadsBackWhatWasWritten) {
  ServiceModeDecoder decoder;
  for (uint8_t byte : decoder.eeprom()) ASSERT_EQ(byte, 0xFF);

  for (int row : {0, 3, 64, 127}) {
    EXPECT_EQ(Joined(decoder.Receive(ReadCommand(row))), ReadReply(ErasedRow())) << row;
    EXPECT_EQ(Joined(decoder.Receive(WriteCommand(row, Pattern(row)))), kWritten) << row;
    EXPECT_EQ(RowOf(decoder, row), Pattern(row)) << row;
    EXPECT_EQ(Joined(decoder.Receive(ReadCommand(row))), ReadReply(Pattern(row))) << row;
  }
  // Rows next to the written ones are not touched.
  for (int row : {1, 2, 4, 63, 65, 126}) EXPECT_EQ(RowOf(decoder, row), ErasedRow()) << row;
  EXPECT_EQ(decoder.commands_served(), 12);
  EXPECT_EQ(decoder.refusals_sent(), 0);
}

TEST(ServiceModeDecoderTest, AnswersThePortTest) {
  ServiceModeDecoder decoder;
  EXPECT_EQ(decoder.Receive(kPortTest), std::vector<std::string>{"$.PR\r"});
  EXPECT_EQ(decoder.commands_served(), 1);
}

TEST(ServiceModeDecoderTest, RepliesOnlyWhenTheLastByteOfACommandArrives) {
  const std::string commands[] = {ReadCommand(5), WriteCommand(5, Pattern(9)), kPortTest};
  ServiceModeDecoder decoder;
  for (const std::string& command : commands) {
    std::string replies;
    for (size_t i = 0; i < command.size(); ++i) {
      const std::vector<std::string> chunks = decoder.Receive(command.substr(i, 1));
      if (i + 1 < command.size()) {
        EXPECT_TRUE(chunks.empty()) << command << " byte " << i;
      } else {
        EXPECT_EQ(chunks.size(), 1u) << command;
      }
      replies += Joined(chunks);
    }
    EXPECT_TRUE(replies.starts_with("$.")) << command << " -> " << replies;
  }
  EXPECT_EQ(RowOf(decoder, 5), Pattern(9));
}

TEST(ServiceModeDecoderTest, SeveralCommandsInOneChunkAreAnsweredInOrder) {
  ServiceModeDecoder decoder;
  const std::vector<std::string> replies =
      decoder.Receive(WriteCommand(7, Pattern(1)) + ReadCommand(7) + kPortTest + ReadCommand(8));
  EXPECT_EQ(replies, (std::vector<std::string>{kWritten, ReadReply(Pattern(1)), "$.PR\r",
                                               ReadReply(ErasedRow())}));
}

TEST(ServiceModeDecoderTest, BytesOutsideACommandAndAbandonedCommandsAreIgnored) {
  ServiceModeDecoder decoder;
  // Noise before the command, an unfinished command cut off by a new "%", noise after it.
  const std::string stream =
      "\r\n$.EE00 hello\r" + ReadCommand(2).substr(0, 7) + WriteCommand(2, Pattern(4)) + "\r\n";
  EXPECT_EQ(decoder.Receive(stream), std::vector<std::string>{kWritten});
  EXPECT_EQ(decoder.refusals_sent(), 0);
  EXPECT_EQ(RowOf(decoder, 2), Pattern(4));
}

TEST(ServiceModeDecoderTest, RefusesMalformedCommandsWithoutEffect) {
  auto with_bad_checksum = [](std::string command) {
    char& last = command.back();
    last = last == '0' ? '1' : '0';
    return command;
  };
  auto lowercase_checksum = [](std::string command) {
    for (size_t i = command.size() - 2; i < command.size(); ++i) {
      if (command[i] >= 'A' && command[i] <= 'F') command[i] += 0x20;
    }
    return command;
  };
  // A checksum with a letter in it, so that lower-casing it changes the command.
  std::string lettered_checksum;
  for (int row = 0; row < kEepromRows && lettered_checksum.empty(); ++row) {
    const std::string command = ReadCommand(row);
    if (command.find_first_of("ABCDEF", command.size() - 2) != std::string::npos) {
      lettered_checksum = command;
    }
  }
  ASSERT_FALSE(lettered_checksum.empty());
  const std::string data = HexOf(Pattern(3));

  struct Case {
    const char* why;
    std::string command;
  };
  const Case cases[] = {
      {"read, wrong checksum", with_bad_checksum(ReadCommand(3))},
      {"write, wrong checksum", with_bad_checksum(WriteCommand(3, Pattern(3)))},
      {"port test, wrong checksum", with_bad_checksum(kPortTest)},
      {"checksum in lower case", lowercase_checksum(lettered_checksum)},
      {"checksum not hex", ReadCommand(3).substr(0, 9) + "G0"},
      {"address in lower case", AddChecksum("%EE?3a010")},
      {"address not hex", AddChecksum("%EE?03G10")},
      {"address not a row start", AddChecksum("%EE?03510")},
      {"address past the end", AddChecksum("%EE?80010")},
      {"write address past the end", AddChecksum("%EE=FF010" + data)},
      {"count other than 16", AddChecksum("%EE?03008")},
      {"count not hex", AddChecksum("%EE?030 0")},
      {"write data in lower case", AddChecksum("%EE=03010" + data.substr(0, 30) + "ab")},
      {"write data not hex", AddChecksum("%EE=03010" + data.substr(0, 31) + "\r")},
      {"unknown command", AddChecksum("%XY?")},
      {"unknown lower-case name", AddChecksum("%ee?03010")},
      {"port test as a set", AddChecksum("%PR=")},
      {"neither query nor set", AddChecksum("%EE!03010")},
  };
  for (const Case& c : cases) {
    ServiceModeDecoder decoder;
    const Eeprom before = decoder.eeprom();
    EXPECT_EQ(decoder.Receive(c.command), std::vector<std::string>{kRefusal}) << c.why;
    EXPECT_EQ(decoder.eeprom(), before) << c.why;
    EXPECT_EQ(decoder.refusals_sent(), 1) << c.why;
    EXPECT_EQ(decoder.commands_served(), 0) << c.why;
    // The refusal leaves the decoder ready for the next command.
    EXPECT_EQ(decoder.Receive(kPortTest), std::vector<std::string>{"$.PR\r"}) << c.why;
  }
}

TEST(ServiceModeDecoderTest, RefusesAnUnknownCommandAsSoonAsItsNameIsIn) {
  ServiceModeDecoder decoder;
  EXPECT_TRUE(decoder.Receive("%XY").empty());
  EXPECT_EQ(decoder.Receive("?"), std::vector<std::string>{kRefusal});
  // The rest of that command is dropped, not taken for a new one.
  EXPECT_TRUE(decoder.Receive("03010FF").empty());
  EXPECT_EQ(decoder.refusals_sent(), 1);
}

TEST(ServiceModeDecoderTest, RefusesThePlannedRowTheGivenNumberOfTimes) {
  struct Case {
    const char* why;
    bool write;
    int times;
  };
  const Case cases[] = {
      {"read once", false, 1},
      {"read three times", false, 3},
      {"write twice", true, 2},
      {"never", false, 0},
  };
  for (const Case& c : cases) {
    ServiceModeDecoder decoder(FaultPlan{.refuse_row = 6, .refuse_times = c.times});
    const std::string command = c.write ? WriteCommand(6, Pattern(2)) : ReadCommand(6);
    for (int attempt = 0; attempt < c.times; ++attempt) {
      EXPECT_EQ(Joined(decoder.Receive(command)), kRefusal) << c.why << " attempt " << attempt;
      // Other rows are served meanwhile and do not use up the refusals.
      EXPECT_EQ(Joined(decoder.Receive(ReadCommand(5))), ReadReply(ErasedRow())) << c.why;
      EXPECT_EQ(Joined(decoder.Receive(WriteCommand(7, Pattern(7)))), kWritten) << c.why;
    }
    EXPECT_EQ(RowOf(decoder, 6), ErasedRow()) << c.why;
    const std::string served = c.write ? kWritten : ReadReply(ErasedRow());
    EXPECT_EQ(Joined(decoder.Receive(command)), served) << c.why;
    EXPECT_EQ(Joined(decoder.Receive(command)), served) << c.why;
    EXPECT_EQ(decoder.refusals_sent(), c.times) << c.why;
    if (c.write) {
      EXPECT_EQ(RowOf(decoder, 6), Pattern(2)) << c.why;
    }
  }
}

TEST(ServiceModeDecoderTest, ABadCommandForThePlannedRowDoesNotUseUpARefusal) {
  ServiceModeDecoder decoder(FaultPlan{.refuse_row = 6, .refuse_times = 1});
  std::string bad = ReadCommand(6);
  bad.back() = bad.back() == '0' ? '1' : '0';
  EXPECT_EQ(Joined(decoder.Receive(bad)), kRefusal);
  EXPECT_EQ(Joined(decoder.Receive(ReadCommand(6))), kRefusal);
  EXPECT_EQ(Joined(decoder.Receive(ReadCommand(6))), ReadReply(ErasedRow()));
}

TEST(ServiceModeDecoderTest, ARowRefusedAlwaysIsNeverServed) {
  ServiceModeDecoder decoder(FaultPlan{.refuse_row = 127, .refuse_times = 1'000'000});
  for (int attempt = 0; attempt < 50; ++attempt) {
    ASSERT_EQ(Joined(decoder.Receive(WriteCommand(127, Pattern(1)))), kRefusal);
  }
  EXPECT_EQ(RowOf(decoder, 127), ErasedRow());
  EXPECT_EQ(decoder.commands_served(), 0);
}

TEST(ServiceModeDecoderTest, ASilentDecoderAnswersNothingAndChangesNothing) {
  ServiceModeDecoder decoder(FaultPlan{.silent = true});
  const Eeprom before = decoder.eeprom();
  EXPECT_TRUE(decoder
                  .Receive(WriteCommand(1, Pattern(1)) + ReadCommand(1) + kPortTest +
                           AddChecksum("%XY?") + "%EE?zz")
                  .empty());
  EXPECT_EQ(decoder.eeprom(), before);
  EXPECT_EQ(decoder.commands_served(), 0);
  EXPECT_EQ(decoder.refusals_sent(), 0);

  // Back to health, it answers again.
  decoder.set_fault_plan({});
  EXPECT_EQ(decoder.Receive(kPortTest), std::vector<std::string>{"$.PR\r"});
}

TEST(ServiceModeDecoderTest, CutsRepliesIntoChunksOfThePlannedSize) {
  const std::string reply = ReadReply(Pattern(5));
  for (size_t size :
       {size_t{1}, size_t{3}, size_t{7}, reply.size() - 1, reply.size(), reply.size() + 10}) {
    ServiceModeDecoder decoder(FaultPlan{.chunk_size = size});
    ASSERT_EQ(Joined(decoder.Receive(WriteCommand(5, Pattern(5)))), kWritten);
    const std::vector<std::string> chunks = decoder.Receive(ReadCommand(5));
    EXPECT_EQ(Joined(chunks), reply) << size;
    ASSERT_FALSE(chunks.empty());
    EXPECT_EQ(chunks.size(), (reply.size() + size - 1) / size) << size;
    for (size_t i = 0; i + 1 < chunks.size(); ++i) EXPECT_EQ(chunks[i].size(), size) << size;
  }
  // Two replies are never merged into one chunk, whatever the size.
  ServiceModeDecoder decoder(FaultPlan{.chunk_size = 100});
  EXPECT_EQ(decoder.Receive(kPortTest + kPortTest), (std::vector<std::string>{"$.PR\r", "$.PR\r"}));
}

TEST(ServiceModeDecoderTest, LineEndAndLetterCaseFaults) {
  const std::string data_upper = HexOf(Pattern(2));
  std::string data_lower = data_upper;
  for (char& c : data_lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ASSERT_NE(data_lower, data_upper);

  struct Case {
    const char* why;
    FaultPlan plan;
    std::string read_reply;
    std::string write_reply;
    std::string refusal;
  };
  const Case cases[] = {
      {"crlf", {.crlf = true}, "$.EE" + data_upper + "\r\n", "$.EE\r\n", "$?C0\r\n"},
      {"no line end", {.no_line_end = true}, "$.EE" + data_upper, "$.EE", "$?C0"},
      {"lowercase", {.lowercase = true}, "$.EE" + data_lower + "\r", "$.EE\r", "$?C0\r"},
      {"lowercase crlf",
       {.crlf = true, .lowercase = true},
       "$.EE" + data_lower + "\r\n",
       "$.EE\r\n",
       "$?C0\r\n"},
  };
  for (const Case& c : cases) {
    ServiceModeDecoder decoder(c.plan);
    EXPECT_EQ(decoder.Receive(WriteCommand(4, Pattern(2))), std::vector<std::string>{c.write_reply})
        << c.why;
    EXPECT_EQ(decoder.Receive(ReadCommand(4)), std::vector<std::string>{c.read_reply}) << c.why;
    EXPECT_EQ(decoder.Receive(AddChecksum("%XY?")), std::vector<std::string>{c.refusal}) << c.why;
  }
}

TEST(ServiceModeDecoderTest, GarbageRepliesAreSingleLinesOfNoise) {
  const std::string commands[] = {ReadCommand(0), WriteCommand(1, Pattern(1)), kPortTest,
                                  AddChecksum("%XY?")};
  ServiceModeDecoder decoder(FaultPlan{.garbage = true});
  ServiceModeDecoder twin(FaultPlan{.garbage = true});
  const Eeprom before = decoder.eeprom();
  std::vector<std::string> lines;
  for (int round = 0; round < 25; ++round) {
    for (const std::string& command : commands) {
      const std::vector<std::string> chunks = decoder.Receive(command);
      ASSERT_EQ(chunks.size(), 1u) << command;
      const std::string& line = chunks[0];
      ASSERT_GE(line.size(), 2u) << command;
      EXPECT_EQ(line.back(), '\r');
      EXPECT_EQ(line.find('\r'), line.size() - 1) << "CR inside a garbage line";
      EXPECT_EQ(twin.Receive(command), chunks) << "the noise must be repeatable";
      lines.push_back(line);
    }
  }
  // Noise, not one fixed answer, and not a decoder that understood the write.
  std::sort(lines.begin(), lines.end());
  EXPECT_GT(std::unique(lines.begin(), lines.end()) - lines.begin(), 50);
  EXPECT_EQ(decoder.eeprom(), before);
  EXPECT_EQ(decoder.commands_served(), 0);
}

TEST(ServiceModeDecoderTest, FramingFollowsTheCommandLength) {
  // A read command is complete after exactly 11 characters, a write after 43, a port test
  // after 6: one more or one fewer character would show up as an early or missing reply.
  struct Case {
    std::string command;
    size_t length;
  };
  const Case cases[] = {{ReadCommand(9), 11}, {WriteCommand(9, Pattern(9)), 43}, {kPortTest, 6}};
  for (const Case& c : cases) {
    ASSERT_EQ(c.command.size(), c.length);
    ServiceModeDecoder decoder;
    EXPECT_TRUE(decoder.Receive(c.command.substr(0, c.length - 1)).empty()) << c.command;
    EXPECT_EQ(decoder.Receive(c.command.substr(c.length - 1)).size(), 1u) << c.command;
    // Whatever follows the command is outside any command until the next "%".
    EXPECT_TRUE(decoder.Receive("0123456789ABCDEF").empty()) << c.command;
  }
}

TEST(ServiceModeDecoderTest, SurvivesLongNoiseAndStillAnswersTheNextCommand) {
  std::string no_percent(20000, '\0');
  for (size_t i = 0; i < no_percent.size(); ++i) {
    no_percent[i] = static_cast<char>(i * 7919 % 256);
    if (no_percent[i] == '%') no_percent[i] = 'E';
  }
  struct Case {
    const char* why;
    std::string noise;
    int refusals;
  };
  const Case cases[] = {
      {"no percent sign", no_percent, 0},
      {"percent then junk", "%" + no_percent, 1},
      {"read header then junk", "%EE?" + no_percent, 1},
      {"write header then junk", "%EE=" + no_percent, 1},
      {"only percent signs", std::string(5000, '%'), 0},
  };
  for (const Case& c : cases) {
    for (size_t chunk : {size_t{1}, size_t{13}, c.noise.size()}) {
      ServiceModeDecoder decoder;
      std::vector<std::string> replies;
      for (size_t start = 0; start < c.noise.size(); start += chunk) {
        for (std::string& reply : decoder.Receive(std::string_view(c.noise).substr(start, chunk))) {
          replies.push_back(std::move(reply));
        }
      }
      EXPECT_EQ(replies, std::vector<std::string>(static_cast<size_t>(c.refusals), kRefusal))
          << c.why << " in chunks of " << chunk;
      EXPECT_EQ(decoder.Receive(WriteCommand(3, Pattern(3)) + ReadCommand(3)),
                (std::vector<std::string>{kWritten, ReadReply(Pattern(3))}))
          << c.why << " in chunks of " << chunk;
    }
  }
}

TEST(ServiceModeDecoderTest, RandomBytesGetOnlyWellFormedReplies) {
  // Many "%" and command letters, so headers and near-commands come up often.
  const std::string alphabet = "%%%%EEEE?=?=PR0123456789ABCDEFabc\r\n\x00\xFF"s;
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  std::string noise;
  for (int i = 0; i < 200000; ++i) {
    noise.push_back(next() % 4 == 0 ? static_cast<char>(next() & 0xFF)
                                    : alphabet[next() % alphabet.size()]);
  }
  ServiceModeDecoder decoder;
  size_t replies = 0;
  for (size_t start = 0; start < noise.size();) {
    const size_t chunk = 1 + next() % 64;
    for (const std::string& reply : decoder.Receive(std::string_view(noise).substr(start, chunk))) {
      ++replies;
      ASSERT_TRUE(reply == kRefusal || reply == kWritten || reply == "$.PR\r" ||
                  (reply.size() == 37 && reply.starts_with("$.EE") && reply.back() == '\r'))
          << reply;
    }
    start += chunk;
  }
  EXPECT_GT(replies, 0u);
  EXPECT_EQ(replies, static_cast<size_t>(decoder.commands_served() + decoder.refusals_sent()));
  EXPECT_EQ(decoder.Receive("\r" + ReadCommand(0)).size(), 1u);
}

class EepromFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/atalaya_eeprom_file_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static Eeprom Numbered() {
    Eeprom eeprom{};
    for (size_t i = 0; i < eeprom.size(); ++i) eeprom[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return eeprom;
  }

  std::filesystem::path dir_;
};

TEST_F(EepromFileTest, SaveThenLoadGivesTheSameBytes) {
  const std::string path = PathOf("eeprom.bin");
  const Eeprom written = Numbered();
  ASSERT_EQ(SaveEepromFile(path, written), std::nullopt);
  const std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), kEepromSize);
  EXPECT_TRUE(std::equal(written.begin(), written.end(), bytes.begin(),
                         [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); }));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

  Eeprom loaded{};
  ASSERT_EQ(LoadEepromFile(path, loaded), std::nullopt);
  EXPECT_EQ(loaded, written);

  // Saving again replaces the contents.
  Eeprom changed = written;
  changed[0x7FF] ^= 0x5A;
  ASSERT_EQ(SaveEepromFile(path, changed), std::nullopt);
  ASSERT_EQ(LoadEepromFile(path, loaded), std::nullopt);
  EXPECT_EQ(loaded, changed);
}

TEST_F(EepromFileTest, RefusesFilesThatAreNotExactly2048Bytes) {
  for (size_t size : {size_t{0}, size_t{1}, kEepromSize - 1, kEepromSize + 1, 2 * kEepromSize}) {
    const std::string path = PathOf("size_" + std::to_string(size) + ".bin");
    WriteBytes(path, std::string(size, '\x11'));
    Eeprom eeprom = Numbered();
    const std::optional<std::string> error = LoadEepromFile(path, eeprom);
    ASSERT_TRUE(error.has_value()) << size;
    EXPECT_NE(error->find(path), std::string::npos) << *error;
    EXPECT_NE(error->find(std::to_string(size)), std::string::npos) << *error;
    EXPECT_EQ(eeprom, Numbered()) << size;
  }
}

TEST_F(EepromFileTest, ReportsMissingAndUnreadableFiles) {
  for (const std::string& path : {PathOf("missing.bin"), dir_.string()}) {
    Eeprom eeprom = Numbered();
    const std::optional<std::string> error = LoadEepromFile(path, eeprom);
    ASSERT_TRUE(error.has_value()) << path;
    EXPECT_NE(error->find(path), std::string::npos) << *error;
    EXPECT_EQ(eeprom, Numbered()) << path;
  }
}

TEST_F(EepromFileTest, AFailedSaveLeavesTheOldFileWhole) {
  Eeprom zeros{};
  const std::optional<std::string> missing_dir = SaveEepromFile(PathOf("no/such/dir.bin"), zeros);
  ASSERT_TRUE(missing_dir.has_value());
  EXPECT_NE(missing_dir->find("no/such/dir.bin"), std::string::npos) << *missing_dir;

  // The temporary name taken by a directory makes the save fail next to a good old file.
  const std::string path = PathOf("eeprom.bin");
  const std::string old_bytes(kEepromSize, '\x42');
  WriteBytes(path, old_bytes);
  std::filesystem::create_directory(path + ".tmp");
  ASSERT_TRUE(SaveEepromFile(path, zeros).has_value());
  EXPECT_EQ(ReadBytes(path), old_bytes);
  EXPECT_TRUE(std::filesystem::is_directory(path + ".tmp"));
}

}  // namespace
}  // namespace atalaya::sim
