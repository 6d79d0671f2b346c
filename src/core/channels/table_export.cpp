#include "core/channels/table_export.h"

#include <cstdio>
#include <functional>
#include <optional>

namespace atalaya {
namespace {

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string ColourText(Rgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
  return text;
}

// Column 1 of the channel table (NOMBRE) is the one left-aligned column.
template <typename Column>
std::string Html(const ListTable<Column>& table, std::string_view title, bool left_names,
                 const std::function<std::optional<Rgb>(int)>& colour_of) {
  std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                     HtmlEscaped(title) +
                     "</title>\n</head>\n<body>\n<table border=\"1\" cellspacing=\"0\" "
                     "cellpadding=\"2\">\n";
  for (int row = 0; row < table.RowCount(); ++row) {
    const ListRow& cells = table.Row(row);
    html += "<tr>";
    for (size_t column = 0; column < cells.size(); ++column) {
      if (row == 0 || column == 0) {
        html.append("<th>").append(HtmlEscaped(cells[column])).append("</th>");
        continue;
      }
      html += left_names && column == 1 ? "<td align=\"left\"" : "<td align=\"center\"";
      if (const std::optional<Rgb> colour = colour_of(row)) {
        html.append(" bgcolor=\"").append(ColourText(*colour)).append("\"");
      }
      html.append(">").append(HtmlEscaped(cells[column])).append("</td>");
    }
    html += "</tr>\n";
  }
  return html + "</table>\n</body>\n</html>\n";
}

template <typename Column>
std::string Json(const ListTable<Column>& table,
                 const std::function<std::optional<Rgb>(int)>& colour_of) {
  const auto cell_list = [&table](int row) {
    std::string list = "[";
    for (const std::string& cell : table.Row(row)) {
      if (list.size() > 1) list += ", ";
      list += JsonString(cell);
    }
    return list + "]";
  };
  std::string json = "{\n  \"columns\": " + cell_list(0) + ",\n  \"rows\": [\n";
  for (int row = 1; row < table.RowCount(); ++row) {
    json += "    {\"cells\": " + cell_list(row);
    if (const std::optional<Rgb> colour = colour_of(row)) {
      json += ", \"colour\": " + JsonString(ColourText(*colour));
    }
    json += row + 1 < table.RowCount() ? "},\n" : "}\n";
  }
  return json + "  ]\n}\n";
}

std::optional<Rgb> NoColour(int) { return std::nullopt; }

}  // namespace

std::string TableHtml(const ChannelTable& table, std::string_view title) {
  return Html(table, title, true,
              [&table](int row) -> std::optional<Rgb> { return table.Colour(row); });
}

std::string TableHtml(const TransponderTable& table, std::string_view title) {
  return Html(table, title, false, NoColour);
}

std::string TableJson(const ChannelTable& table) {
  return Json(table, [&table](int row) -> std::optional<Rgb> { return table.Colour(row); });
}

std::string TableJson(const TransponderTable& table) { return Json(table, NoColour); }

}  // namespace atalaya
