#include "gui/shell/text_bindings.h"

#include "gui/shell/page_context.h"

#include <QAction>

namespace atalaya {

QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void TextBindings::Caption(QLabel* label, int key) {
  Add([label, key](const TextTable& t) { label->setText(ToQt(t.Text(key))); });
}

void TextBindings::Caption(QAbstractButton* button, int key) {
  Add([button, key](const TextTable& t) { button->setText(ToQt(t.Text(key))); });
}

void TextBindings::Caption(QGroupBox* group, int key) {
  Add([group, key](const TextTable& t) { group->setTitle(ToQt(t.Text(key))); });
}

void TextBindings::Caption(QAction* action, int key) {
  Add([action, key](const TextTable& t) { action->setText(ToQt(t.Text(key))); });
}

void TextBindings::Tab(QTabWidget* tabs, QWidget* page, int key) {
  Add([tabs, page, key](const TextTable& t) {
    tabs->setTabText(tabs->indexOf(page), ToQt(t.Text(key)));
  });
}

void TextBindings::Tab(PageControl* pages, QWidget* page, int key) {
  Add([pages, page, key](const TextTable& t) {
    pages->setTabText(pages->indexOf(page), ToQt(t.Text(key)));
  });
}

void TextBindings::ListEntry(QComboBox* list, int position, int key) {
  Add([list, position, key](const TextTable& t) {
    if (position < list->count()) list->setItemText(position, ToQt(t.Text(key)));
  });
}

AnchoredPage* AddSheet(QTabWidget* tabs, const char* name, int caption_key,
                       TextBindings& bindings) {
  auto* sheet = new AnchoredPage;
  sheet->setObjectName(name);
  tabs->addTab(sheet, QString());
  bindings.Tab(tabs, sheet, caption_key);
  return sheet;
}

void TextBindings::Apply(const TextTable& texts) const {
  for (const Binding& binding : bindings_) binding(texts);
}

}  // namespace atalaya
