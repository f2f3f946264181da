#include "error/ErrorCatalogue.h"

#include <cstdint>
#include <stdexcept>

#include "error/ErrorCatalogueRows.h"

namespace tervox::detail {
namespace {

constexpr std::size_t kRowCount = sizeof kCatalogueRows / sizeof kCatalogueRows[0];
constexpr int kHighestCode = kCatalogueRows[kRowCount - 1].code;

constexpr bool is_printable_line(std::string_view text) {
  if (text.empty() || text.back() == '.') return false;
  for (char c : text) {
    if (c < ' ' || c > '~') return false;
  }
  return true;
}

constexpr bool rows_are_well_formed() {
  for (std::size_t i = 0; i < kRowCount; ++i) {
    const CatalogueRow& row = kCatalogueRows[i];
    if (i > 0 && row.code <= kCatalogueRows[i - 1].code) return false;
    if (!is_printable_line(row.short_text) || !is_printable_line(row.long_text)) return false;
  }
  return true;
}

static_assert(kRowCount == 252, "the catalogue has 252 codes");
static_assert(kCatalogueRows[0].code == 0 && kHighestCode == 3004, "codes run from 0 to 3004");
static_assert(rows_are_well_formed(),
              "codes strictly ascending; texts one printable line without a final full stop");

// A direct index from code to row: every look-up is one bounds check and one load, and nothing
// is built at run time.
using RowIndex = std::uint8_t;
constexpr RowIndex kNoRow = 0xFF;
static_assert(kRowCount < kNoRow, "every row index fits beside the no-row mark");

struct CodeIndex {
  RowIndex row_of_code[kHighestCode + 1];
};

constexpr CodeIndex build_code_index() {
  CodeIndex index{};
  for (RowIndex& row : index.row_of_code) row = kNoRow;
  for (std::size_t i = 0; i < kRowCount; ++i) {
    index.row_of_code[kCatalogueRows[i].code] = static_cast<RowIndex>(i);
  }
  return index;
}

constexpr CodeIndex kCodeIndex = build_code_index();

}  // namespace

const CatalogueRow* ErrorCatalogue::find(int code) noexcept {
  if (code < 0 || code > kHighestCode) return nullptr;
  const RowIndex row = kCodeIndex.row_of_code[code];
  return row == kNoRow ? nullptr : &kCatalogueRows[row];
}

const CatalogueRow& ErrorCatalogue::at(int code) {
  const CatalogueRow* row = find(code);
  // The message is the one hosts have always seen for an unknown code; they may match on it.
  if (row == nullptr) throw std::out_of_range("invalid map<K, T> key");
  return *row;
}

const CatalogueRow* ErrorCatalogue::begin() noexcept { return kCatalogueRows; }

const CatalogueRow* ErrorCatalogue::end() noexcept { return kCatalogueRows + kRowCount; }

}  // namespace tervox::detail
