#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace atalaya {

// The " Estado " group of a page that runs long tasks, with the page's progress bar. Tasks
// report through it; the window shows it. Values are empty while no task runs.
class TaskStatus {
 public:
  virtual ~TaskStatus() = default;

  virtual void ShowTask(std::string_view text) = 0;
  virtual void ShowAddress(std::string_view text) = 0;
  // Shown in decimal and repainted at once, so it changes visibly during a busy loop.
  virtual void ShowErrors(int64_t count) = 0;
  virtual void ShowSpeed(std::string_view text) = 0;
  virtual void ShowRemaining(std::string_view text) = 0;
  virtual void SetProgressMax(int64_t max) = 0;
  virtual void SetProgress(int64_t position) = 0;
  // All five values empty, progress 0.
  virtual void Clear() = 0;
};

// A read-only log pane; writers only ever append whole lines.
class LogPane {
 public:
  virtual ~LogPane() = default;
  virtual void Append(std::string_view line) = 0;
};

// Disables and enables the pages a running task must keep the user away from.
class PageLock {
 public:
  virtual ~PageLock() = default;
  virtual void LockPages() = 0;
  virtual void UnlockPages() = 0;
};

}  // namespace atalaya
