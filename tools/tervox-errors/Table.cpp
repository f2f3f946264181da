#include "Table.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>

namespace tervox::tools {
namespace {

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string markdown_cell(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '|') out += '\\';
    out += c;
  }
  return out;
}

// Tabs and line feeds inside a cell would break the row apart.
std::string tsv_cell(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '\t', ' ');
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

}  // namespace

std::optional<Table::Format> Table::parse_format(std::string_view name) {
  if (name == "text") return Format::kText;
  if (name == "tsv") return Format::kTsv;
  if (name == "json") return Format::kJson;
  if (name == "markdown") return Format::kMarkdown;
  return std::nullopt;
}

void Table::print(std::ostream& out, Format format) const {
  switch (format) {
    case Format::kText: print_text(out); break;
    case Format::kTsv: print_tsv(out); break;
    case Format::kJson: print_json(out); break;
    case Format::kMarkdown: print_markdown(out); break;
  }
}

void Table::print_text(std::ostream& out) const {
  std::vector<std::size_t> widths;
  for (const Column& column : columns_) widths.push_back(column.name.size());
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  auto print_line = [&](const auto& cell_of) {
    std::string line;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      const std::string cell = cell_of(i);
      const std::string padding(widths[i] - cell.size(), ' ');
      if (i > 0) line += "  ";
      line += columns_[i].numeric ? padding + cell : cell + padding;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  };
  print_line([&](std::size_t i) { return columns_[i].name; });
  for (const auto& row : rows_) print_line([&](std::size_t i) { return row[i]; });
}

void Table::print_tsv(std::ostream& out) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) out << (i ? "\t" : "") << columns_[i].name;
  out << '\n';
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) out << (i ? "\t" : "") << tsv_cell(row[i]);
    out << '\n';
  }
}

void Table::print_json(std::ostream& out) const {
  out << '[';
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    out << (r ? ",\n " : "\n ") << '{';
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      out << (i ? ", " : "") << json_string(columns_[i].name) << ": "
          << (columns_[i].numeric ? rows_[r][i] : json_string(rows_[r][i]));
    }
    out << '}';
  }
  out << (rows_.empty() ? "]\n" : "\n]\n");
}

void Table::print_markdown(std::ostream& out) const {
  std::string header = "|";
  std::string rule = "|";
  for (const Column& column : columns_) {
    header += " " + markdown_cell(column.name) + " |";
    rule += column.numeric ? "---:|" : "---|";
  }
  out << header << '\n' << rule << '\n';
  for (const auto& row : rows_) {
    out << '|';
    for (const std::string& cell : row) out << ' ' << markdown_cell(cell) << " |";
    out << '\n';
  }
}

}  // namespace tervox::tools
