#include "gui/eeprom/interpreted_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace atalaya {
namespace {

constexpr int kOtherKey = 304;

QString Name(std::string_view name, const char* part) {
  return QString("Field_%1_%2").arg(ToQt(name), part);
}

// Keeps a box's text to its rule while the user types, without moving the cursor needlessly.
template <typename Rule>
void KeepToRule(QLineEdit* edit, Rule rule) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, rule](const QString& text) {
    const QString kept = ToQt(rule(text.toStdString()));
    if (kept == text) return;
    const int cursor = std::min(edit->cursorPosition(), static_cast<int>(kept.size()));
    edit->setText(kept);
    edit->setCursorPosition(cursor);
  });
}

QComboBox* FixedList(QWidget* parent, std::initializer_list<const char*> items) {
  auto* list = new QComboBox(parent);
  for (const char* item : items) list->addItem(item);
  return list;
}

QLineEdit* HexDisplay(QWidget* parent) {
  auto* display = new QLineEdit(parent);
  display->setReadOnly(true);
  display->setFocusPolicy(Qt::NoFocus);
  return display;
}

}  // namespace

InterpretedPage::InterpretedPage(PageContext& context, EepromFields& fields, QWidget* parent)
    : QWidget(parent), fields_(fields) {
  setObjectName("InterpretedFields");
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget;
  // The single fields above, the two satellite records side by side below: the page scrolls
  // vertically and every box keeps a readable width.
  auto* rows = new QVBoxLayout(content);
  rows->addWidget(BuildSingleFields(context));
  auto* satellites = new QHBoxLayout;
  satellites->addWidget(BuildSatellite(context, 0));
  satellites->addWidget(BuildSatellite(context, 1));
  rows->addLayout(satellites);
  rows->addStretch(1);
  scroll->setWidget(content);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll);
}

QWidget* InterpretedPage::BuildSingleFields(PageContext& context) {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setVerticalSpacing(2);
  int row = 0;
  const auto add_label = [&](int key) {
    auto* label = new QLabel(box);
    context.bindings.Caption(label, key);
    grid->addWidget(label, row, 0);
  };

  for (size_t i = 0; i < ListFields().size(); ++i) {
    const ListFieldSpec& def = ListFields()[i];
    add_label(def.label_key);
    auto* list = new QComboBox(box);
    list->setObjectName(Name(def.name, "list"));
    for (size_t item = 0; item < def.items.size(); ++item) {
      list->addItem(ToQt(def.items[item].text));
      if (def.items[item].text_key >= 0) {
        context.bindings.ListEntry(list, static_cast<int>(item), def.items[item].text_key);
      }
    }
    list->addItem(QString());
    context.bindings.ListEntry(list, static_cast<int>(def.items.size()), kOtherKey);
    auto* hex = new QLineEdit(box);
    hex->setObjectName(Name(def.name, "hex"));
    hex->setMaxLength(def.rule.pad_to);
    const EditRule rule = def.rule;
    KeepToRule(hex, [rule](const std::string& text) { return ApplyEditRule(rule, text); });
    connect(list, &QComboBox::activated, this, [this, i, list, hex](int position) {
      const ListFieldState state = fields_.ChooseItem(i, position, hex->text().toStdString());
      hex->setText(ToQt(state.edit_text));
      hex->setEnabled(state.edit_enabled);
      list->setCurrentIndex(state.selected);
    });
    connect(hex, &QLineEdit::editingFinished, this, [this, i, hex] {
      hex->setText(ToQt(fields_.LeaveHexEdit(i, hex->text().toStdString())));
    });
    grid->addWidget(list, row, 1);
    grid->addWidget(hex, row, 2);
    lists_.push_back({list, hex});
    ++row;
  }

  for (size_t i = 0; i < NumberFields().size(); ++i) {
    const NumberFieldSpec& def = NumberFields()[i];
    add_label(def.label_key);
    auto* edit = new QLineEdit(box);
    edit->setObjectName(Name(def.name, "decimal"));
    edit->setMaxLength(def.size == 1 ? 3 : 5);
    const EditRule rule = def.rule;
    KeepToRule(edit, [rule](const std::string& text) { return ApplyEditRule(rule, text); });
    auto* hex = HexDisplay(box);
    hex->setObjectName(Name(def.name, "hex"));
    connect(edit, &QLineEdit::editingFinished, this, [this, i, edit, hex] {
      const NumberFieldState state = fields_.LeaveNumber(i, edit->text().toStdString());
      edit->setText(ToQt(state.decimal));
      hex->setText(ToQt(state.hex));
    });
    grid->addWidget(edit, row, 1);
    grid->addWidget(hex, row, 2);
    numbers_.push_back({edit, hex});
    ++row;
  }

  for (size_t i = 0; i < DigitFields().size(); ++i) {
    const DigitFieldSpec& def = DigitFields()[i];
    add_label(def.label_key);
    auto* edit = new QLineEdit(box);
    edit->setObjectName(Name(def.name, "text"));
    edit->setMaxLength(def.size);
    const EditRule rule = def.rule;
    KeepToRule(edit, [rule](const std::string& text) { return ApplyEditRule(rule, text); });
    auto* hex = HexDisplay(box);
    hex->setObjectName(Name(def.name, "hex"));
    connect(edit, &QLineEdit::editingFinished, this, [this, i, edit, hex] {
      const DigitFieldState state = fields_.LeaveDigits(i, edit->text().toStdString());
      edit->setText(ToQt(state.text));
      hex->setText(ToQt(state.hex));
    });
    grid->addWidget(edit, row, 1);
    grid->addWidget(hex, row, 2);
    digits_.push_back({edit, hex});
    ++row;
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 2);
  return box;
}

