#include "gui/shell/message_box_operator.h"

#include <QApplication>
#include <QMessageBox>

#include "gui/shell/text_bindings.h"

namespace atalaya {
namespace {

// Messages join their parts with CR LF or LF CR; a message box wants one line break.
QString BoxText(std::string_view text) {
  QString shown = ToQt(text);
  shown.replace("\n\r", "\n").replace("\r\n", "\n").replace('\r', '\n');
  return shown;
}

}  // namespace

void MessageBoxOperator::ShowInformation(std::string_view text) {
  QMessageBox::information(parent_, QStringLiteral("Atalaya"), BoxText(text));
}

void MessageBoxOperator::ShowError(std::string_view text) {
  QMessageBox::critical(parent_, QStringLiteral("Atalaya"), BoxText(text));
}

}  // namespace atalaya
