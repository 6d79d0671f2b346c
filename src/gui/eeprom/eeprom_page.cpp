#include "gui/eeprom/eeprom_page.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/eeprom/hex_grid.h"
#include "gui/eeprom/interpreted_page.h"

namespace atalaya {
namespace {

constexpr int kColumnWidth = 137;

QPushButton* AddButton(QWidget* parent, QVBoxLayout* layout, const char* name, int key,
                       TextBindings& bindings) {
  auto* button = new QPushButton(parent);
  button->setObjectName(name);
  bindings.Caption(button, key);
  layout->addWidget(button);
  return button;
}

}  // namespace

EepromPage::EepromPage(PageContext& context, EepromImage& image, HexEditRules& rules,
                       EepromFields& fields, QWidget* parent)
    : AnchoredPage(parent) {
  inner_pages_ = new QTabWidget(this);
  inner_pages_->setObjectName("PageControl2");
  inner_pages_->setTabPosition(QTabWidget::East);
  hex_sheet_ = AddSheet(inner_pages_, "HexEditorSheet", 281, context.bindings);
  interpreted_sheet_ = AddSheet(inner_pages_, "InterpretedSheet", 282, context.bindings);

  grid_ = new HexGrid(image, rules, hex_sheet_);
  interpreted_ = new InterpretedPage(context, fields, interpreted_sheet_);
  interpreted_sheet_->SetAnchoring(
      [this](const QSize& sheet) { interpreted_->setGeometry(0, 0, sheet.width(), sheet.height()); });
  log_ = new LogPaneWidget(context.texts, context.bindings, context.dialogs, context.user,
                           hex_sheet_);
  log_->setObjectName("EepromLog");
  hex_sheet_->SetAnchoring([this](const QSize& sheet) {
    grid_->setGeometry(0, 0, sheet.width() - 2, sheet.height() - 107);
    log_->setGeometry(0, sheet.height() - 104, sheet.width() - 2, 102);
  });

  auto* controls = new QWidget(this);
  controls->setObjectName("EepromControls");
  auto* column = new QVBoxLayout(controls);
  column->setContentsMargins(0, 0, 0, 0);
  receive_ = AddButton(controls, column, "ReceiveButton", 52, context.bindings);
  send_ = AddButton(controls, column, "SendButton", 58, context.bindings);
  verify_ = AddButton(controls, column, "VerifyButton", 55, context.bindings);
  clear_ = AddButton(controls, column, "ClearButton", 54, context.bindings);
  open_ = AddButton(controls, column, "OpenFileButton", 53, context.bindings);
  save_ = AddButton(controls, column, "SaveFileButton", 59, context.bindings);

  auto* range = new QGroupBox(controls);
  range->setObjectName("RangeGroup");
  context.bindings.Caption(range, 245);
  auto* range_layout = new QVBoxLayout(range);
  // The captions need nearly all of the narrow column.
  range_layout->setContentsMargins(2, 2, 0, 2);
  range_all_ = new QRadioButton(range);
  range_low_ = new QRadioButton(range);
  range_row_ = new QRadioButton(range);
  range_all_->setObjectName("RangeAll");
  range_low_->setObjectName("RangeLow");
  range_row_->setObjectName("RangeRow");
  context.bindings.Caption(range_all_, 246);
  context.bindings.Caption(range_low_, 247);
  context.bindings.Caption(range_row_, 248);
  range_all_->setChecked(true);
  for (QRadioButton* choice : {range_all_, range_low_, range_row_}) range_layout->addWidget(choice);
  column->addWidget(range);
  column->addStretch(1);

  progress_ = new QProgressBar(this);
  status_ = new TaskStatusBox({70, {76, 81, 89, 230, 231}}, progress_, context.bindings, this);
  progress_->setMaximum(127);

  SetAnchoring([this, controls](const QSize& page) {
    inner_pages_->setGeometry(0, 0, page.width() - 145, page.height() - 15);
    controls->setGeometry(page.width() - 141, 4, kColumnWidth, page.height() - 142);
    status_->setGeometry(page.width() - 141, page.height() - 134, kColumnWidth, 118);
    progress_->setGeometry(0, page.height() - 15, page.width(), 15);
  });
}

TransferRange EepromPage::ChosenRange() const {
  if (range_low_->isChecked()) return TransferRange::kLow;
  if (range_row_->isChecked()) return TransferRange::kSelectedRow;
  return TransferRange::kAll;
}

void EepromPage::ShowHexEditor() { inner_pages_->setCurrentWidget(hex_sheet_); }

}  // namespace atalaya