QWidget* InterpretedPage::BuildSatellite(PageContext& context, int satellite) {
  auto* group = new QGroupBox;
  group->setObjectName(QString("Satellite%1").arg(satellite + 1));
  context.bindings.Caption(group, satellite == 0 ? 283 : 284);
  auto* form = new QFormLayout(group);
  form->setVerticalSpacing(2);
  const auto add_row = [&](int key, QWidget* control) {
    auto* label = new QLabel(group);
    context.bindings.Caption(label, key);
    form->addRow(label, control);
  };
  SatelliteControls& c = satellites_[static_cast<size_t>(satellite)];

  c.name = new QComboBox(group);
  c.name->setEditable(true);
  c.name->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view suggestion : kSatelliteNameSuggestions[static_cast<size_t>(satellite)]) {
    c.name->addItem(ToQt(suggestion));
  }
  c.name->lineEdit()->setMaxLength(kSatelliteNameLength[static_cast<size_t>(satellite)]);
  KeepToRule(c.name->lineEdit(), [satellite](const std::string& text) {
    return EepromFields::SatelliteNameRule(satellite, text);
  });
  const auto leave_name = [this, satellite, &c] {
    c.name->setEditText(
        ToQt(fields_.LeaveSatelliteName(satellite, c.name->currentText().toStdString())));
  };
  connect(c.name->lineEdit(), &QLineEdit::editingFinished, this, leave_name);
  connect(c.name, &QComboBox::activated, this, leave_name);
  add_row(285, c.name);

  c.band = FixedList(group, {"Ku", "C"});
  add_row(217, c.band);
  c.antenna = FixedList(group, {"1", "2"});
  add_row(286, c.antenna);

  c.frequency = new QLineEdit(group);
  c.frequency->setMaxLength(5);
  KeepToRule(c.frequency, [](const std::string& text) {
    return ApplyEditRule(EditRule{false, "11970"}, text);
  });
  connect(c.frequency, &QLineEdit::editingFinished, this, [this, satellite, &c] {
    c.frequency->setText(
        ToQt(fields_.LeaveSatelliteFrequency(satellite, c.frequency->text().toStdString())));
  });
  add_row(212, c.frequency);

  c.symbol_rate = FixedList(group, {"22000", "27500"});
  add_row(168, c.symbol_rate);
  c.fec = new QComboBox(group);
  for (std::string_view fec : kFecNames) c.fec->addItem(ToQt(fec));
  add_row(165, c.fec);
  c.polarity = FixedList(group, {"V", "H"});
  add_row(213, c.polarity);
  c.tone = FixedList(group, {"Off", "On"});
  add_row(190, c.tone);

  c.lnb = new QLineEdit(group);
  c.lnb->setMaxLength(5);
  KeepToRule(c.lnb, [](const std::string& text) {
    return ApplyEditRule(EditRule{false, "10600"}, text);
  });
  connect(c.lnb, &QLineEdit::editingFinished, this, [this, satellite, &c] {
    c.lnb->setText(ToQt(fields_.LeaveSatelliteLnb(satellite, c.lnb->text().toStdString())));
  });
  add_row(287, c.lnb);

  const std::pair<QComboBox*, SatelliteList> lists[] = {
      {c.band, SatelliteList::kBand},         {c.antenna, SatelliteList::kAntenna},
      {c.symbol_rate, SatelliteList::kSymbolRate}, {c.fec, SatelliteList::kFec},
      {c.polarity, SatelliteList::kPolarity}, {c.tone, SatelliteList::kTone}};
  for (const auto& [list, which] : lists) {
    connect(list, &QComboBox::activated, this, [this, satellite, which = which](int position) {
      fields_.ChooseSatelliteItem(satellite, which, position);
    });
  }
  const QString prefix = QString("Satellite%1_").arg(satellite + 1);
  c.name->setObjectName(prefix + "name");
  c.band->setObjectName(prefix + "band");
  c.antenna->setObjectName(prefix + "antenna");
  c.frequency->setObjectName(prefix + "frequency");
  c.symbol_rate->setObjectName(prefix + "symbol_rate");
  c.fec->setObjectName(prefix + "fec");
  c.polarity->setObjectName(prefix + "polarity");
  c.tone->setObjectName(prefix + "tone");
  c.lnb->setObjectName(prefix + "lnb");
  return group;
}

