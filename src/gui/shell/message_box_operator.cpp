#include "gui/shell/message_box_operator.h"

#include <QApplication>
#include <QMessageBox>

#include "gui/shell/text_bindings.h"

namespace atalaya {

void MessageBoxOperator::ShowInformation(std::string_view text) {
  QMessageBox::information(parent_, QStringLiteral("Atalaya"), ToQt(text));
}

void MessageBoxOperator::ShowError(std::string_view text) {
  QMessageBox::critical(parent_, QStringLiteral("Atalaya"), ToQt(text));
}

}  // namespace atalaya
