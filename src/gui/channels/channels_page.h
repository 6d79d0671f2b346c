#pragma once

#include "gui/shell/anchored_page.h"
#include "gui/shell/page_context.h"

class QTabWidget;

namespace atalaya {

// The "Sintonización" page: the channel and transponder tables on inner pages, the list
// controls to their right.
class ChannelsPage : public AnchoredPage {
 public:
  explicit ChannelsPage(PageContext& context, QWidget* parent = nullptr);

  QTabWidget* inner_pages() const { return inner_pages_; }
  AnchoredPage* channel_sheet() const { return channel_sheet_; }
  AnchoredPage* transponder_sheet() const { return transponder_sheet_; }

 private:
  QTabWidget* inner_pages_;
  AnchoredPage* channel_sheet_;
  AnchoredPage* transponder_sheet_;
};

}  // namespace atalaya
