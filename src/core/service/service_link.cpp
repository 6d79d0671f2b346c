#include "core/service/service_link.h"

#include "core/config/cp1252.h"
#include "core/eeprom/eeprom_image.h"

namespace atalaya {

std::string DisplayLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  std::string shown;
  shown.reserve(line.size());
  for (char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      shown += '\n';
    } else if (byte < 0x20 && c != '\t' && c != '\n') {
      shown += "\xC2\xB7";  // middle dot, already UTF-8
    } else {
      shown += Cp1252ToUtf8(std::string_view(&c, 1));
    }
  }
  return shown;
}

ServiceLink::ServiceLink(SerialChannel& channel, ReplyTimer& timer, ServiceSinks sinks)
    : channel_(channel), timer_(timer), sinks_(sinks) {}

void ServiceLink::SetEngine(Slot slot, ReplyEngine* engine) {
  switch (slot) {
    case Slot::kEeprom:
      eeprom_engine_ = engine;
      break;
    case Slot::kFirmware:
      firmware_engine_ = engine;
      break;
    case Slot::kLptCheck:
      lpt_engine_ = engine;
      break;
  }
}

ReplyEngine* ServiceLink::EngineFor(ServiceTask task) const {
  if (IsEepromTask(task)) return eeprom_engine_;
  if (task == ServiceTask::kFirmwareUpload) return firmware_engine_;
  if (task == ServiceTask::kLptCheck) return lpt_engine_;
  return nullptr;
}

void ServiceLink::SendCommand(std::string_view command) {
  const std::string shown = DisplayLine(command);
  if (IsEepromTask(current_task_)) {
    sinks_.eeprom_status.ShowAddress(RowAddressText(row_counter_));
    sinks_.eeprom_log.Append(shown);
  } else if (current_task_ == ServiceTask::kFirmwareUpload ||
             current_task_ == ServiceTask::kLptCheck) {
    sinks_.firmware_log.Append(shown);
  }
  sinks_.terminal.Append(shown);
  timer_.Arm(reply_interval_ms_);
  awaiting_reply_ = true;
  // A port that cannot take the bytes is reported at once; the time-out armed above then ends
  // the task as if the decoder had stayed silent.
  if (auto error = channel_.Write(command)) sinks_.user.ShowError(*error);
}

void ServiceLink::OnRxChar(std::string_view bytes) {
  const bool line_starts = receive_buffer_.empty();
  receive_buffer_.append(bytes);
  if (receive_buffer_.size() > kMaxReplyLength) {
    receive_buffer_.erase(0, receive_buffer_.size() - kMaxReplyLength);
  }
  // A carriage return alone is not a line: it stays and begins the next one.
  if (receive_buffer_.size() > 1 && receive_buffer_.back() == '\r') {
    timer_.Stop();
    std::string line;
    line.swap(receive_buffer_);
    OnReplyLine(line);
    return;
  }
  // A reply has begun but not ended. The wait starts again once, when the line begins, so a
  // decoder that never ends its line still meets the time-out instead of holding the task.
  if (awaiting_reply_) {
    if (line_starts) timer_.Arm(reply_interval_ms_);
  } else {
    timer_.Stop();
  }
}

void ServiceLink::OnReplyLine(const std::string& line) {
  // Lines nobody asked for (the decoder talking on its own, or a late answer) belong to the
  // terminal, not to the engine of a task that has already finished.
  ReplyEngine* engine = awaiting_reply_ ? EngineFor(current_task_) : nullptr;
  awaiting_reply_ = false;
  if (engine) {
    engine->OnReplyLine(line);
  } else {
    sinks_.terminal.Append(DisplayLine(line));
  }
}

void ServiceLink::OnReplyTimeout() {
  timer_.Stop();
  awaiting_reply_ = false;
  // A half-received line would otherwise start the next task's first reply.
  receive_buffer_.clear();
  const TextTable& t = sinks_.texts;
  const std::string no_reply_box = t.Text(43) + "\r\n" + t.Text(44);
  ReplyEngine* engine = EngineFor(current_task_);
  switch (current_task_) {
    case ServiceTask::kFirmwareUpload: {
      sinks_.firmware_status.Clear();
      row_counter_ = 0;
      const int phase = engine ? engine->UploadPhase() : 0;
      if (phase == 0) {
        sinks_.firmware_log.Append(t.Text(43));
        sinks_.user.ShowError(no_reply_box);
      } else if (phase == 1 || phase == 2) {
        const int key = phase == 1 ? 45 : 46;
        sinks_.firmware_log.Append(t.Text(key));
        sinks_.user.ShowError(t.Text(key));
      }
      break;
    }
    case ServiceTask::kLptCheck:
      sinks_.firmware_log.Append(t.Text(43));
      sinks_.user.ShowError(no_reply_box);
      break;
    case ServiceTask::kTerminalLine:
      sinks_.terminal.Append(t.Text(43));
      break;
    default:
      sinks_.eeprom_status.Clear();
      row_counter_ = 0;
      sinks_.eeprom_log.Append(t.Text(43));
      sinks_.user.ShowError(no_reply_box);
      break;
  }
  sinks_.pages.UnlockPages();
  if (engine) engine->OnTimeout();
}

}  // namespace atalaya
