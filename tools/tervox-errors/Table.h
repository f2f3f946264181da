#ifndef TERVOX_TOOLS_TABLE_H
#define TERVOX_TOOLS_TABLE_H

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tervox::tools {

// A listing with named columns, printed in any of the tool's output formats.
class Table {
 public:
  enum class Format { kText, kTsv, kJson, kMarkdown };

  struct Column {
    std::string name;
    bool numeric;  // printed as a JSON number and right-aligned in text
  };

  explicit Table(std::vector<Column> columns) : columns_(std::move(columns)) {}

  void add_row(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }

  // Prints the column names and the rows. Every cell comes out as valid UTF-8 (see
  // TextEscaping.h); as text, TSV and Markdown with control characters as spaces, as JSON escaped,
  // under keys that are the column names in snake_case.
  void print(std::ostream& out, Format format) const;

  // "text", "tsv", "json" or "markdown"; nothing for any other name.
  static std::optional<Format> parse_format(std::string_view name);

 private:
  void print_text(std::ostream& out) const;
  void print_tsv(std::ostream& out) const;
  void print_json(std::ostream& out) const;
  void print_markdown(std::ostream& out) const;

  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace tervox::tools

#endif  // TERVOX_TOOLS_TABLE_H
