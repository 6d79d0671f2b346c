#pragma once

// What the fuzz targets share: reading the input front to back, stopping on a broken
// property, and sinks that keep what the core reports. Nothing here depends on a test
// framework; a failed property aborts, which libFuzzer records as a crash with its input.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/shell/operator.h"
#include "core/shell/task_status.h"

namespace atalaya::fuzz {

[[noreturn]] inline void PropertyFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, condition);
  std::abort();
}

#define FUZZ_CHECK(condition)                                                      \
  do {                                                                             \
    if (!(condition)) ::atalaya::fuzz::PropertyFailed(#condition, __FILE__, __LINE__); \
  } while (false)

// The input taken apart from the front, so seeds can be written by hand: fixed-size fields
// first, then the rest. Reading past the end gives zeros and empty texts.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  bool empty() const { return rest_.empty(); }
  size_t size() const { return rest_.size(); }

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }
  // Little-endian.
  uint32_t Bytes16() { return Byte() | static_cast<uint32_t>(Byte()) << 8; }
  uint32_t Bytes24() { return Bytes16() | static_cast<uint32_t>(Byte()) << 16; }

  std::string_view Take(size_t count) {
    const std::string_view taken = rest_.substr(0, count);
    rest_.remove_prefix(taken.size());
    return taken;
  }
  // A text of up to 255 bytes, its length first.
  std::string_view ShortText() { return Take(Byte()); }
  std::string_view Rest() { return Take(rest_.size()); }

 private:
  std::string_view rest_;
};

struct CountingLog : LogPane {
  void Append(std::string_view line) override {
    ++lines;
    last = line;
  }
  int lines = 0;
  std::string last;
};

struct KeptStatus : TaskStatus {
  void ShowTask(std::string_view text) override { task = text; }
  void ShowAddress(std::string_view text) override { address = text; }
  void ShowErrors(int64_t count) override { errors = count; }
  void ShowSpeed(std::string_view text) override { speed = text; }
  void ShowRemaining(std::string_view text) override { remaining = text; }
  void SetProgressMax(int64_t max) override { progress_max = max; }
  void SetProgress(int64_t position) override { progress = position; }
  void Clear() override { *this = KeptStatus(); }
  std::string task, address, speed, remaining;
  int64_t errors = 0;
  int64_t progress_max = 0;
  int64_t progress = 0;
};

struct KeptPages : PageLock {
  void LockPages() override { locked = true; }
  void UnlockPages() override { locked = false; }
  bool locked = false;
};

// The person at the keyboard. Each question of the section chooser takes the next of
// `answers`: 255 is no answer, anything else the row of that number (which may not exist).
struct ScriptedUser : Operator {
  void ShowInformation(std::string_view) override { ++information; }
  void ShowError(std::string_view text) override {
    ++errors;
    last_error = text;
  }
  std::optional<size_t> ChooseSection(const std::vector<SectionRow>& rows) override {
    ++questions;
    if (rows.size() < 2) bad_question = true;  // a single copy needs no choice
    if (next_answer >= answers.size()) return std::nullopt;
    const uint8_t answer = answers[next_answer++];
    if (answer == 255) return std::nullopt;
    return answer;
  }
  std::vector<uint8_t> answers;
  size_t next_answer = 0;
  int information = 0;
  int errors = 0;
  int questions = 0;
  bool bad_question = false;
  std::string last_error;
};

}  // namespace atalaya::fuzz
