// atalaya-cli: the decoder service operations from a shell, on the same engines as the window.

#include <QCoreApplication>
#include <cctype>
#include <cstdio>
#include <memory>

#include "cli/channels_command.h"
#include "cli/cli_options.h"
#include "cli/frame_command.h"
#include "cli/terminal_sinks.h"
#include "core/config/cp1252.h"
#include "core/eeprom/eeprom_fields.h"
#include "core/eeprom/eeprom_files.h"
#include "core/eeprom/eeprom_image.h"
#include "core/service/checksum.h"
#include "core/service/eeprom_transfer.h"
#include "core/service/service_link.h"
#include "core/service/terminal.h"
#include "platform/file_io.h"
#include "platform/machine.h"
#include "platform/qt_reply_timer.h"
#include "platform/qt_serial_port.h"
#include "platform/settings_store.h"

namespace atalaya {
namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Loads an EEPROM file in the format asked for, or the one its content and name show.
bool LoadImageFile(const std::string& path, std::optional<EepromFileFormat> format,
                   EepromImage& image, const TextTable& texts, Operator& user) {
  const FileReadResult file = ReadWholeFile(path);
  if (file.status != FileReadResult::Status::kOk) {
    user.ShowError(texts.Text(ExtraText::kFileNotRead) + " " + path +
                   (file.error.empty() ? "" : "\n" + file.error));
    return false;
  }
  if (!format) format = GuessEepromFileFormat(file.bytes, path);
  if (!format) {
    user.ShowError(texts.Text(8));
    return false;
  }
  return LoadEepromFile(*format, file.bytes, image, texts, user);
}

// The format to write: the one asked for, otherwise own text for ".txt" and raw for the rest.
EepromFileFormat OutputFormat(std::optional<EepromFileFormat> format, const std::string& path) {
  if (format) return *format;
  std::string lower = path;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.ends_with(".txt") ? EepromFileFormat::kOwnText : EepromFileFormat::kRaw;
}

bool SaveImageFile(const std::string& path, std::optional<EepromFileFormat> format,
                   const EepromImage& image, const TextTable& texts, Operator& user) {
  if (auto error = WriteFileAtomically(path, SaveEepromFile(OutputFormat(format, path), image))) {
    user.ShowError(texts.Text(ExtraText::kFileNotSaved) + " " + path + "\n" + *error);
    return false;
  }
  return true;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// "eeprom convert" and "eeprom show": files only, no decoder.
int RunOffline(const CliRequest& request, const TextTable& texts, const Settings& settings) {
  CliOperator user;
  EepromImage image;
  if (!LoadImageFile(request.file, request.from, image, texts, user)) return kFailed;
  if (request.action == CliRequest::Action::kEepromConvert) {
    return SaveImageFile(request.output, request.to, image, texts, user) ? 0 : kFailed;
  }
  const EepromFields fields(image, settings.symbol_rates);
  const std::vector<FieldRow> rows = DescribeFields(fields.Interpret(), texts);
  if (request.json) {
    std::printf("{\n");
    for (size_t i = 0; i < rows.size(); ++i) {
      std::printf("  %s: {\"label\": %s, \"value\": %s, \"hex\": %s}%s\n",
                  JsonString(rows[i].key).c_str(), JsonString(rows[i].label).c_str(),
                  JsonString(rows[i].value).c_str(), JsonString(rows[i].hex).c_str(),
                  i + 1 < rows.size() ? "," : "");
    }
    std::printf("}\n");
  } else {
    for (const FieldRow& row : rows) {
      std::printf("%s: %s%s\n", row.label.c_str(), row.value.c_str(),
                  row.hex.empty() ? "" : (" [" + row.hex + "]").c_str());
    }
  }
  return 0;
}

// Terminal lines of a "send": the first is the command itself, the next one is the reply.
class ReplyCapture : public LogPane {
 public:
  std::function<void(std::string_view)> on_reply;
  bool timed_out = false;

  void Append(std::string_view line) override {
    if (++lines_ == 1 || timed_out) return;
    if (on_reply) on_reply(line);
  }

 private:
  int lines_ = 0;
};

class CliSession {
 public:
  CliSession(const CliRequest& request, const TextTable& texts)
      : request_(request),
        texts_(texts),
        link_(port_, timer_,
              ServiceSinks{log_, log_, capture_, status_, status_, pages_, user_, texts_}),
        transfer_(link_, image_,
                  EepromTransferSinks{status_, log_, log_, pages_, user_, texts_, clock_}) {
    link_.SetEngine(ServiceLink::Slot::kEeprom, &transfer_);
    link_.set_reply_interval_ms(request.timeout_ms);
    port_.on_received = [this](std::string_view bytes) { link_.OnRxChar(bytes); };
    port_.on_lost = [this](const std::string& message) { user_.ShowError(message); };
    timer_.on_timeout = [this] {
      capture_.timed_out = true;
      link_.OnReplyTimeout();
      // A typed command's time-out only reaches the terminal pane; here it must be said.
      if (request_.action == CliRequest::Action::kSend) {
        user_.ShowError(texts_.Text(43));
        QCoreApplication::exit(kFailed);
      }
    };
  }

  // Opens the port and starts the request; returns an exit status when it ends at once.
  std::optional<int> Start() {
    Settings serial;
    serial.serial_ports = {request_.port};
    serial.port = 0;
    serial.baud = request_.baud;
    serial.data_bits = request_.data_bits;
    serial.parity = request_.parity;
    serial.stop_bits = request_.stop_bits;
    serial.flow_control = request_.flow_control;
    port_.ApplySettings(serial);
    if (auto error = port_.Open(texts_)) {
      user_.ShowError(*error);
      return kFailed;
    }
    switch (request_.action) {
      case CliRequest::Action::kSend:
        capture_.on_reply = [](std::string_view line) {
          std::printf("%s\n", std::string(line).c_str());
          QCoreApplication::exit(0);
        };
        SendTypedLine(link_, Utf8ToCp1252(request_.command), request_.checksum);
        return std::nullopt;
      case CliRequest::Action::kEepromRead:
        return StartTransfer(TransferKind::kRead);
      case CliRequest::Action::kEepromWrite:
        return StartTransfer(TransferKind::kWrite);
      case CliRequest::Action::kEepromVerify:
        return StartTransfer(TransferKind::kVerify);
      case CliRequest::Action::kEepromConvert:
      case CliRequest::Action::kEepromShow:
      case CliRequest::Action::kHelp:
        break;
    }
    return kUsage;
  }

 private:
  std::optional<int> StartTransfer(TransferKind kind) {
    if (kind != TransferKind::kRead &&
        !LoadImageFile(request_.file, request_.from, image_, texts_, user_)) {
      return kFailed;
    }
    transfer_.on_row_verified = [this](int row, bool equal) {
      if (equal) return;
      ++differing_rows_;
      std::printf("%s: %s\n", RowAddressText(row).c_str(), texts_.Text(23).c_str());
    };
    transfer_.on_finished = [this, kind](TransferOutcome outcome) {
      QCoreApplication::exit(Finish(kind, outcome));
    };
    if (!transfer_.Start(kind, request_.range, request_.row + 1)) return kFailed;
    return std::nullopt;
  }


  int Finish(TransferKind kind, TransferOutcome outcome) {
    if (outcome != TransferOutcome::kSuccess) return kFailed;
    if (kind == TransferKind::kVerify) return differing_rows_ == 0 ? 0 : kFailed;
    if (kind != TransferKind::kRead) return 0;
    const auto bytes = image_.Bytes();
    if (!bytes) {
      // The decoder sent something that is not a byte; the message names the first place.
      image_.CheckCells(texts_, user_);
      return kFailed;
    }
    return SaveImageFile(request_.file, request_.to, image_, texts_, user_) ? 0 : kFailed;
  }

  const CliRequest& request_;
  const TextTable& texts_;
  CliOperator user_;
  ProgressLine status_;
  DiscardedLog log_;
  ReplyCapture capture_;
  NoPages pages_;
  SteadyClock clock_;
  QtReplyTimer timer_;
  QtSerialPort port_;
  EepromImage image_;
  ServiceLink link_;
  EepromTransfer transfer_;
  int differing_rows_ = 0;
};

}  // namespace
}  // namespace atalaya

