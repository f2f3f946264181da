#ifndef TERVOX_ERROR_ERRORCATALOGUE_H
#define TERVOX_ERROR_ERRORCATALOGUE_H

#include <cstddef>

#include "error/CatalogueRow.h"

namespace tervox::detail {

// The constant table from error code to its short and long description, one table for both
// levels and every renderer. Internal: hosts reach it only through TervoxError's renderers.
class ErrorCatalogue {
 public:
  // Returns the row of exactly `code`, or null when the catalogue has none (no nearest code,
  // no fall-back to the group's hundred).
  static const CatalogueRow* find(int code) noexcept;

  // Returns the row of exactly `code`; throws std::out_of_range("invalid map<K, T> key") when
  // the catalogue has none.
  static const CatalogueRow& at(int code);

  // All rows in ascending code order, for listings.
  static const CatalogueRow* begin() noexcept;
  static const CatalogueRow* end() noexcept;
};

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_ERRORCATALOGUE_H
