#include "gui/shell/logged_task_page.h"

#include <QProgressBar>

namespace atalaya {

LoggedTaskPage::LoggedTaskPage(PageContext& context, const StatusCaptions& captions,
                               const QString& log_name, QWidget* parent)
    : AnchoredPage(parent) {
  log_ = new LogPaneWidget(context.texts, context.bindings, context.dialogs, context.user, this);
  log_->setObjectName(log_name);
  progress_ = new QProgressBar(this);
  status_ = new TaskStatusBox(captions, progress_, context.bindings, this);
  SetAnchoring([this](const QSize& page) {
    log_->setGeometry(kButtonColumnWidth, 0, page.width() - 179, page.height() - 15);
    status_->setGeometry(4, page.height() - 134, kButtonColumnWidth - 8, 118);
    progress_->setGeometry(0, page.height() - 15, page.width(), 15);
  });
}

}  // namespace atalaya
