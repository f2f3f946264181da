#include "Table.h"

#include <algorithm>

#include "TextEscaping.h"

namespace tervox::tools {
namespace {

std::string json_string(std::string_view text) {
  std::string out;
  append_json_string(out, text);
  return out;
}

// Column names read as words in the human formats; as JSON keys they are snake_case.
std::string json_key(std::string name) {
  std::replace(name.begin(), name.end(), ' ', '_');
  return json_string(name);
}

// The columns a UTF-8 text takes in a terminal, taking each character as one.
std::size_t width(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::string markdown_cell(std::string_view text) {
  std::string out;
  for (char c : printable_text(text)) {
    if (c == '|') out += '\\';
    out += c;
  }
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
  std::vector<std::vector<std::string>> lines(1);
  for (const Column& column : columns_) lines[0].push_back(column.name);
  for (const auto& row : rows_) {
    lines.emplace_back();
    for (const std::string& cell : row) lines.back().push_back(printable_text(cell));
  }
  std::vector<std::size_t> widths(columns_.size());
  for (const auto& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], width(line[i]));
  }
  for (const auto& cells : lines) {
    std::string line;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      const std::string padding(widths[i] - width(cells[i]), ' ');
      if (i > 0) line += "  ";
      line += columns_[i].numeric ? padding + cells[i] : cells[i] + padding;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  }
}

void Table::print_tsv(std::ostream& out) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) out << (i ? "\t" : "") << columns_[i].name;
  out << '\n';
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) out << (i ? "\t" : "") << printable_text(row[i]);
    out << '\n';
  }
}

void Table::print_json(std::ostream& out) const {
  out << '[';
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    out << (r ? ",\n " : "\n ") << '{';
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      out << (i ? ", " : "") << json_key(columns_[i].name) << ": "
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
