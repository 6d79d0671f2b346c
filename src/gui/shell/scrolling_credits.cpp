#include "gui/shell/scrolling_credits.h"

#include <QPainter>

namespace atalaya {

ScrollingCredits::ScrollingCredits(QStringList lines, QWidget* parent)
    : QWidget(parent), lines_(std::move(lines)) {
  timer_.setInterval(50);
  connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
}

void ScrollingCredits::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  timer_.start();
}

void ScrollingCredits::hideEvent(QHideEvent* event) {
  timer_.stop();
  QWidget::hideEvent(event);
}

void ScrollingCredits::Step() {
  const int line_height = fontMetrics().lineSpacing();
  const int cycle = height() + line_height * static_cast<int>(lines_.size());
  offset_ = cycle > 0 ? (offset_ + 1) % cycle : 0;
  update();
}

void ScrollingCredits::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int line_height = fontMetrics().lineSpacing();
  // Lines enter at the bottom edge and leave at the top.
  int y = height() - offset_;
  for (const QString& line : lines_) {
    painter.drawText(QRect(0, y, width(), line_height), Qt::AlignHCenter | Qt::AlignVCenter, line);
    y += line_height;
  }
}

}  // namespace atalaya
