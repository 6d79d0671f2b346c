#include "gui/shell/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "core/shell/file_filter.h"
#include "gui/shell/text_bindings.h"

namespace atalaya {
namespace {

void RememberFolder(const QString& chosen, std::string& folder) {
  if (!chosen.isEmpty()) folder = QFileInfo(chosen).absolutePath().toStdString();
}

}  // namespace

QString FileDialogs::QtFilter(std::string_view filter_text) {
  QStringList entries;
  for (const FileFilter& filter : ParseFileFilter(filter_text)) {
    QStringList patterns;
    for (const std::string& pattern : filter.patterns) patterns << ToQt(pattern);
    entries << ToQt(filter.description) + " (" + patterns.join(' ') + ")";
  }
  return entries.join(";;");
}

QString FileDialogs::AskOpenFile(QWidget* parent, std::string_view filter_text) {
  const QString chosen = QFileDialog::getOpenFileName(
      parent, QString(), ToQt(open_folder_), QtFilter(filter_text));
  RememberFolder(chosen, open_folder_);
  return chosen;
}

QString FileDialogs::AskSaveFile(QWidget* parent, std::string_view filter_text) {
  const QString chosen = QFileDialog::getSaveFileName(
      parent, QString(), ToQt(save_folder_), QtFilter(filter_text));
  RememberFolder(chosen, save_folder_);
  return chosen;
}

}  // namespace atalaya