void InterpretedPage::Refresh() {
  const EepromFieldsView view = fields_.Interpret();
  for (size_t i = 0; i < lists_.size(); ++i) {
    const ListFieldState& state = view.lists[i];
    lists_[i].list->setCurrentIndex(state.selected);
    lists_[i].hex->setText(ToQt(state.edit_text));
    lists_[i].hex->setEnabled(state.edit_enabled);
  }
  for (size_t i = 0; i < numbers_.size(); ++i) {
    numbers_[i].edit->setText(ToQt(view.numbers[i].decimal));
    numbers_[i].hex->setText(ToQt(view.numbers[i].hex));
  }
  for (size_t i = 0; i < digits_.size(); ++i) {
    digits_[i].edit->setText(ToQt(view.digits[i].text));
    digits_[i].hex->setText(ToQt(view.digits[i].hex));
  }
  for (size_t s = 0; s < satellites_.size(); ++s) {
    const SatelliteState& state = view.satellites[s];
    const SatelliteControls& c = satellites_[s];
    c.name->setEditText(ToQt(state.name));
    c.band->setCurrentIndex(state.band);
    c.antenna->setCurrentIndex(state.antenna);
    c.frequency->setText(ToQt(state.frequency));
    c.symbol_rate->setCurrentIndex(state.symbol_rate);
    c.fec->setCurrentIndex(state.fec);
    c.polarity->setCurrentIndex(state.polarity);
    c.tone->setCurrentIndex(state.tone);
    c.lnb->setText(ToQt(state.lnb));
  }
}

}  // namespace atalaya
