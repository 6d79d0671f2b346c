#pragma once

#include <QButtonGroup>
#include <QStackedWidget>
#include <QToolButton>
#include <QWidget>
#include <vector>

namespace atalaya {

// The row of page tabs, which wraps onto further lines when the tabs do not fit across, so
// every page's caption is always in view whatever the window's width.
class TabRows : public QWidget {
 public:
  using QWidget::QWidget;

  void Add(QToolButton* tab);
  // Call after a caption changes: tab widths follow their text.
  void Relayout();

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return Arrange(width, false); }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Places the tabs for `width` (only when `apply`) and returns the height they take.
  int Arrange(int width, bool apply) const;

  std::vector<QToolButton*> tabs_;
};

// Pages with captions on wrapping tabs. A page that is disabled keeps its tab usable, so it can
// still be looked at while its controls do not react.
class PageControl : public QWidget {
  Q_OBJECT

 public:
  explicit PageControl(QWidget* parent = nullptr);

  int addTab(QWidget* page, const QString& text);
  int count() const { return stack_->count(); }
  QWidget* widget(int index) const { return stack_->widget(index); }
  int indexOf(QWidget* page) const { return stack_->indexOf(page); }
  QString tabText(int index) const;
  void setTabText(int index, const QString& text);
  QToolButton* tab(int index) const;

  int currentIndex() const { return stack_->currentIndex(); }
  QWidget* currentWidget() const { return stack_->currentWidget(); }
  void setCurrentIndex(int index);
  void setCurrentWidget(QWidget* page) { setCurrentIndex(indexOf(page)); }

 signals:
  void currentChanged(int index);

 private:
  TabRows* rows_;
  QStackedWidget* stack_;
  QButtonGroup* group_;
};

}  // namespace atalaya
