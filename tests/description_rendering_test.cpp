// The five renderers, byte for byte, on registries built up by a few records.

#include <gtest/gtest.h>
#include <tervox/TervoxError.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "RegistryFixture.h"

namespace {

enum class Renderer { kShort, kLong, kLastShort, kLastLong, kStack };

std::string render(TervoxError& registry, Renderer renderer, ERROR_LVL level, int code) {
  switch (renderer) {
    case Renderer::kShort: return registry.getShortDescription(level, code);
    case Renderer::kLong: return registry.getLongDescription(level, code);
    case Renderer::kLastShort: return registry.getLastShortDescription(level);
    case Renderer::kLastLong: return registry.getLastLongDescription(level);
    case Renderer::kStack: return registry.getStackDescriptions(level);
  }
  return {};
}

struct Record {
  bool traced;  // setLast rather than pushOnStack
  ERROR_LVL level;
  int code;
  const char* short_text;
  const char* long_text;
};

void record_all(TervoxError& registry, const std::vector<Record>& records) {
  for (const Record& r : records) {
    if (r.traced) {
      registry.setLast(r.level, r.code, "f", "g", 1, r.short_text, r.long_text);
    } else {
      registry.pushOnStack(r.level, r.code, r.short_text, r.long_text);
    }
  }
}

const ERROR_LVL kLevel2 = static_cast<ERROR_LVL>(2);
const ERROR_LVL kLevelMinus1 = static_cast<ERROR_LVL>(-1);

struct RenderRow {
  std::vector<Record> records;
  Renderer renderer;
  ERROR_LVL level;
  int code;  // for kShort and kLong
  const char* expected;
};

TEST_F(Registry, RenderersFrameCatalogueTextsWithTheNewestCallerText) {
  const Record push_error_300{false, LVL_ERROR, 300, "A", "B"};
  const Record push_warning_300{false, LVL_WARNING, 300, "A", "B"};
  const RenderRow rows[] = {
      // A registry that has recorded nothing.
      {{}, Renderer::kLastShort, LVL_ERROR, 0, "[EC : 100] Error\n"},
      {{}, Renderer::kLastLong, LVL_ERROR, 0, "[EC : 100] An unrecoverable error was encountered\n"},
      {{}, Renderer::kLastShort, LVL_WARNING, 0, "Warning: Error\n"},
      {{}, Renderer::kLastLong, LVL_WARNING, 0, "Warning: An unrecoverable error was encountered\n"},
      {{}, Renderer::kStack, LVL_ERROR, 0, ""},
      {{}, Renderer::kStack, LVL_WARNING, 0, ""},
      {{}, Renderer::kShort, LVL_ERROR, 300, "[EC : 300] File inconsistency error\n"},
      {{}, Renderer::kLong, LVL_ERROR, 300, "[EC : 300] There was an inconsistency in a file\n"},
      {{}, Renderer::kShort, LVL_WARNING, 300, "Warning: File inconsistency error\n"},
      {{}, Renderer::kLong, LVL_WARNING, 300, "Warning: There was an inconsistency in a file\n"},
      {{}, Renderer::kShort, LVL_ERROR, 0, "[EC : 0] No error\n"},
      {{}, Renderer::kShort, LVL_ERROR, 3004, "[EC : 3004] NOMINATIM API bad response\n"},
      // Levels that select no record give the bare text.
      {{push_error_300}, Renderer::kShort, kLevel2, 300, "File inconsistency error"},
      {{push_error_300}, Renderer::kLong, kLevelMinus1, 300, "There was an inconsistency in a file"},
      {{push_error_300}, Renderer::kLastShort, kLevel2, 0, "No error"},
      {{push_error_300}, Renderer::kLastLong, kLevelMinus1, 0, "The program terminated without errors"},
      {{push_error_300}, Renderer::kStack, kLevel2, 0, ""},
      // The newest caller text is appended whatever code is described; the long text B never is.
      {{push_error_300}, Renderer::kShort, LVL_ERROR, 100, "[EC : 100] Error\nA"},
      {{push_error_300}, Renderer::kLong, LVL_ERROR, 300, "[EC : 300] There was an inconsistency in a file\nA"},
      {{push_error_300}, Renderer::kLastShort, LVL_ERROR, 0, "[EC : 100] Error\nA"},
      {{push_error_300}, Renderer::kShort, LVL_WARNING, 300, "Warning: File inconsistency error\n"},
      {{push_error_300}, Renderer::kStack, LVL_ERROR, 0, "[EC : 300] File inconsistency error\nA\n"},
      // Warning stack entries carry the long text.
      {{push_warning_300}, Renderer::kStack, LVL_WARNING, 0, "Warning: There was an inconsistency in a file\nA\n"},
      {{push_warning_300}, Renderer::kShort, LVL_WARNING, 300, "Warning: File inconsistency error\nA"},
      // Newest first, the initial entry never shown.
      {{push_error_300, {false, LVL_ERROR, 100, "P", "Q"}}, Renderer::kStack, LVL_ERROR, 0,
       "[EC : 100] Error\nP\n[EC : 300] File inconsistency error\nA\n"},
      {{{true, LVL_ERROR, 2933, "tp", "x"}}, Renderer::kLastShort, LVL_ERROR, 0,
       "[EC : 2933] Tie points position not reliable\ntp"},
      {{{true, LVL_WARNING, 330, "gr\n", "x"}}, Renderer::kLastLong, LVL_WARNING, 0,
       "Warning: The input file is in  ground range, synthetic phase generation is not supported\ngr\n"},
      {{{true, LVL_WARNING, 1105, "a", ""}, {true, LVL_WARNING, 2926, "b", ""}}, Renderer::kStack,
       LVL_WARNING, 0,
       "Warning: Only 2.5m SPOT-5 HRG products are supported\nb\n"
       "Warning: The param file is missing the data record\na\n"},
  };
  for (const RenderRow& row : rows) {
    registry_.clear(LVL_ERROR);
    registry_.clear(LVL_WARNING);
    record_all(registry_, row.records);
    EXPECT_EQ(render(registry_, row.renderer, row.level, row.code), row.expected)
        << "renderer " << static_cast<int>(row.renderer) << ", level " << row.level << ", code "
        << row.code;
  }
}

void expect_unknown_code(TervoxError& registry, Renderer renderer, ERROR_LVL level, int code) {
  try {
    render(registry, renderer, level, code);
    ADD_FAILURE() << "no exception for renderer " << static_cast<int>(renderer) << ", level "
                  << level << ", code " << code;
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), "invalid map<K, T> key");
  }
}

