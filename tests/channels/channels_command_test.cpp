// "atalaya-cli channels" and "atalaya-cli checksum" on image files: what they print, what they
// write and how they end.
#include "cli/channels_command.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "channels/list_image_builder.h"
#include "core/channels/channel_list.h"
#include "core/channels/table_export.h"
#include "core/config/text_table.h"
#include "core/jtag/crc32.h"
#include "sim/channel_image.h"

namespace atalaya {
namespace {

struct CommandRun {
  int status;
  std::string out;
  std::string err;
};

class ChannelsCommandTest : public ::testing::Test {
 protected:
  ChannelsCommandTest() {
    dir_ = std::filesystem::temp_directory_path() /
           ("atalaya-channels-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  ~ChannelsCommandTest() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }

  std::string Read(const std::string& path) const {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  CommandRun Channels(const std::vector<std::string>& arguments) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = RunChannelsCommand(arguments, texts_, settings_);
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
  }

  CommandRun Checksum(const std::vector<std::string>& arguments) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = RunChecksumCommand(arguments, texts_);
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
  }

  std::filesystem::path dir_;
  TextTable texts_;
  Settings settings_ = ListSettings();
};

TEST_F(ChannelsCommandTest, DumpPrintsTheTableAsTheTextExport) {
  const sim::SimChannelList made = sim::MakeSimChannelList(64, 12);
  const std::string image = Write("flash.bin", sim::MakeFlashImage(made));
  const CommandRun run = Channels({"dump", image, "--decimal", ","});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const sim::SimChannel& first = made.channels[0];
  const std::string second_line = run.out.substr(run.out.find("\r\n") + 2);
  EXPECT_TRUE(
      run.out.starts_with("\tNOMBRE\tTRSP\tSID\tVPID\tAPID\tVECM\tAECM\tPCR\tSTA\tSAT\t\r\n"));
  EXPECT_TRUE(second_line.starts_with("1\t" + first.name + "\t1\t" + std::to_string(first.sid) +
                                      "\t" + std::to_string(first.vpid) + "\t"))
      << second_line.substr(0, 80);
  // Every row the settings give the table, each of 11 cells ended by a TAB.
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), settings_.channel_row_count);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\t'), 11 * settings_.channel_row_count);

  // The same as the page's export of the list the program loads.
  Settings settings = settings_;
  ChoosingUser user;
  ChannelList list(settings, texts_, user, ',');
  ASSERT_EQ(list.LoadFlashList(sim::MakeFlashImage(made), false), LoadResult::kLoaded);
  EXPECT_EQ(run.out, TableText(list.channels()));
}

TEST_F(ChannelsCommandTest, TransponderFrequenciesTakeTheChosenSeparator) {
  ListImage image(0x20000);
  image.AddTable(0x00000, "TPT", 12, 99);
  image.PutTransponder(0, 0, TransponderBytes(0x54B1F1C0, 1017, 49, 1, 1, 2, 0x0B));
  image.AddTable(0x10000, "TCS", 30, 999);
  const std::string path = Write("list.bin", image.bytes);
  for (const char* separator : {",", "."}) {
    const CommandRun run =
        Channels({"dump", "--table", "transponders", path, "--decimal", separator});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(std::string("1\t1420947") + separator +
                           "904\t1017\t49\t3/4\tH\t27500\tOn\t1\tKu\tHispasat\t\r\n"),
              std::string::npos)
        << run.out.substr(0, 200);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 100);
  }
}

TEST_F(ChannelsCommandTest, SeveralCopiesNeedASection) {
  ListImage image(0x50000);
  image.AddTable(0x00020, "TPT", 12, 99);
  image.AddTable(0x10000, "TCS", 30, 999);
  image.PutChannel(0x10000, 0, {"Uno"});
  image.AddTable(0x30020, "TCS", 30, 999);
  image.PutChannel(0x30020, 0, {"Tres"});
  const std::string path = Write("copies.bin", image.bytes);

  const CommandRun listed = Channels({"dump", path});
  EXPECT_EQ(listed.status, 1);
  EXPECT_EQ(listed.out, "");
  EXPECT_NE(listed.err.find("010000"), std::string::npos) << listed.err;
  EXPECT_NE(listed.err.find("030020"), std::string::npos) << listed.err;
  EXPECT_NE(listed.err.find("--tcs-section"), std::string::npos) << listed.err;
  EXPECT_EQ(listed.err.find("--tpt-section"), std::string::npos) << listed.err;

  for (const char* section : {"3", "03", "0x3"}) {
    const CommandRun chosen = Channels({"dump", path, "--tcs-section", section});
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    EXPECT_NE(chosen.out.find("\r\n1\tTres\t"), std::string::npos);
  }
  const CommandRun missing = Channels({"dump", path, "--tcs-section", "5"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("sección 05"), std::string::npos) << missing.err;
}

TEST_F(ChannelsCommandTest, RebuildWritesTheSameBytesOrMovesTheTables) {
  const std::string original = sim::MakeFlashImageWithChannels();
  const std::string path = Write("flash.bin", original);
  const CommandRun same = Channels({"rebuild", path, Path("same.bin")});
  ASSERT_EQ(same.status, 0) << same.err;
  EXPECT_TRUE(Read(Path("same.bin")) == original);

  const CommandRun moved =
      Channels({"rebuild", path, Path("moved.bin"), "--tcs-section", "1E", "--tpt-section", "1f"});
  ASSERT_EQ(moved.status, 0) << moved.err;
  const std::string moved_bytes = Read(Path("moved.bin"));
  ASSERT_EQ(moved_bytes.size(), original.size());
  EXPECT_EQ(FindTableCopies("TCS", moved_bytes), (std::vector<size_t>{0x1E0000}));
  EXPECT_EQ(FindTableCopies("TPT", moved_bytes), (std::vector<size_t>{0x1F0000}));
  for (const char* table : {"channels", "transponders"}) {
    const CommandRun before = Channels({"dump", path, "--table", table, "--decimal", "."});
    const CommandRun after =
        Channels({"dump", Path("moved.bin"), "--table", table, "--decimal", "."});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.out, before.out) << table;
  }

  struct Refusal {
    std::vector<std::string> arguments;
    int status;
    const char* message;
  };
  const Refusal refusals[] = {
      {{"rebuild", path, Path("x.bin"), "--tcs-section", "1C"}, 2, "misma sección"},
      {{"rebuild", path, Path("x.bin"), "--tcs-section", "20"}, 1, "fuera de la imagen"},
      {{"rebuild", Path("none.bin"), Path("x.bin")}, 1, "No se ha podido leer el archivo"},
      {{"rebuild", path, (dir_ / "no" / "x.bin").string()}, 1, "No se ha podido guardar"},
  };
  for (const Refusal& r : refusals) {
    const CommandRun run = Channels(r.arguments);
    EXPECT_EQ(run.status, r.status) << r.message;
    EXPECT_NE(run.err.find(r.message), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("x.bin")));
}

