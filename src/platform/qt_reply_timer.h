#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

#include "core/service/serial_channel.h"
#include "core/shell/clock.h"

namespace atalaya {

// The reply timer of the service link as a single-shot QTimer on the owner's thread.
class QtReplyTimer : public ReplyTimer {
 public:
  QtReplyTimer() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (on_timeout) on_timeout();
    });
  }

  std::function<void()> on_timeout;

  void Arm(int interval_ms) override { timer_.start(interval_ms); }
  void Stop() override { timer_.stop(); }
  bool IsArmed() const { return timer_.isActive(); }

 private:
  QTimer timer_;
};

// Milliseconds from a monotonic clock, immune to changes of the wall clock.
class SteadyClock : public Clock {
 public:
  SteadyClock() { timer_.start(); }
  uint32_t TickMs() override { return static_cast<uint32_t>(timer_.elapsed()); }

 private:
  QElapsedTimer timer_;
};

}  // namespace atalaya
