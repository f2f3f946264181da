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

void Table::print(LineOutput& out, Format format) const {
  print(out, format, rows_.size(), [this](std::size_t index) { return rows_[index]; });
}

void Table::print(LineOutput& out, Format format, std::size_t row_count,
                  const RowAt& row_at) const {
  switch (format) {
    case Format::kText: print_text(out, row_count, row_at); break;
    case Format::kTsv: print_tsv(out, row_count, row_at); break;
    case Format::kJson: print_json(out, row_count, row_at); break;
    case Format::kMarkdown: print_markdown(out, row_count, row_at); break;
  }
}

void Table::print_text(LineOutput& out, std::size_t row_count, const RowAt& row_at) const {
  std::vector<std::string> names;
  for (const Column& column : columns_) names.push_back(column.name);
  // Row 0 is the column names.
  const auto cells_at = [&](std::size_t line) {
    if (line == 0) return names;
    std::vector<std::string> cells = row_at(line - 1);
    for (std::string& cell : cells) cell = printable_text(cell);
    return cells;
  };
  std::vector<std::size_t> widths(columns_.size());
  for (std::size_t line = 0; line <= row_count; ++line) {
    const std::vector<std::string> cells = cells_at(line);
    for (std::size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], width(cells[i]));
  }
  for (std::size_t line_index = 0; line_index <= row_count; ++line_index) {
    const std::vector<std::string> cells = cells_at(line_index);
    std::string line;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      const std::string padding(widths[i] - width(cells[i]), ' ');
      if (i > 0) line += "  ";
      line += columns_[i].numeric ? padding + cells[i] : cells[i] + padding;
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out.write(line + '\n');
  }
}

void Table::print_tsv(LineOutput& out, std::size_t row_count, const RowAt& row_at) const {
  std::string line;
  for (std::size_t i = 0; i < columns_.size(); ++i) line += (i ? "\t" : "") + columns_[i].name;
  out.write(line + '\n');
  for (std::size_t r = 0; r < row_count; ++r) {
    const std::vector<std::string> row = row_at(r);
    line.clear();
    for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "\t" : "") + printable_text(row[i]);
    out.write(line + '\n');
  }
}

void Table::print_json(LineOutput& out, std::size_t row_count, const RowAt& row_at) const {
  out.write("[");
  for (std::size_t r = 0; r < row_count; ++r) {
    const std::vector<std::string> row = row_at(r);
    std::string object = r ? ",\n {" : "\n {";
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      object += (i ? ", " : "") + json_key(columns_[i].name) + ": " +
                (columns_[i].numeric ? row[i] : json_string(row[i]));
    }
    out.write(object + '}');
  }
  out.write(row_count == 0 ? "]\n" : "\n]\n");
}

void Table::print_markdown(LineOutput& out, std::size_t row_count, const RowAt& row_at) const {
  std::string header = "|";
  std::string rule = "|";
  for (const Column& column : columns_) {
    header += " " + markdown_cell(column.name) + " |";
    rule += column.numeric ? "---:|" : "---|";
  }
  out.write(header + '\n' + rule + '\n');
  for (std::size_t r = 0; r < row_count; ++r) {
    std::string line = "|";
    for (const std::string& cell : row_at(r)) line += ' ' + markdown_cell(cell) + " |";
    out.write(line + '\n');
  }
}

}  // namespace tervox::tools