TEST_F(Registry, AnUncataloguedCodeThrowsAtEveryLevel) {
  for (int code : {99, -5, -1, 311, 1101, 3005, INT_MAX, INT_MIN}) {
    for (ERROR_LVL level : {LVL_ERROR, LVL_WARNING, kLevel2, kLevelMinus1}) {
      expect_unknown_code(registry_, Renderer::kShort, level, code);
      expect_unknown_code(registry_, Renderer::kLong, level, code);
    }
  }
}

TEST_F(Registry, ALevelWithAnUncataloguedCodeKeepsFailingUntilItIsMended) {
  registry_.setLast(LVL_ERROR, 99, "f", "g", 1, "a", "b");
  for (Renderer renderer : {Renderer::kLastShort, Renderer::kLastLong, Renderer::kStack}) {
    expect_unknown_code(registry_, renderer, LVL_ERROR, 0);
  }
  EXPECT_EQ(registry_.getLastShortDescription(LVL_WARNING), "Warning: Error\n");
  EXPECT_EQ(registry_.getStackDescriptions(LVL_WARNING), "");

  registry_.setLast(LVL_ERROR, 300, "f", "g", 1, "c", "d");
  EXPECT_EQ(registry_.getLastShortDescription(LVL_ERROR), "[EC : 300] File inconsistency error\nc");
  expect_unknown_code(registry_, Renderer::kStack, LVL_ERROR, 0);

  registry_.clear(LVL_ERROR);
  EXPECT_EQ(registry_.getStackDescriptions(LVL_ERROR), "");
}

TEST_F(Registry, StackRenderingReadsOnlyWhatBothSequencesHold) {
  registry_.pushOnStack(LVL_ERROR, 300, "A", "B");
  registry_.getStack(LVL_ERROR).push_back(306);  // a host breaking the rule
  EXPECT_EQ(registry_.getStackDescriptions(LVL_ERROR), "[EC : 300] File inconsistency error\nA\n");
  registry_.getStack(LVL_ERROR).clear();
  EXPECT_EQ(registry_.getStackDescriptions(LVL_ERROR), "");
  EXPECT_EQ(registry_.getLastShortDescription(LVL_ERROR), "[EC : 100] Error\nA");
}

}  // namespace
