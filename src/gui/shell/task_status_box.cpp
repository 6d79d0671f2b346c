#include "gui/shell/task_status_box.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>
#include <limits>

namespace atalaya {
namespace {

int ToProgressRange(int64_t value) {
  constexpr int64_t kMax = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp<int64_t>(value, 0, kMax));
}

}  // namespace

TaskStatusBox::TaskStatusBox(const StatusCaptions& captions, QProgressBar* progress,
                             TextBindings& bindings, QWidget* parent)
    : QGroupBox(parent), progress_(progress) {
  bindings.Caption(this, captions.group);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setVerticalSpacing(1);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  for (int row = 0; row < 5; ++row) {
    auto* caption = new QLabel(this);
    bindings.Caption(caption, captions.rows[static_cast<size_t>(row)]);
    auto* value = new QLabel(this);
    value->setFont(fixed);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setObjectName(QString("StatusValue%1").arg(row));
    grid->addWidget(caption, row, 0);
    grid->addWidget(value, row, 1);
    values_[static_cast<size_t>(row)] = value;
  }
  grid->setColumnStretch(1, 1);
  progress_->setMinimum(0);
  progress_->setTextVisible(false);
}

void TaskStatusBox::Show(int row, std::string_view text) {
  values_[static_cast<size_t>(row)]->setText(ToQt(text));
}

void TaskStatusBox::ShowTask(std::string_view text) { Show(0, text); }
void TaskStatusBox::ShowAddress(std::string_view text) {
  Show(1, text);
  values_[1]->repaint();
}

void TaskStatusBox::ShowErrors(int64_t count) {
  Show(2, std::to_string(count));
  values_[2]->repaint();
}

void TaskStatusBox::ShowSpeed(std::string_view text) {
  Show(3, text);
  values_[3]->repaint();
}

void TaskStatusBox::ShowRemaining(std::string_view text) {
  Show(4, text);
  values_[4]->repaint();
}

void TaskStatusBox::SetProgressMax(int64_t max) { progress_->setMaximum(ToProgressRange(max)); }
void TaskStatusBox::SetProgress(int64_t position) { progress_->setValue(ToProgressRange(position)); }

void TaskStatusBox::Clear() {
  for (QLabel* value : values_) value->clear();
  progress_->setValue(0);
}

}  // namespace atalaya
