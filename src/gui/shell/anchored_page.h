#pragma once

#include <QResizeEvent>
#include <QWidget>
#include <functional>

namespace atalaya {

// A page whose controls are placed by rules on the page's size rather than by a layout, so
// each rule reads as "width = page width − 179". The rules run after every resize.
class AnchoredPage : public QWidget {
 public:
  using QWidget::QWidget;

  void SetAnchoring(std::function<void(const QSize&)> rules) {
    rules_ = std::move(rules);
    if (rules_) rules_(size());
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (rules_) rules_(event->size());
  }

 private:
  std::function<void(const QSize&)> rules_;
};

}  // namespace atalaya
