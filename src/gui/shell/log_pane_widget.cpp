#include "gui/shell/log_pane_widget.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

#include "core/shell/log_text.h"
#include "platform/file_io.h"

namespace atalaya {

LogPaneWidget::LogPaneWidget(const TextTable& texts, TextBindings& bindings, FileDialogs& dialogs,
                             Operator& user, QWidget* parent)
    : QPlainTextEdit(parent), texts_(texts), dialogs_(dialogs), user_(user) {
  setReadOnly(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  menu_ = new QMenu(this);
  save_action_ = menu_->addAction(QString());
  clear_action_ = menu_->addAction(QString());
  copy_action_ = menu_->addAction(QString());
  save_action_->setObjectName("GuardarComo");
  clear_action_->setObjectName("Borrar");
  copy_action_->setObjectName("Copiar");
  bindings.Caption(save_action_, 110);
  bindings.Caption(clear_action_, 111);
  bindings.Caption(copy_action_, 112);
  connect(save_action_, &QAction::triggered, this, [this] { SaveAs(); });
  connect(clear_action_, &QAction::triggered, this, &QPlainTextEdit::clear);
  connect(copy_action_, &QAction::triggered, this, &QPlainTextEdit::copy);
}

void LogPaneWidget::Append(std::string_view line) {
  appendPlainText(ToQt(line));
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QMenu* LogPaneWidget::PrepareMenu() {
  copy_action_->setEnabled(textCursor().hasSelection());
  return menu_;
}

void LogPaneWidget::contextMenuEvent(QContextMenuEvent* event) {
  PrepareMenu()->exec(event->globalPos());
}

void LogPaneWidget::SaveAs() {
  const QString path = dialogs_.AskSaveFile(this, texts_.Text(113));
  if (!path.isEmpty()) SaveTo(path);
}

bool LogPaneWidget::SaveTo(const QString& path) {
  std::vector<std::string> lines;
  if (!document()->isEmpty()) {
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
      lines.push_back(block.text().toStdString());
    }
  }
  const auto error = WriteFileAtomically(path.toStdString(), LogFileText(lines));
  if (!error) return true;
  user_.ShowError(texts_.Text(ExtraText::kFileNotSaved) + " " + path.toStdString() + "\n" + *error);
  return false;
}

}  // namespace atalaya
