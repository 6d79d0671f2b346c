#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace atalaya {

// The serial line as the service link sees it: bytes go out through Write; the owner of the
// port feeds received bytes to ServiceLink::OnRxChar.
class SerialChannel {
 public:
  virtual ~SerialChannel() = default;
  // Returns the port's own error text when the bytes could not be written.
  virtual std::optional<std::string> Write(std::string_view bytes) = 0;
};

// The one reply timer. Its owner calls ServiceLink::OnReplyTimeout when it fires.
class ReplyTimer {
 public:
  virtual ~ReplyTimer() = default;
  // Starts (or restarts) the timer for `interval_ms`.
  virtual void Arm(int interval_ms) = 0;
  virtual void Stop() = 0;
};

}  // namespace atalaya
