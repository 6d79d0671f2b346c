#pragma once

#include <cstdint>

namespace atalaya {

// The millisecond tick counter tasks measure their speed with. It wraps like a 32-bit counter.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t TickMs() = 0;
};

}  // namespace atalaya
