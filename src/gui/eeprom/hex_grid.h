#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include "core/eeprom/eeprom_image.h"

namespace atalaya {

// The EEPROM image as a table: 128 rows of 16 cells, headed "0"…"F" and "000"…"7F0".
class EepromTableModel : public QAbstractTableModel {
 public:
  EepromTableModel(EepromImage& image, HexEditRules& rules, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // A committed hand edit; the editing rules decide what the cell becomes.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  EepromImage& image_;
  HexEditRules& rules_;
};

// The in-place editor of a cell: two letters or digits, turned upper case as they are typed.
// Leaving it with Escape puts back the value the cell had when editing began.
class HexCellDelegate : public QStyledItemDelegate {
 public:
  HexCellDelegate(HexEditRules& rules, QObject* parent = nullptr);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

 private:
  HexEditRules& rules_;
  mutable bool committed_ = false;
};

// The hex grid of the "Editor Hexadecimal" page.
class HexGrid : public QTableView {
 public:
  HexGrid(EepromImage& image, HexEditRules& rules, QWidget* parent = nullptr);

  EepromTableModel* table() const { return model_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The header column and the 16 data columns share the width; the last takes what remains.
  void ShareColumnWidths();

  EepromTableModel* model_;
  HexCellDelegate* delegate_;
};

}  // namespace atalaya