TEST_F(ChannelsCommandTest, RamImagesHaveOnlyChannels) {
  const std::string path =
      Write("ram.bin", ChannelBytes({"Uno", 0x24, 1, 7}) + ChannelBytes({"Dos", 0x04, 2, 8}));
  const CommandRun run = Channels({"dump", "--ram", path, "--format", "json"});
  ASSERT_EQ(run.status, 0) << run.err;
  QJsonParseError error;
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError);
  EXPECT_EQ(document["rows"][1]["cells"][1].toString(), "Dos");
  EXPECT_EQ(document["rows"][1]["cells"][10].toString(), "");  // no satellite in RAM
  EXPECT_EQ(document["rows"].toArray().size(), 999);

  const CommandRun transponders = Channels({"dump", "--ram", path, "--table", "transponders"});
  EXPECT_EQ(transponders.status, 1);
  EXPECT_NE(transponders.err.find(texts_.Text(194)), std::string::npos);

  const CommandRun html = Channels({"dump", "--ram", path, "--format", "html"});
  ASSERT_EQ(html.status, 0);
  EXPECT_NE(html.out.find("<title>Tabla de Canales</title>"), std::string::npos);
}

TEST_F(ChannelsCommandTest, MissingTablesAndBadCommandLines) {
  const std::string empty = Write("empty.bin", std::string(0x1000, '\0'));
  const CommandRun none = Channels({"dump", empty});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find(texts_.Text(197)), std::string::npos);

  const std::vector<std::vector<std::string>> usage = {
      {},
      {"list", empty},
      {"dump"},
      {"dump", empty, "extra"},
      {"dump", empty, "--format", "xml"},
      {"dump", empty, "--table", "satellites"},
      {"dump", empty, "--decimal", ";"},
      {"dump", empty, "--tcs-section", "G"},
      {"dump", empty, "--tcs-section"},
      {"dump", empty, "--ram", "--tcs-section", "1"},
      {"dump", empty, "--verbose", "1"},
      {"rebuild", empty},
      {"rebuild", empty, Path("out.bin"), "--ram"},
      {"rebuild", empty, Path("out.bin"), "--format", "json"},
  };
  for (const auto& arguments : usage) {
    const CommandRun run = Channels(arguments);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(arguments);
    EXPECT_NE(run.err.find("uso:"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
  // The settings folder option belongs to the caller and is passed over.
  EXPECT_EQ(Channels({"--data-dir", "/x", "dump", empty}).status, 1);
}

// The CRC-32 of each firmware block, bit by bit, without the table the program uses.
uint32_t SlowCrc32(std::string_view data) {
  uint32_t crc = 0xFFFFFFFF;
  for (const char c : data) {
    crc ^= static_cast<uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

TEST_F(ChannelsCommandTest, ChecksumPrintsTheTwentyValues) {
  std::string firmware(0x140000, '\0');
  for (size_t i = 0; i < firmware.size(); ++i) firmware[i] = static_cast<char>(i * 7 + i / 251);
  const std::string path = Write("firmware.bin", firmware);
  const CommandRun run = Checksum({path});
  ASSERT_EQ(run.status, 0) << run.err;
  std::string expected;
  for (size_t block = 0; block < 20; ++block) {
    char line[16];
    std::snprintf(line, sizeof line, "%08X\n",
                  SlowCrc32(std::string_view(firmware).substr(block * 0x10000,
                                                              block == 19 ? 0xFC00 : 0x10000)));
    expected += line;
  }
  EXPECT_EQ(run.out, expected);

  const CommandRun short_file = Checksum({Write("short.bin", firmware.substr(0, 0x13FBFF))});
  EXPECT_EQ(short_file.status, 1);
  EXPECT_EQ(short_file.out, "");
  EXPECT_NE(short_file.err.find("13FC00"), std::string::npos);
  EXPECT_EQ(Checksum({Path("missing.bin")}).status, 1);
  EXPECT_EQ(Checksum({}).status, 2);
  EXPECT_EQ(Checksum({path, path}).status, 2);
}

TEST(LocaleSeparatorTest, ReadsTheLocaleWithoutChangingTheProcess) {
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  ::setenv("LC_ALL", "C.UTF-8", 1);
  EXPECT_EQ(LocaleDecimalSeparator(), '.');
  ::unsetenv("LC_ALL");
  EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), before);
}

}  // namespace
}  // namespace atalaya
