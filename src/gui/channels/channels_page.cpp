#include "gui/channels/channels_page.h"

#include <QTabWidget>

namespace atalaya {

ChannelsPage::ChannelsPage(PageContext& context, QWidget* parent) : AnchoredPage(parent) {
  inner_pages_ = new QTabWidget(this);
  inner_pages_->setObjectName("PageControl3");
  channel_sheet_ = new AnchoredPage;
  channel_sheet_->setObjectName("TabSheet8");
  transponder_sheet_ = new AnchoredPage;
  transponder_sheet_->setObjectName("TabSheet9");
  inner_pages_->addTab(channel_sheet_, QString());
  inner_pages_->addTab(transponder_sheet_, QString());
  context.bindings.Tab(inner_pages_, channel_sheet_, 206);
  context.bindings.Tab(inner_pages_, transponder_sheet_, 207);
  SetAnchoring([this](const QSize& page) {
    inner_pages_->setGeometry(0, 0, page.width() - 158, page.height());
  });
}

}  // namespace atalaya
