#pragma once

#include <QPlainTextEdit>
#include <functional>

#include "core/config/text_table.h"
#include "core/shell/operator.h"
#include "core/shell/task_status.h"
#include "gui/shell/file_dialogs.h"
#include "gui/shell/text_bindings.h"

class QMenu;
class QAction;

namespace atalaya {

// A read-only log pane with its popup menu "Guardar como...", "Borrar", "Copiar".
class LogPaneWidget : public QPlainTextEdit, public LogPane {
 public:
  LogPaneWidget(const TextTable& texts, TextBindings& bindings, FileDialogs& dialogs,
                Operator& user, QWidget* parent);

  void Append(std::string_view line) override;

  // The popup menu as it opens: "Copiar" is enabled only with some text selected.
  QMenu* PrepareMenu();
  QAction* save_action() const { return save_action_; }
  QAction* clear_action() const { return clear_action_; }
  QAction* copy_action() const { return copy_action_; }

  // Writes every line of the pane to `path`, CR LF after each; reports a failure and leaves
  // any previous file whole. Returns whether it was written.
  bool SaveTo(const QString& path);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void SaveAs();

  const TextTable& texts_;
  FileDialogs& dialogs_;
  Operator& user_;
  QMenu* menu_;
  QAction* save_action_;
  QAction* clear_action_;
  QAction* copy_action_;
};

}  // namespace atalaya