int main(int argc, char* argv[]) {
  using namespace atalaya;
  QCoreApplication app(argc, argv);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);

  // Families of commands on files take the rest of the line with their own options; only the
  // data folder, shared by every command, is taken out here.
  const std::string family = arguments.empty() ? std::string() : arguments[0];
  if (family == "frame" || family == "channels" || family == "checksum") {
    std::string data_dir;
    std::vector<std::string> rest;
    for (size_t i = 1; i < arguments.size(); ++i) {
      if (arguments[i] == "--data-dir" && i + 1 < arguments.size()) {
        data_dir = arguments[++i];
      } else {
        rest.push_back(arguments[i]);
      }
    }
    SettingsStore store(data_dir.empty() ? DefaultDataFolder() : data_dir);
    const Settings settings = store.Load({});
    TextTable texts;
    store.LoadTexts(settings, texts);
    if (family == "channels") return RunChannelsCommand(rest, texts, settings);
    if (family == "checksum") return RunChecksumCommand(rest, texts);
    return RunFrameCommand(rest, texts, settings);
  }

  const CliParse parse = ParseCommandLine(arguments);
  if (!parse.request) {
    std::fprintf(stderr, "atalaya-cli: %s\n\n%s", parse.error.c_str(), kCliUsage);
    return kUsage;
  }
  const CliRequest& request = *parse.request;
  if (request.action == CliRequest::Action::kHelp) {
    std::fputs(kCliUsage, stdout);
    std::fputs(kFrameUsage, stdout);
    std::fputs(kChannelsUsage, stdout);
    return 0;
  }

  // The texts follow the language chosen in the settings; the settings file is never written.
  SettingsStore store(request.data_dir.empty() ? DefaultDataFolder() : request.data_dir);
  const Settings settings = store.Load({});
  TextTable texts;
  store.LoadTexts(settings, texts);

  if (request.action == CliRequest::Action::kEepromConvert ||
      request.action == CliRequest::Action::kEepromShow) {
    return RunOffline(request, texts, settings);
  }
  CliSession session(request, texts);
  if (const auto status = session.Start()) return *status;
  return QCoreApplication::exec();
}
