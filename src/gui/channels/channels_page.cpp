#include "gui/channels/channels_page.h"

#include <QTabWidget>

namespace atalaya {

ChannelsPage::ChannelsPage(PageContext& context, QWidget* parent) : AnchoredPage(parent) {
  inner_pages_ = new QTabWidget(this);
  inner_pages_->setObjectName("PageControl3");
  channel_sheet_ = AddSheet(inner_pages_, "TabSheet8", 206, context.bindings);
  transponder_sheet_ = AddSheet(inner_pages_, "TabSheet9", 207, context.bindings);
  SetAnchoring([this](const QSize& page) {
    inner_pages_->setGeometry(0, 0, page.width() - 158, page.height());
  });
}

}  // namespace atalaya
