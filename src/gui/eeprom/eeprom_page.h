#pragma once

#include "gui/shell/anchored_page.h"
#include "gui/shell/log_pane_widget.h"
#include "gui/shell/page_context.h"
#include "gui/shell/task_status_box.h"

class QProgressBar;
class QTabWidget;

namespace atalaya {

// The "Eeprom" page: the inner pages "Editor Hexadecimal" and "Datos Interpretados" on the
// left, the transfer controls and the status group on the right, the progress bar below.
class EepromPage : public AnchoredPage {
 public:
  explicit EepromPage(PageContext& context, QWidget* parent = nullptr);

  QTabWidget* inner_pages() const { return inner_pages_; }
  AnchoredPage* hex_editor_sheet() const { return hex_sheet_; }
  AnchoredPage* interpreted_sheet() const { return interpreted_sheet_; }
  LogPaneWidget* log() const { return log_; }
  TaskStatusBox* status() const { return status_; }

 private:
  QTabWidget* inner_pages_;
  AnchoredPage* hex_sheet_;
  AnchoredPage* interpreted_sheet_;
  LogPaneWidget* log_;
  QProgressBar* progress_;
  TaskStatusBox* status_;
};

}  // namespace atalaya
