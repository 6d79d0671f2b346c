#pragma once

#include <cstdio>
#include <string>

#include "core/shell/operator.h"
#include "core/shell/task_status.h"

namespace atalaya {

// The user at a shell: every message goes to standard error, so standard output carries only
// what the command produces.
class CliOperator : public Operator {
 public:
  void ShowInformation(std::string_view text) override;
  void ShowError(std::string_view text) override;
  bool reported_error() const { return reported_error_; }

 private:
  bool reported_error_ = false;
};

// A task's progress as one line rewritten in place, shown only when standard error is a
// terminal: a script's captured output stays clean.
class ProgressLine : public TaskStatus {
 public:
  ProgressLine();

  void ShowTask(std::string_view text) override { task_ = text; }
  void ShowAddress(std::string_view text) override;
  void ShowErrors(int64_t count) override { errors_ = count; }
  void ShowSpeed(std::string_view text) override { speed_ = text; }
  void ShowRemaining(std::string_view text) override { remaining_ = text; }
  void SetProgressMax(int64_t max) override { max_ = max; }
  void SetProgress(int64_t position) override;
  void Clear() override;

 private:
  void Draw();

  bool enabled_;
  bool drawn_ = false;
  std::string task_, address_, speed_, remaining_;
  int64_t errors_ = 0;
  int64_t max_ = 0;
  int64_t position_ = 0;
};

// A log pane nobody reads.
class DiscardedLog : public LogPane {
 public:
  void Append(std::string_view) override {}
};

// Nothing to lock on a command line: one task runs at a time by construction.
class NoPages : public PageLock {
 public:
  void LockPages() override {}
  void UnlockPages() override {}
};

}  // namespace atalaya
