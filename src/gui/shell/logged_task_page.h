#pragma once

#include "gui/shell/anchored_page.h"
#include "gui/shell/log_pane_widget.h"
#include "gui/shell/page_context.h"
#include "gui/shell/task_status_box.h"

class QProgressBar;

namespace atalaya {

// The shape shared by the two firmware pages: a column of buttons on the left with the status
// group at its foot, the page's log to the right, the progress bar along the bottom edge.
class LoggedTaskPage : public AnchoredPage {
 public:
  LoggedTaskPage(PageContext& context, const StatusCaptions& captions, const QString& log_name,
                 QWidget* parent = nullptr);

  LogPaneWidget* log() const { return log_; }
  TaskStatusBox* status() const { return status_; }
  QProgressBar* progress() const { return progress_; }

  static constexpr int kButtonColumnWidth = 175;

 private:
  LogPaneWidget* log_;
  QProgressBar* progress_;
  TaskStatusBox* status_;
};

}  // namespace atalaya
