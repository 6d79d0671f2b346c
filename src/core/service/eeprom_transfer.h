#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/config/text_table.h"
#include "core/eeprom/eeprom_image.h"
#include "core/service/service_link.h"
#include "core/shell/clock.h"
#include "core/shell/operator.h"
#include "core/shell/task_status.h"

namespace atalaya {

enum class TransferKind { kRead, kWrite, kVerify };
enum class TransferRange { kAll, kLow, kSelectedRow };
enum class TransferOutcome { kSuccess, kRetriesExhausted, kTimedOut };

// Where an EEPROM transfer reports: the "Eeprom" page's status group and log, the terminal pane.
struct EepromTransferSinks {
  TaskStatus& status;
  LogPane& eeprom_log;
  LogPane& terminal;
  PageLock& pages;
  Operator& user;
  const TextTable& texts;
  Clock& clock;
};

// Reads the decoder's EEPROM into the image, writes the image into it, or compares the two,
// one 16-byte row per exchange, asking again for a row the decoder refuses ("$?C0") up to ten
// times in a row.
class EepromTransfer : public ReplyEngine {
 public:
  static constexpr int kMaxFailures = 10;

  EepromTransfer(ServiceLink& link, EepromImage& image, EepromTransferSinks sinks);

  // Optional hooks of the window and the command-line tool.
  std::function<void()> on_interpret;        // refresh the interpreted fields
  std::function<void()> on_show_hex_editor;  // bring the hex grid into view
  std::function<void(int row, bool equal)> on_row_verified;
  std::function<void(TransferOutcome)> on_finished;
  char decimal_separator = '.';

  // Starts the task; `selected_row` is the grid row (1…128) for "Fila Seleccionada". Writing
  // and verifying refuse to start (with the message) while a cell is not a valid byte.
  bool Start(TransferKind kind, TransferRange range, int selected_row);

  void OnReplyLine(std::string_view line) override;
  void OnTimeout() override;

  bool running() const { return running_; }

 private:
  void SendRow();
  void ShowSpeed();
  void Finish();

  ServiceLink& link_;
  EepromImage& image_;
  EepromTransferSinks sinks_;
  TransferKind kind_ = TransferKind::kRead;
  int range_end_ = 0;
  int32_t failure_count_ = 0;
  uint32_t start_tick_ = 0;
  bool running_ = false;
};

}  // namespace atalaya
