#include "TraceSummary.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "DecimalInt.h"
#include "log/TraceLayout.h"

namespace tervox::tools {
namespace {

namespace layout = tervox::detail;

// The tag that starts both lines of a record at one level: "[UNDEF][!] " for errors.
std::string record_tag(int level_layout) {
  return std::string(layout::kTagOpen) + std::string(layout::kRecordCategory) +
         std::string(layout::kTagClose) +
         std::string(layout::kLevelLayouts[level_layout].level_prefix);
}

const std::string kErrorTag = record_tag(layout::kErrorLayout);
const std::string kWarningTag = record_tag(layout::kWarningLayout);

// Lines are read without their line feed, so a location line ends in the close bracket alone.
static_assert(layout::kLocationClose.back() == '\n');
constexpr std::string_view kLocationEnd =
    layout::kLocationClose.substr(0, layout::kLocationClose.size() - 1);

bool starts_with(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

bool ends_with(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A trace line of a recorded error or warning: its level and what follows the tag.
struct TaggedLine {
  bool is_error;
  std::string_view rest;
};

std::optional<TaggedLine> split_tag(std::string_view line) {
  if (starts_with(line, kErrorTag)) return TaggedLine{true, line.substr(kErrorTag.size())};
  if (starts_with(line, kWarningTag)) return TaggedLine{false, line.substr(kWarningTag.size())};
  return std::nullopt;
}

// "[EC :code ] short - long" gives the code.
std::optional<int> parse_record_code(std::string_view rest) {
  if (!starts_with(rest, layout::kRecordCodeOpen)) return std::nullopt;
  rest.remove_prefix(layout::kRecordCodeOpen.size());
  const std::size_t close = rest.find(layout::kRecordCodeClose);
  if (close == std::string_view::npos) return std::nullopt;
  return parse_decimal_int(rest.substr(0, close));
}

// "[file, function:line]": the last ":" ends the function and the last ", " before it ends the
// file, since paths may hold either.
std::optional<RaiseSite> parse_location(std::string_view rest) {
  const std::size_t open = layout::kLocationOpen.size();
  if (rest.size() < open + kLocationEnd.size() || !starts_with(rest, layout::kLocationOpen) ||
      !ends_with(rest, kLocationEnd)) {
    return std::nullopt;
  }
  rest = rest.substr(open, rest.size() - open - kLocationEnd.size());
  const std::size_t colon = rest.rfind(layout::kLocationLine);
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<int> line =
      parse_decimal_int(rest.substr(colon + layout::kLocationLine.size()));
  const std::size_t comma = rest.rfind(layout::kLocationFunction, colon);
  if (!line || comma == std::string_view::npos) return std::nullopt;
  const std::size_t function = comma + layout::kLocationFunction.size();
  return RaiseSite{std::string(rest.substr(0, comma)),
                   std::string(rest.substr(function, colon - function)), *line};
}

// Counts of each level and code; errors sort before warnings, each by code.
using CodeCounts = std::map<std::pair<bool, int>, CodeCount>;

void count_record(CodeCounts& counts, bool is_error, int code, const RaiseSite& site) {
  const auto [entry, added] = counts.try_emplace({!is_error, code});
  if (added) entry->second = CodeCount{is_error, code, 0, site, site};
  ++entry->second.count;
  entry->second.last = site;
}

}  // namespace

TraceSummary summarise_trace(std::istream& trace) {
  TraceSummary summary;
  CodeCounts counts;
  std::optional<std::pair<bool, RaiseSite>> pending;  // a location line awaiting its message
  for (std::string line; std::getline(trace, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // a trace written on Windows
    const std::optional<TaggedLine> tagged = split_tag(line);
    const std::optional<int> code = tagged ? parse_record_code(tagged->rest) : std::nullopt;
    // A message line completes only the location line just before it, and of its own level.
    if (code && pending && pending->first == tagged->is_error) {
      ++(tagged->is_error ? summary.errors : summary.warnings);
      count_record(counts, tagged->is_error, *code, pending->second);
      pending.reset();
      continue;
    }
    if (pending) ++summary.damaged_lines;  // its message line never came
    pending.reset();
    std::optional<RaiseSite> site = tagged && !code ? parse_location(tagged->rest) : std::nullopt;
    if (site) {
      pending.emplace(tagged->is_error, std::move(*site));
    } else {
      ++(tagged ? summary.damaged_lines : summary.other_lines);
    }
  }
  if (pending) ++summary.damaged_lines;
  for (auto& entry : counts) summary.codes.push_back(std::move(entry.second));
  std::stable_sort(summary.codes.begin(), summary.codes.end(),
                   [](const CodeCount& a, const CodeCount& b) { return a.count > b.count; });
  return summary;
}

}  // namespace tervox::tools
