#pragma once

#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

namespace atalaya {

// The program's one open-file and one save-file dialog. Both start in the folder last used
// (kept in the settings as text) and take their filters from the text table's filter texts.
class FileDialogs {
 public:
  FileDialogs(std::string& open_folder, std::string& save_folder)
      : open_folder_(open_folder), save_folder_(save_folder) {}

  // Empty when the user cancels.
  QString AskOpenFile(QWidget* parent, std::string_view filter_text);
  QString AskSaveFile(QWidget* parent, std::string_view filter_text);
  // As above, starting with filter `filter` (0-based) chosen and telling which filter the user
  // left chosen; a save without an extension gets `default_suffix`.
  QString AskOpenFile(QWidget* parent, std::string_view filter_text, int& filter);
  QString AskSaveFile(QWidget* parent, std::string_view filter_text, int& filter,
                      const QString& default_suffix);

  // "Desc|*.a;*.b|…" as Qt writes it: "Desc (*.a *.b);;…".
  static QString QtFilter(std::string_view filter_text);

 private:
  std::string& open_folder_;
  std::string& save_folder_;
};

}  // namespace atalaya
