#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/eeprom/eeprom_files.h"
#include "core/service/eeprom_transfer.h"

namespace atalaya {

// What a command line of atalaya-cli asks for.
struct CliRequest {
  enum class Action {
    kEepromRead,
    kEepromWrite,
    kEepromVerify,
    kEepromConvert,
    kEepromShow,
    kSend,
    kHelp
  };
  Action action = Action::kHelp;
  std::string port;
  std::string file;     // the EEPROM image read from or written to
  std::string output;   // convert: the file written
  // Formats given on the command line; otherwise guessed from the content and the extension.
  std::optional<EepromFileFormat> from;
  std::optional<EepromFileFormat> to;
  bool json = false;
  std::string command;  // for send
  bool checksum = true;
  TransferRange range = TransferRange::kAll;
  int row = 0;  // EEPROM row 0…127 for the single-row range
  std::string data_dir;
  int timeout_ms = 15000;
  // Serial parameters as list positions of the settings, defaults 9600 7O1 with XON/XOFF.
  int baud = 6;
  int data_bits = 1;
  int parity = 2;
  int stop_bits = 0;
  int flow_control = 1;
};

struct CliParse {
  std::optional<CliRequest> request;
  std::string error;  // why the command line was refused
};

CliParse ParseCommandLine(const std::vector<std::string>& arguments);

extern const char kCliUsage[];

}  // namespace atalaya
