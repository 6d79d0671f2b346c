#include "gui/eeprom/eeprom_page.h"

#include <QProgressBar>
#include <QTabWidget>

namespace atalaya {

EepromPage::EepromPage(PageContext& context, QWidget* parent) : AnchoredPage(parent) {
  inner_pages_ = new QTabWidget(this);
  inner_pages_->setObjectName("PageControl2");
  inner_pages_->setTabPosition(QTabWidget::East);
  hex_sheet_ = AddSheet(inner_pages_, "HexEditorSheet", 281, context.bindings);
  interpreted_sheet_ = AddSheet(inner_pages_, "InterpretedSheet", 282, context.bindings);

  log_ = new LogPaneWidget(context.texts, context.bindings, context.dialogs, context.user,
                           hex_sheet_);
  log_->setObjectName("EepromLog");
  hex_sheet_->SetAnchoring([this](const QSize& sheet) {
    log_->setGeometry(0, sheet.height() - 104, sheet.width() - 2, 102);
  });

  progress_ = new QProgressBar(this);
  status_ = new TaskStatusBox({70, {76, 81, 89, 230, 231}}, progress_, context.bindings, this);
  progress_->setMaximum(127);

  SetAnchoring([this](const QSize& page) {
    inner_pages_->setGeometry(0, 0, page.width() - 145, page.height() - 15);
    status_->setGeometry(page.width() - 141, page.height() - 134, 137, 118);
    progress_->setGeometry(0, page.height() - 15, page.width(), 15);
  });
}

}  // namespace atalaya
