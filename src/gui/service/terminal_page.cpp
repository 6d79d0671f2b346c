#include "gui/service/terminal_page.h"

#include <QLineEdit>

namespace atalaya {

TerminalPage::TerminalPage(PageContext& context, QWidget* parent) : AnchoredPage(parent) {
  pane_ = new LogPaneWidget(context.texts, context.bindings, context.dialogs, context.user, this);
  pane_->setObjectName("TerminalPane");
  input_ = new QLineEdit(this);
  input_->setObjectName("TerminalInput");
  SetAnchoring([this](const QSize& page) {
    pane_->setGeometry(0, 0, page.width(), page.height() - 23);
    input_->setGeometry(0, page.height() - 21, page.width(), 21);
  });
}

}  // namespace atalaya
