#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/config/text_table.h"
#include "core/service/serial_channel.h"
#include "core/service/service_task.h"
#include "core/shell/operator.h"
#include "core/shell/task_status.h"

namespace atalaya {

// A task's handler of the reply lines the link routes to it.
class ReplyEngine {
 public:
  virtual ~ReplyEngine() = default;
  virtual void OnReplyLine(std::string_view line) = 0;
  // The link has already reported the time-out; the engine only learns that its task ended.
  virtual void OnTimeout() {}
  // Progress of a firmware upload, which decides the time-out message.
  virtual int UploadPhase() const { return 0; }
};

// Where the link reports: the panes and status groups of the pages that run serial tasks.
struct ServiceSinks {
  LogPane& eeprom_log;
  LogPane& firmware_log;
  LogPane& terminal;
  TaskStatus& eeprom_status;
  TaskStatus& firmware_status;
  PageLock& pages;
  Operator& user;
  const TextTable& texts;
};

// The conversation with a decoder in its service mode: commands out, one reply line back for
// each, a time-out when the decoder stays silent. One exchange is outstanding at a time.
class ServiceLink {
 public:
  static constexpr int kReplyIntervalMs = 15000;
  // A reply is some forty characters; anything this long without a carriage return is noise,
  // and only its end is kept.
  static constexpr size_t kMaxReplyLength = 4096;

  enum class Slot { kEeprom, kFirmware, kLptCheck };

  ServiceLink(SerialChannel& channel, ReplyTimer& timer, ServiceSinks sinks);

  void SetEngine(Slot slot, ReplyEngine* engine);
  void set_reply_interval_ms(int interval_ms) { reply_interval_ms_ = interval_ms; }

  ServiceTask current_task() const { return current_task_; }
  void set_current_task(ServiceTask task) { current_task_ = task; }
  // The 0-based EEPROM row the next EEPROM command is for; shared with the time-out, which
  // resets it whatever the task.
  uint8_t row_counter() const { return row_counter_; }
  void set_row_counter(uint8_t row) { row_counter_ = row; }
  const std::string& receive_buffer() const { return receive_buffer_; }
  bool awaiting_reply() const { return awaiting_reply_; }

  // Logs a finished command, arms the reply time-out and writes the command to the port.
  void SendCommand(std::string_view command);
  // Received characters, in whatever pieces the port delivers them.
  void OnRxChar(std::string_view bytes);
  void OnReplyTimeout();

 private:
  void OnReplyLine(const std::string& line);
  ReplyEngine* EngineFor(ServiceTask task) const;

  SerialChannel& channel_;
  ReplyTimer& timer_;
  ServiceSinks sinks_;
  ReplyEngine* eeprom_engine_ = nullptr;
  ReplyEngine* firmware_engine_ = nullptr;
  ReplyEngine* lpt_engine_ = nullptr;
  int reply_interval_ms_ = kReplyIntervalMs;

  ServiceTask current_task_ = ServiceTask::kIdle;
  uint8_t row_counter_ = 0;
  std::string receive_buffer_;
  bool awaiting_reply_ = false;
};

// A line from the decoder as a log pane shows it: its line end dropped, a carriage return
// inside it starting a new line, other control bytes shown as "·".
std::string DisplayLine(std::string_view line);

}  // namespace atalaya
