#include "core/service/eeprom_transfer.h"

#include <algorithm>

#include "core/service/checksum.h"
#include "core/shell/transfer_rate.h"

namespace atalaya {
namespace {

constexpr std::string_view kRefusal = "$?C0";
constexpr size_t kDataStart = 4;  // data follows the reply's four-character head

ServiceTask TaskFor(TransferKind kind, TransferRange range) {
  static constexpr ServiceTask kTasks[3][3] = {
      // all, low range, selected row
      {ServiceTask::kEepromReadAll, ServiceTask::kEepromReadLow, ServiceTask::kEepromReadRow},
      {ServiceTask::kEepromWriteAll, ServiceTask::kEepromWriteLow, ServiceTask::kEepromWriteRow},
      {ServiceTask::kEepromVerifyAll, ServiceTask::kEepromVerifyLow, ServiceTask::kEepromVerifyRow},
  };
  return kTasks[static_cast<int>(kind)][static_cast<int>(range)];
}

// Characters `start` … `start + count − 1` of the line, fewer (or none) where it is shorter.
std::string_view Piece(std::string_view line, size_t start, size_t count) {
  return start < line.size() ? line.substr(start, count) : std::string_view();
}

}  // namespace

EepromTransfer::EepromTransfer(ServiceLink& link, EepromImage& image, EepromTransferSinks sinks)
    : link_(link), image_(image), sinks_(sinks) {}

bool EepromTransfer::Start(TransferKind kind, TransferRange range, int selected_row) {
  if (kind != TransferKind::kRead && !image_.CheckCells(sinks_.texts, sinks_.user)) return false;
  sinks_.pages.LockPages();
  if (on_show_hex_editor) on_show_hex_editor();
  kind_ = kind;
  running_ = true;
  link_.set_row_counter(0);
  failure_count_ = 0;

  static constexpr int kTaskNames[] = {4, 5, 6};  // "Recibe", "Envía", "Verifica"
  sinks_.status.ShowTask(sinks_.texts.Text(kTaskNames[static_cast<int>(kind)]));
  sinks_.status.ShowAddress("000");
  sinks_.status.ShowErrors(0);
  sinks_.status.SetProgress(0);
  switch (range) {
    case TransferRange::kAll:
      sinks_.status.SetProgressMax(127);
      range_end_ = 128;
      break;
    case TransferRange::kLow:
      sinks_.status.SetProgressMax(10);
      range_end_ = 11;
      break;
    case TransferRange::kSelectedRow: {
      const int row = std::clamp(selected_row, 1, EepromImage::kRows) - 1;
      link_.set_row_counter(static_cast<uint8_t>(row));
      // The task ends after the selected row is done; a refusal is asked again like on any
      // other row, and ten of them are reported as a failure.
      range_end_ = row + 1;
      break;
    }
  }
  link_.set_current_task(TaskFor(kind, range));
  start_tick_ = sinks_.clock.TickMs();
  SendRow();
  return true;
}

void EepromTransfer::SendRow() {
  const int row = link_.row_counter();
  std::string command = (kind_ == TransferKind::kWrite ? "%EE=" : "%EE?") + HexDigits(row, 2) + "010";
  if (kind_ == TransferKind::kWrite) command += image_.RowText(row + 1);
  link_.SendCommand(AddChecksum(command));
}

void EepromTransfer::ShowSpeed() {
  const int row = link_.row_counter();
  const uint32_t elapsed = sinks_.clock.TickMs() - start_tick_;
  const double speed = PerSecond(row * 16.0, elapsed);
  const TextTable& t = sinks_.texts;
  sinks_.status.ShowSpeed(SpeedText(speed, 5, 2, "", t.Text(236), decimal_separator));
  if (speed != 0.0) {
    sinks_.status.ShowRemaining(RemainingText((range_end_ - row + 1) * 16.0 / speed, "", t.Text(237)));
  }
}

void EepromTransfer::OnReplyLine(std::string_view line) {
  if (!running_) return;
  const std::string shown = DisplayLine(line);
  sinks_.eeprom_log.Append(shown);
  sinks_.terminal.Append(shown);

  // The line's end is never data: a short reply must not leave its carriage return in a cell.
  std::string_view body = line;
  while (!body.empty() && (body.back() == '\r' || body.back() == '\n')) body.remove_suffix(1);

  const int row = link_.row_counter();
  if (!line.starts_with(kRefusal)) {
    if (kind_ == TransferKind::kRead) {
      for (int column = 1; column <= EepromImage::kColumns; ++column) {
        const size_t at = kDataStart + 2 * static_cast<size_t>(column - 1);
        image_.SetCell(row + 1, column, Piece(body, at, 2));
      }
    } else if (kind_ == TransferKind::kVerify) {
      const bool equal = Piece(body, kDataStart, 32) == image_.RowText(row + 1);
      sinks_.eeprom_log.Append(sinks_.texts.Text(equal ? 24 : 23));
      if (on_row_verified) on_row_verified(row, equal);
    }
    link_.set_row_counter(static_cast<uint8_t>(row + 1));
    failure_count_ = 0;
  } else {
    ++failure_count_;
    sinks_.status.ShowErrors(failure_count_);
  }

  if (link_.row_counter() < range_end_ && failure_count_ < kMaxFailures) {
    ShowSpeed();
    SendRow();
    sinks_.status.SetProgress(link_.row_counter());
    return;
  }
  Finish();
}

void EepromTransfer::Finish() {
  running_ = false;
  sinks_.status.SetProgress(0);
  sinks_.status.Clear();
  link_.set_row_counter(0);
  if (on_interpret) on_interpret();
  sinks_.pages.UnlockPages();

  const TextTable& t = sinks_.texts;
  const bool failed = failure_count_ >= kMaxFailures;
  // Two-part messages are joined by LF CR.
  const std::string joint = "\n\r";
  if (failed) {
    const int first = kind_ == TransferKind::kVerify ? 25 : 19;
    sinks_.user.ShowError(t.Text(first) + joint + t.Text(20));
  } else if (kind_ == TransferKind::kRead) {
    sinks_.user.ShowInformation(t.Text(21));
  } else if (kind_ == TransferKind::kWrite) {
    sinks_.user.ShowInformation(t.Text(22));
  } else {
    sinks_.user.ShowInformation(t.Text(26) + joint + t.Text(27));
  }
  if (on_finished) on_finished(failed ? TransferOutcome::kRetriesExhausted : TransferOutcome::kSuccess);
}

void EepromTransfer::OnTimeout() {
  if (!running_) return;
  running_ = false;
  if (on_finished) on_finished(TransferOutcome::kTimedOut);
}

}  // namespace atalaya
