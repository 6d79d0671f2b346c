#pragma once

#include "gui/shell/anchored_page.h"
#include "gui/shell/page_context.h"

class QFrame;
class QLabel;

namespace atalaya {

class ScrollingCredits;

// "Acerca de...": banner, version, the people behind the program, where to send requests.
class AboutPage : public AnchoredPage {
 public:
  explicit AboutPage(PageContext& context, QWidget* parent = nullptr);

  // The version label takes its colour when the main window first comes up.
  void ColourVersionLabel();

  QFrame* panel() const { return panel_; }
  QLabel* version_label() const { return version_; }
  ScrollingCredits* credits() const { return credits_; }

 private:
  QFrame* panel_;
  QLabel* version_;
  ScrollingCredits* credits_;
};

}  // namespace atalaya
