#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "core/shell/operator.h"
#include "core/shell/task_status.h"

namespace atalaya {

// Sinks that remember what the program reported, for tests to read back.

struct RecordingLog : LogPane {
  void Append(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

struct RecordingStatus : TaskStatus {
  void ShowTask(std::string_view text) override { values[0] = text; }
  void ShowAddress(std::string_view text) override { values[1] = text; }
  void ShowErrors(int64_t count) override {
    values[2] = std::to_string(count);
    errors_shown.push_back(count);
  }
  void ShowSpeed(std::string_view text) override { values[3] = text; }
  void ShowRemaining(std::string_view text) override { values[4] = text; }
  void SetProgressMax(int64_t max) override { progress_max = max; }
  void SetProgress(int64_t position) override {
    progress = position;
    highest_progress = std::max(highest_progress, position);
  }
  void Clear() override {
    values = {};
    progress = 0;
  }
  std::array<std::string, 5> values;
  std::vector<int64_t> errors_shown;
  int64_t progress_max = 0;
  int64_t progress = 0;
  int64_t highest_progress = 0;
};

struct RecordingPages : PageLock {
  void LockPages() override { locked = true; }
  void UnlockPages() override { locked = false; }
  bool locked = false;
};

// What the program told the user instead of showing message boxes.
struct RecordingUser : Operator {
  void ShowInformation(std::string_view text) override { information.emplace_back(text); }
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  std::vector<std::string> information;
  std::vector<std::string> errors;
};

}  // namespace atalaya
