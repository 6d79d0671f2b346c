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

namespace {

QString Ask(QWidget* parent, QFileDialog::AcceptMode mode, const std::string& folder,
            std::string_view filter_text, int& filter, const QString& default_suffix) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  dialog.setDirectory(ToQt(folder));
  const QStringList filters = FileDialogs::QtFilter(filter_text).split(";;");
  dialog.setNameFilters(filters);
  if (filter >= 0 && filter < filters.size()) dialog.selectNameFilter(filters[filter]);
  if (!default_suffix.isEmpty()) dialog.setDefaultSuffix(default_suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  filter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  return dialog.selectedFiles().first();
}

}  // namespace

QString FileDialogs::AskOpenFile(QWidget* parent, std::string_view filter_text, int& filter) {
  const QString chosen =
      Ask(parent, QFileDialog::AcceptOpen, open_folder_, filter_text, filter, QString());
  RememberFolder(chosen, open_folder_);
  return chosen;
}

QString FileDialogs::AskSaveFile(QWidget* parent, std::string_view filter_text, int& filter,
                                 const QString& default_suffix) {
  const QString chosen =
      Ask(parent, QFileDialog::AcceptSave, save_folder_, filter_text, filter, default_suffix);
  RememberFolder(chosen, save_folder_);
  return chosen;
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
