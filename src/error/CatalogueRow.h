#ifndef TERVOX_ERROR_CATALOGUEROW_H
#define TERVOX_ERROR_CATALOGUEROW_H

#include <string_view>

namespace tervox::detail {

// One error code with its two descriptions: a title of a few words and one sentence that states
// the condition.
struct CatalogueRow {
  int code;
  std::string_view short_text;
  std::string_view long_text;
};

}  // namespace tervox::detail

#endif  // TERVOX_ERROR_CATALOGUEROW_H
