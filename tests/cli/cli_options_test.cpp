#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace atalaya {
namespace {

CliParse Parse(std::vector<std::string> arguments) { return ParseCommandLine(arguments); }

TEST(CliOptionsTest, ReadsEveryForm) {
  const CliParse read = Parse({"eeprom", "read", "--port", "/dev/pts/4", "--range", "row:127",
                               "--baud", "115200", "--data-bits", "8", "--parity", "none",
                               "--stop-bits", "2", "--flow", "hardware", "--timeout", "250",
                               "out.bin"});
  ASSERT_TRUE(read.request) << read.error;
  const CliRequest& r = *read.request;
  EXPECT_EQ(r.action, CliRequest::Action::kEepromRead);
  EXPECT_EQ(r.port, "/dev/pts/4");
  EXPECT_EQ(r.file, "out.bin");
  EXPECT_EQ(r.range, TransferRange::kSelectedRow);
  EXPECT_EQ(r.row, 127);
  EXPECT_EQ(kBaudRates[static_cast<size_t>(r.baud)], 115200);
  EXPECT_EQ(kDataBits[static_cast<size_t>(r.data_bits)], 8);
  EXPECT_EQ(r.parity, 0);
  EXPECT_EQ(r.stop_bits, 1);
  EXPECT_EQ(r.flow_control, 2);
  EXPECT_EQ(r.timeout_ms, 250);

  const CliParse send = Parse({"send", "--no-checksum", "--port", "p", "%PR?"});
  ASSERT_TRUE(send.request);
  EXPECT_EQ(send.request->action, CliRequest::Action::kSend);
  EXPECT_FALSE(send.request->checksum);
  EXPECT_EQ(send.request->command, "%PR?");

  const CliParse defaults = Parse({"eeprom", "verify", "--port", "p", "in.bin"});
  ASSERT_TRUE(defaults.request);
  EXPECT_EQ(kBaudRates[static_cast<size_t>(defaults.request->baud)], 9600);
  EXPECT_EQ(kDataBits[static_cast<size_t>(defaults.request->data_bits)], 7);
  EXPECT_EQ(defaults.request->parity, 2);
  EXPECT_EQ(defaults.request->flow_control, 1);
  EXPECT_EQ(defaults.request->range, TransferRange::kAll);
}

TEST(CliOptionsTest, RefusesWhatItCannotDo) {
  const std::vector<std::vector<std::string>> refused = {
      {"eeprom", "read", "out.bin"},                                  // no port
      {"eeprom", "erase", "--port", "p", "x"},
      {"eeprom", "read", "--port", "p", "--range", "row:128", "x"},
      {"eeprom", "read", "--port", "p", "--range", "row:-1", "x"},
      {"eeprom", "read", "--port", "p", "--range", "middle", "x"},
      {"eeprom", "read", "--port", "p", "--baud", "12345", "x"},
      {"eeprom", "read", "--port", "p", "--data-bits", "9", "x"},
      {"eeprom", "read", "--port", "p", "--parity", "odd-ish", "x"},
      {"eeprom", "read", "--port", "p", "--timeout", "0", "x"},
      {"eeprom", "read", "--port"},
      {"send", "--port", "p"},
      {"fly", "--port", "p"},
      {"eeprom", "read", "--port", "p", "--colour", "red", "x"},
  };
  for (const auto& arguments : refused) {
    const CliParse parse = Parse(arguments);
    EXPECT_FALSE(parse.request) << arguments[0] << " " << arguments.back();
    EXPECT_FALSE(parse.error.empty());
  }
  EXPECT_EQ(Parse({"--help"}).request->action, CliRequest::Action::kHelp);
  EXPECT_EQ(Parse({}).request->action, CliRequest::Action::kHelp);
}

}  // namespace
}  // namespace atalaya
