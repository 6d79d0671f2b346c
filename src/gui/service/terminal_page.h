#pragma once

#include "gui/shell/anchored_page.h"
#include "gui/shell/log_pane_widget.h"
#include "gui/shell/page_context.h"

class QLineEdit;

namespace atalaya {

// The "Terminal" page: the pane of serial traffic above a one-line input box.
class TerminalPage : public AnchoredPage {
 public:
  explicit TerminalPage(PageContext& context, QWidget* parent = nullptr);

  LogPaneWidget* pane() const { return pane_; }
  QLineEdit* input() const { return input_; }

 private:
  LogPaneWidget* pane_;
  QLineEdit* input_;
};

}  // namespace atalaya
