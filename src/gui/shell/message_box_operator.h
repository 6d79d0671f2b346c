#pragma once

#include <QWidget>

#include "core/shell/operator.h"

namespace atalaya {

// Asks the user with modal message boxes over `parent`.
class MessageBoxOperator : public Operator {
 public:
  explicit MessageBoxOperator(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }

  void ShowInformation(std::string_view text) override;
  void ShowError(std::string_view text) override;

 private:
  QWidget* parent_;
};

}  // namespace atalaya
