#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace atalaya {

// A list of names that scrolls upwards one pixel every 50 ms, only while it is on screen.
class ScrollingCredits : public QWidget {
 public:
  explicit ScrollingCredits(QStringList lines, QWidget* parent = nullptr);

  bool IsScrolling() const { return timer_.isActive(); }
  int offset() const { return offset_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Step();

  QStringList lines_;
  QTimer timer_;
  int offset_ = 0;
};

}  // namespace atalaya
