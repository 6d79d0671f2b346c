#pragma once

#include <QGroupBox>
#include <array>

#include "core/shell/task_status.h"
#include "gui/shell/text_bindings.h"

class QLabel;
class QProgressBar;

namespace atalaya {

// Text keys of a status group's caption and of its five row captions: task, address, errors,
// speed, remaining time. Each page names its own keys.
struct StatusCaptions {
  int group;
  std::array<int, 5> rows;
};

// The " Estado " group of a page: five rows of caption and right-aligned fixed-pitch value,
// and the page's progress bar, which lives along the page's bottom edge.
class TaskStatusBox : public QGroupBox, public TaskStatus {
 public:
  TaskStatusBox(const StatusCaptions& captions, QProgressBar* progress, TextBindings& bindings,
                QWidget* parent);

  void ShowTask(std::string_view text) override;
  void ShowAddress(std::string_view text) override;
  void ShowErrors(int64_t count) override;
  void ShowSpeed(std::string_view text) override;
  void ShowRemaining(std::string_view text) override;
  void SetProgressMax(int64_t max) override;
  void SetProgress(int64_t position) override;
  void Clear() override;

  // The value label of row 0…4, for tests and for repainting.
  QLabel* value(int row) const { return values_[static_cast<size_t>(row)]; }

 private:
  void Show(int row, std::string_view text);

  std::array<QLabel*, 5> values_{};
  QProgressBar* progress_;
};

}  // namespace atalaya
