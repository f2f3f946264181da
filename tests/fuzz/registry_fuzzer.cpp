// Random records and clears of both levels, with catalogued codes and arbitrary bytes as the
// caller's texts. After each step the level's last code, its stack and the stack's rendering are
// checked against a reference model kept here.

#include <fuzzer/FuzzedDataProvider.h>
#include <tervox/TervoxError.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "error/ErrorCatalogue.h"

namespace {

// A stack entry as hosts must see it: errors carry the catalogue's short text, warnings its long
// one.
std::string framed(ERROR_LVL level, int code, const std::string& caller_text) {
  const tervox::detail::CatalogueRow& row = *tervox::detail::ErrorCatalogue::find(code);
  return (level == LVL_ERROR ? "[EC : " + std::to_string(code) + "] " : "Warning: ") +
         std::string(level == LVL_ERROR ? row.short_text : row.long_text) + "\n" + caller_text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // The trace stream stays closed, so the records' trace lines go nowhere: they are the unit
  // tests' concern.
  TervoxError& registry = TervoxError::getInstance();
  for (const ERROR_LVL level : {LVL_ERROR, LVL_WARNING}) registry.clear(level);
  // Each level as hosts must see it: its last code, its codes and its rendered stack.
  int lasts[2] = {100, 100};
  std::vector<int> codes[2] = {{100}, {100}};
  std::string stacks[2];
  FuzzedDataProvider input(data, size);
  while (input.remaining_bytes() > 0) {
    const int step = input.ConsumeIntegralInRange(0, 2);
    const ERROR_LVL level = input.ConsumeBool() ? LVL_ERROR : LVL_WARNING;
    const int code =
        tervox::detail::ErrorCatalogue::begin()[input.ConsumeIntegralInRange(0, 251)].code;
    const std::string text = input.ConsumeRandomLengthString(64);
    if (step == 0) registry.setLast(level, code, "f", "g", 1, text, "long");
    if (step == 1) registry.pushOnStack(level, code, text, "long");
    if (step == 2) registry.clear(level);
    if (step == 0) lasts[level] = code;
    if (step <= 1) codes[level].push_back(code);
    if (step <= 1) stacks[level] = framed(level, code, text + "\n") + stacks[level];
    if (step == 2) lasts[level] = 100, codes[level] = {100}, stacks[level].clear();
    if (registry.getLast(level) != lasts[level] || registry.getStack(level) != codes[level] ||
        registry.getStackDescriptions(level) != stacks[level])
      std::abort();
  }
  return 0;
}
