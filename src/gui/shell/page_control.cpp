#include "gui/shell/page_control.h"

#include <QResizeEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace atalaya {

void TabRows::Add(QToolButton* tab) {
  tab->setParent(this);
  tabs_.push_back(tab);
  Relayout();
}

void TabRows::Relayout() {
  updateGeometry();
  Arrange(width(), true);
}

QSize TabRows::sizeHint() const {
  int width = 0;
  for (const QToolButton* tab : tabs_) width += tab->sizeHint().width();
  return {width, heightForWidth(width)};
}

QSize TabRows::minimumSizeHint() const {
  int widest = 0;
  for (const QToolButton* tab : tabs_) widest = std::max(widest, tab->sizeHint().width());
  return {widest, heightForWidth(widest)};
}

void TabRows::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Arrange(event->size().width(), true);
}

int TabRows::Arrange(int width, bool apply) const {
  int x = 0;
  int y = 0;
  int row_height = 0;
  for (QToolButton* tab : tabs_) {
    const QSize size = tab->sizeHint();
    if (x > 0 && x + size.width() > width) {
      x = 0;
      y += row_height;
      row_height = 0;
    }
    if (apply) tab->setGeometry(x, y, size.width(), size.height());
    x += size.width();
    row_height = std::max(row_height, size.height());
  }
  return y + row_height;
}

PageControl::PageControl(QWidget* parent) : QWidget(parent) {
  rows_ = new TabRows(this);
  // The chosen page's tab stands out like a tab in front of the others.
  rows_->setStyleSheet(
      "QToolButton { padding: 2px 8px; }"
      "QToolButton:checked { background: palette(highlight); color: palette(highlighted-text); }");
  stack_ = new QStackedWidget(this);
  group_ = new QButtonGroup(this);
  group_->setExclusive(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(rows_);
  layout->addWidget(stack_, 1);
  connect(group_, &QButtonGroup::idClicked, this, [this](int index) { setCurrentIndex(index); });
}

int PageControl::addTab(QWidget* page, const QString& text) {
  const int index = stack_->addWidget(page);
  auto* tab = new QToolButton;
  tab->setText(text);
  tab->setCheckable(true);
  tab->setFocusPolicy(Qt::StrongFocus);
  group_->addButton(tab, index);
  rows_->Add(tab);
  if (index == stack_->currentIndex()) tab->setChecked(true);
  return index;
}

QToolButton* PageControl::tab(int index) const {
  return static_cast<QToolButton*>(group_->button(index));
}

QString PageControl::tabText(int index) const {
  const QToolButton* button = tab(index);
  return button ? button->text() : QString();
}

void PageControl::setTabText(int index, const QString& text) {
  if (QToolButton* button = tab(index)) {
    button->setText(text);
    rows_->Relayout();
  }
}

void PageControl::setCurrentIndex(int index) {
  if (index < 0 || index >= count()) return;
  tab(index)->setChecked(true);
  if (index == stack_->currentIndex()) return;
  stack_->setCurrentIndex(index);
  emit currentChanged(index);
}

}  // namespace atalaya
