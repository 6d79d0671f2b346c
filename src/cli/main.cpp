// atalaya-cli: the decoder service operations from a shell, on the same engines as the window.

#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "cli/cli_options.h"
#include "cli/terminal_sinks.h"
#include "core/config/cp1252.h"
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
      case CliRequest::Action::kHelp:
        break;
    }
    return kUsage;
  }

 private:
  std::optional<int> StartTransfer(TransferKind kind) {
    if (kind != TransferKind::kRead) {
      if (auto error = LoadImage()) {
        user_.ShowError(*error);
        return kFailed;
      }
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

  std::optional<std::string> LoadImage() {
    const FileReadResult file = ReadWholeFile(request_.file);
    if (file.status != FileReadResult::Status::kOk) {
      return texts_.Text(ExtraText::kFileNotRead) + " " + request_.file +
             (file.error.empty() ? "" : "\n" + file.error);
    }
    if (file.bytes.size() != static_cast<size_t>(EepromImage::kSize)) {
      return texts_.Text(14) + " " + request_.file;
    }
    image_.LoadBytes(reinterpret_cast<const uint8_t*>(file.bytes.data()), 0, file.bytes.size());
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
    const std::string data(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (auto error = WriteFileAtomically(request_.file, data)) {
      user_.ShowError(texts_.Text(ExtraText::kFileNotSaved) + " " + request_.file + "\n" + *error);
      return kFailed;
    }
    return 0;
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
  const CliParse parse = ParseCommandLine(arguments);
  if (!parse.request) {
    std::fprintf(stderr, "atalaya-cli: %s\n\n%s", parse.error.c_str(), kCliUsage);
    return kUsage;
  }
  const CliRequest& request = *parse.request;
  if (request.action == CliRequest::Action::kHelp) {
    std::fputs(kCliUsage, stdout);
    return 0;
  }

  // The texts follow the language chosen in the settings; the settings file is never written.
  SettingsStore store(request.data_dir.empty() ? DefaultDataFolder() : request.data_dir);
  const Settings settings = store.Load({});
  TextTable texts;
  store.LoadTexts(settings, texts);

  CliSession session(request, texts);
  if (const auto status = session.Start()) return *status;
  return QCoreApplication::exec();
}
