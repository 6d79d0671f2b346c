#include "gui/eeprom/hex_grid.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

#include "core/service/checksum.h"

namespace atalaya {
namespace {

constexpr int kRowHeight = 16;

}  // namespace

EepromTableModel::EepromTableModel(EepromImage& image, HexEditRules& rules, QObject* parent)
    : QAbstractTableModel(parent), image_(image), rules_(rules) {
  image_.SetChangeListener([this](int first_row, int last_row) {
    emit dataChanged(index(first_row - 1, 0), index(last_row - 1, EepromImage::kColumns - 1));
  });
}

int EepromTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : EepromImage::kRows;
}

int EepromTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : EepromImage::kColumns;
}

QVariant EepromTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    return QString::fromStdString(image_.Cell(index.row() + 1, index.column() + 1));
  }
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  return {};
}

QVariant EepromTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::DisplayRole) {
    return QString::fromStdString(orientation == Qt::Horizontal ? HexDigits(section, 1)
                                                                : RowAddressText(section));
  }
  if (role == Qt::FontRole) return QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  return {};
}

Qt::ItemFlags EepromTableModel::flags(const QModelIndex& index) const {
  return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

bool EepromTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  rules_.CommitEdit(index.row() + 1, index.column() + 1, value.toString().toStdString());
  return true;
}

HexCellDelegate::HexCellDelegate(HexEditRules& rules, QObject* parent)
    : QStyledItemDelegate(parent), rules_(rules) {}

QWidget* HexCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex& index) const {
  rules_.BeginEdit(index.row() + 1, index.column() + 1);
  committed_ = false;
  auto* editor = new QLineEdit(parent);
  editor->setObjectName("HexCellEditor");
  editor->setMaxLength(2);
  editor->setAlignment(Qt::AlignCenter);
  editor->setValidator(
      new QRegularExpressionValidator(QRegularExpression("[0-9A-Za-z]{0,2}"), editor));
  QObject::connect(editor, &QLineEdit::textEdited, editor, [editor](const QString& text) {
    const int cursor = editor->cursorPosition();
    editor->setText(text.toUpper());
    editor->setCursorPosition(cursor);
  });
  return editor;
}

void HexCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                   const QModelIndex& index) const {
  committed_ = true;
  model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

void HexCellDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
  if (!committed_) rules_.CancelEdit(index.row() + 1, index.column() + 1);
  committed_ = false;
  QStyledItemDelegate::destroyEditor(editor, index);
}

HexGrid::HexGrid(EepromImage& image, HexEditRules& rules, QWidget* parent) : QTableView(parent) {
  setObjectName("HexGrid");
  model_ = new EepromTableModel(image, rules, this);
  delegate_ = new HexCellDelegate(rules, this);
  setModel(model_);
  setItemDelegate(delegate_);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setMinimumSectionSize(8);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [&rules](const QModelIndex& current) {
            if (current.isValid()) rules.Select(current.row() + 1);
          });
}

void HexGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  ShareColumnWidths();
}

void HexGrid::ShareColumnWidths() {
  const int width = viewport()->width() + verticalHeader()->width();
  const int share = std::max(8, width / (EepromImage::kColumns + 1));
  verticalHeader()->setFixedWidth(share);
  int used = share;
  for (int column = 0; column < EepromImage::kColumns - 1; ++column) {
    setColumnWidth(column, share);
    used += share;
  }
  setColumnWidth(EepromImage::kColumns - 1, std::max(8, width - used));
}

}  // namespace atalaya
