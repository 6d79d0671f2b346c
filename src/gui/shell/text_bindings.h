#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <functional>
#include <vector>

#include "core/config/text_table.h"
#include "gui/shell/page_control.h"

namespace atalaya {

// Remembers which control shows which text key, so a new language reaches every caption.
// Controls register as they are built; `Apply` runs after every language load.
class TextBindings {
 public:
  using Binding = std::function<void(const TextTable&)>;

  void Add(Binding binding) { bindings_.push_back(std::move(binding)); }

  void Caption(QLabel* label, int key);
  void Caption(QAbstractButton* button, int key);
  void Caption(QGroupBox* group, int key);
  void Caption(QAction* action, int key);
  void Tab(QTabWidget* tabs, QWidget* page, int key);
  void Tab(PageControl* pages, QWidget* page, int key);
  // Replaces one entry of a list and keeps its chosen position.
  void ListEntry(QComboBox* list, int position, int key);

  void Apply(const TextTable& texts) const;

 private:
  std::vector<Binding> bindings_;
};

QString ToQt(std::string_view text);

}  // namespace atalaya
