#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "core/eeprom/eeprom_fields.h"
#include "gui/shell/page_context.h"

class QComboBox;
class QLineEdit;

namespace atalaya {

// The "Datos Interpretados" page: the EEPROM's known fields as lists and boxes. Every editor
// writes its bytes into the image as soon as the user changes it; `Refresh` reads them all
// back from the image.
class InterpretedPage : public QWidget {
 public:
  InterpretedPage(PageContext& context, EepromFields& fields, QWidget* parent = nullptr);

  void Refresh();

  struct ListControls {
    QComboBox* list;
    QLineEdit* hex;
  };
  struct TextControls {
    QLineEdit* edit;
    QLineEdit* hex;  // read-only display
  };
  struct SatelliteControls {
    QComboBox* name;
    QComboBox* band;
    QComboBox* antenna;
    QLineEdit* frequency;
    QComboBox* symbol_rate;
    QComboBox* fec;
    QComboBox* polarity;
    QComboBox* tone;
    QLineEdit* lnb;
  };
  const ListControls& list(size_t field) const { return lists_[field]; }
  const TextControls& number(size_t field) const { return numbers_[field]; }
  const TextControls& digits(size_t field) const { return digits_[field]; }
  const SatelliteControls& satellite(int index) const { return satellites_[static_cast<size_t>(index)]; }

 private:
  QWidget* BuildSingleFields(PageContext& context);
  QWidget* BuildSatellite(PageContext& context, int satellite);

  EepromFields& fields_;
  std::vector<ListControls> lists_;
  std::vector<TextControls> numbers_;
  std::vector<TextControls> digits_;
  std::array<SatelliteControls, 2> satellites_{};
};

}  // namespace atalaya
