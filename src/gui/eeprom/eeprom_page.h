#pragma once

#include "core/eeprom/eeprom_fields.h"
#include "core/eeprom/eeprom_image.h"
#include "core/service/eeprom_transfer.h"
#include "gui/shell/anchored_page.h"
#include "gui/shell/log_pane_widget.h"
#include "gui/shell/page_context.h"
#include "gui/shell/task_status_box.h"

class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace atalaya {

class HexGrid;
class InterpretedPage;

// The "Eeprom" page: the inner pages "Editor Hexadecimal" and "Datos Interpretados" on the
// left, the transfer buttons, the range and the status group on the right, the progress bar
// below.
class EepromPage : public AnchoredPage {
 public:
  EepromPage(PageContext& context, EepromImage& image, HexEditRules& rules,
             EepromFields& fields, QWidget* parent = nullptr);

  QTabWidget* inner_pages() const { return inner_pages_; }
  AnchoredPage* hex_editor_sheet() const { return hex_sheet_; }
  AnchoredPage* interpreted_sheet() const { return interpreted_sheet_; }
  HexGrid* grid() const { return grid_; }
  InterpretedPage* interpreted() const { return interpreted_; }
  LogPaneWidget* log() const { return log_; }
  TaskStatusBox* status() const { return status_; }
  QPushButton* receive_button() const { return receive_; }
  QPushButton* send_button() const { return send_; }
  QPushButton* verify_button() const { return verify_; }
  QPushButton* clear_button() const { return clear_; }
  QPushButton* open_button() const { return open_; }
  QPushButton* save_button() const { return save_; }

  TransferRange ChosenRange() const;
  void ShowHexEditor();

 private:
  QTabWidget* inner_pages_;
  AnchoredPage* hex_sheet_;
  AnchoredPage* interpreted_sheet_;
  HexGrid* grid_;
  InterpretedPage* interpreted_;
  LogPaneWidget* log_;
  QProgressBar* progress_;
  TaskStatusBox* status_;
  QPushButton* receive_;
  QPushButton* send_;
  QPushButton* verify_;
  QPushButton* clear_;
  QPushButton* open_;
  QPushButton* save_;
  QRadioButton* range_all_;
  QRadioButton* range_low_;
  QRadioButton* range_row_;
};

}  // namespace atalaya
