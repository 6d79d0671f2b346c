// The decoder's side of the serial line: whatever bytes come back, in whatever pieces and at
// whatever moment, while the EEPROM engine, the terminal or another task waits for replies.
//
// Input: a list of events, each a byte and its arguments:
//   0-2  bytes arrive: length, then the bytes
//   3    the reply timer fires, if it is running
//   4    the user starts an EEPROM transfer (when the pages are not locked): kind and range,
//        then the selected row
//   5    the user sends a terminal line (pages not locked): checksum flag, then the line
//   6    another task starts (pages not locked): the task, then its command
//   7    the port starts or stops refusing writes, as when a USB adapter is pulled out

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/config/text_table.h"
#include "core/eeprom/eeprom_image.h"
#include "core/service/eeprom_transfer.h"
#include "core/service/serial_channel.h"
#include "core/service/service_link.h"
#include "core/service/service_task.h"
#include "core/service/terminal.h"
#include "core/shell/clock.h"
#include "fuzz_support.h"

namespace atalaya::fuzz {
namespace {

constexpr std::array<ServiceTask, 13> kTasks = {
    ServiceTask::kIdle,           ServiceTask::kEepromReadAll,  ServiceTask::kEepromWriteAll,
    ServiceTask::kEepromVerifyAll, ServiceTask::kFirmwareUpload, ServiceTask::kEepromWriteRow,
    ServiceTask::kEepromReadLow,  ServiceTask::kEepromWriteLow, ServiceTask::kEepromVerifyLow,
    ServiceTask::kEepromReadRow,  ServiceTask::kEepromVerifyRow, ServiceTask::kLptCheck,
    ServiceTask::kTerminalLine};

struct Port : SerialChannel {
  std::optional<std::string> Write(std::string_view bytes) override {
    ++writes;
    last_write = bytes;
    if (gone) return std::string("El dispositivo ya no existe");
    return std::nullopt;
  }
  bool gone = false;
  int writes = 0;
  std::string last_write;
};

struct Timer : ReplyTimer {
  void Arm(int interval_ms) override {
    armed = true;
    interval = interval_ms;
  }
  void Stop() override { armed = false; }
  bool armed = false;
  int interval = 0;
};

struct SteppingClock : Clock {
  uint32_t TickMs() override { return now += 50; }
  uint32_t now = 0xFFFFF000;  // wraps during a long run, as the tick counter does
};

struct Rig {
  Rig()
      : link(port, timer,
             ServiceSinks{eeprom_log, firmware_log, terminal, eeprom_status, firmware_status,
                          pages, user, texts}),
        transfer(link, image,
                 EepromTransferSinks{eeprom_status, eeprom_log, terminal, pages, user, texts,
                                     clock}) {
    link.SetEngine(ServiceLink::Slot::kEeprom, &transfer);
    transfer.on_finished = [this](TransferOutcome) { ++finished; };
    // Only a read writes into the image, and only into the row it is on.
    image.SetChangeListener([this](int first_row, int last_row) {
      FUZZ_CHECK(first_row >= 1 && first_row <= last_row && last_row <= EepromImage::kRows);
      FUZZ_CHECK(transfer.running() && reading);
      FUZZ_CHECK(first_row == link.row_counter() + 1 && last_row == first_row);
    });
  }

  void CheckInvariants() const {
    FUZZ_CHECK(link.receive_buffer().size() <= ServiceLink::kMaxReplyLength);
    // The pages are locked exactly while a transfer runs.
    FUZZ_CHECK(pages.locked == transfer.running());
    FUZZ_CHECK(started == finished + (transfer.running() ? 1 : 0));
    if (transfer.running()) {
      FUZZ_CHECK(IsEepromTask(link.current_task()));
      FUZZ_CHECK(link.row_counter() < EepromImage::kRows);
    } else {
      FUZZ_CHECK(link.row_counter() == 0);
    }
    FUZZ_CHECK(eeprom_status.progress >= 0 && eeprom_status.progress < EepromImage::kRows);
  }

  Port port;
  Timer timer;
  SteppingClock clock;
  CountingLog eeprom_log, firmware_log, terminal;
  KeptStatus eeprom_status, firmware_status;
  KeptPages pages;
  ScriptedUser user;
  const TextTable texts;
  EepromImage image;
  ServiceLink link;
  EepromTransfer transfer;
  int started = 0;
  int finished = 0;
  bool reading = false;
};

}  // namespace
}  // namespace atalaya::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace atalaya;
  using namespace atalaya::fuzz;

  InputReader input(data, size);
  Rig rig;
  while (!input.empty()) {
    switch (input.Byte() % 8) {
      case 0:
      case 1:
      case 2:
        rig.link.OnRxChar(input.ShortText());
        break;
      case 3:
        if (rig.timer.armed) rig.link.OnReplyTimeout();
        break;
      case 4: {
        const uint8_t choice = input.Byte();
        const int row = input.Byte();
        if (rig.pages.locked) break;
        const auto kind = static_cast<TransferKind>(choice % 3);
        const auto range = static_cast<TransferRange>(choice / 3 % 3);
        rig.reading = kind == TransferKind::kRead;
        const int errors = rig.user.errors;
        if (rig.transfer.Start(kind, range, row)) {
          ++rig.started;
          FUZZ_CHECK(rig.timer.armed && rig.link.awaiting_reply());
        } else {
          // Only a write or verify refuses, and only over a cell that is not a byte.
          FUZZ_CHECK(kind != TransferKind::kRead && rig.user.errors == errors + 1);
          FUZZ_CHECK(rig.image.FirstInvalidCell().has_value());
        }
        break;
      }
      case 5: {
        const bool checksum = (input.Byte() & 1) != 0;
        const std::string_view line = input.ShortText();
        if (rig.pages.locked) break;
        if (SendTypedLine(rig.link, line, checksum)) {
          FUZZ_CHECK(rig.link.current_task() == ServiceTask::kTerminalLine);
          FUZZ_CHECK(rig.timer.armed && rig.link.awaiting_reply());
        }
        break;
      }
      case 6: {
        const ServiceTask task = kTasks[input.Byte() % kTasks.size()];
        const std::string_view command = input.ShortText();
        if (rig.pages.locked) break;
        rig.link.set_current_task(task);
        rig.link.SendCommand(command);
        break;
      }
      case 7:
        rig.port.gone = !rig.port.gone;
        break;
    }
    rig.CheckInvariants();
  }

  // Whatever came in, every cell holds at most the two characters of a byte.
  for (int row = 1; row <= EepromImage::kRows; ++row) {
    for (int column = 1; column <= EepromImage::kColumns; ++column) {
      FUZZ_CHECK(rig.image.Cell(row, column).size() <= 2);
    }
  }
  return 0;
}
