#ifndef TERVOX_TOOLS_TABLE_H
#define TERVOX_TOOLS_TABLE_H

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LineOutput.h"

namespace tervox::tools {

// A listing with named columns, printed in any of the tool's output formats.
class Table {
 public:
  enum class Format { kText, kTsv, kJson, kMarkdown };

  struct Column {
    std::string name;
    bool numeric;  // printed as a JSON number and right-aligned in text
  };

  // The cells of row `index`, one per column.
  using RowAt = std::function<std::vector<std::string>(std::size_t index)>;

  explicit Table(std::vector<Column> columns) : columns_(std::move(columns)) {}

  void add_row(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }

  // Prints the column names and the rows added. Every cell comes out as valid UTF-8 (see
  // TextEscaping.h); as text, TSV and Markdown with control characters as spaces, as JSON escaped,
  // under keys that are the column names in snake_case.
  void print(LineOutput& out, Format format) const;

  // The same with `row_count` rows that `row_at` makes as they are printed (twice each as text,
  // the widths first), for a table too long to hold: one row per trace of a campaign.
  void print(LineOutput& out, Format format, std::size_t row_count, const RowAt& row_at) const;

  // "text", "tsv", "json" or "markdown"; nothing for any other name.
  static std::optional<Format> parse_format(std::string_view name);

 private:
  void print_text(LineOutput& out, std::size_t row_count, const RowAt& row_at) const;
  void print_tsv(LineOutput& out, std::size_t row_count, const RowAt& row_at) const;
  void print_json(LineOutput& out, std::size_t row_count, const RowAt& row_at) const;
  void print_markdown(LineOutput& out, std::size_t row_count, const RowAt& row_at) const;

  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_TABLE_H
