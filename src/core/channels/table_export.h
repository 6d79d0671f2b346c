#pragma once

#include <string>
#include <string_view>

#include "core/channels/list_tables.h"

namespace atalaya {

// The text form of rows `first` … `last` that copying, pasting and the TXT export share: each
// of the 11 cells, the row number included, followed by a TAB, then CR LF after every row.
template <typename Column>
std::string RowText(const ListTable<Column>& table, int first, int last) {
  std::string text;
  for (int row = first; row <= last && row < table.RowCount(); ++row) {
    for (const std::string& cell : table.Row(row)) {
      text += cell;
      text += '\t';
    }
    text += "\r\n";
  }
  return text;
}

// The TXT export: the title row and then every row.
template <typename Column>
std::string TableText(const ListTable<Column>& table) {
  return RowText(table, 0, table.RowCount() - 1);
}

// The HTM export: a page holding one table; titles and row numbers are header cells, channel
// rows carry their background colour, names are left-aligned and the rest centred.
std::string TableHtml(const ChannelTable& table, std::string_view title);
std::string TableHtml(const TransponderTable& table, std::string_view title);

// A JSON object for scripts: {"columns": [11 titles], "rows": [{"cells": [11 texts],
// "colour": "#RRGGBB"}, …]}, without "colour" for transponder rows.
std::string TableJson(const ChannelTable& table);
std::string TableJson(const TransponderTable& table);

}  // namespace atalaya
