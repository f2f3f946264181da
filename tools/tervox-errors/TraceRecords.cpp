#include "TraceRecords.h"

#include <optional>
#include <string>

#include "DecimalInt.h"
#include "TraceLayout.h"
#include "TraceLineReader.h"

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

// "[EC :code ] short - long" gives the code and the caller's texts.
bool parse_message(std::string_view rest, TraceRecord& record) {
  if (!starts_with(rest, layout::kRecordCodeOpen)) return false;
  rest.remove_prefix(layout::kRecordCodeOpen.size());
  const std::size_t close = rest.find(layout::kRecordCodeClose);
  if (close == std::string_view::npos) return false;
  const std::optional<int> code = parse_decimal_int(rest.substr(0, close));
  if (!code) return false;
  record.code = *code;
  const std::string_view texts = rest.substr(close + layout::kRecordCodeClose.size());
  const std::size_t separator = texts.find(layout::kRecordTextSeparator);
  record.short_text = texts.substr(0, separator);
  record.long_text = separator == std::string_view::npos
                         ? std::string_view()
                         : texts.substr(separator + layout::kRecordTextSeparator.size());
  return true;
}

// "[file, function:line]": the last ":" ends the function and the last ", " before it ends the
// file, since paths may hold either.
bool parse_location(std::string_view rest, TraceRecord& record) {
  const std::size_t open = layout::kLocationOpen.size();
  if (rest.size() < open + kLocationEnd.size() || !starts_with(rest, layout::kLocationOpen) ||
      !ends_with(rest, kLocationEnd)) {
    return false;
  }
  rest = rest.substr(open, rest.size() - open - kLocationEnd.size());
  const std::size_t colon = rest.rfind(layout::kLocationLine);
  if (colon == std::string_view::npos) return false;
  const std::optional<int> line =
      parse_decimal_int(rest.substr(colon + layout::kLocationLine.size()));
  const std::size_t comma = rest.rfind(layout::kLocationFunction, colon);
  if (!line || comma == std::string_view::npos) return false;
  const std::size_t function = comma + layout::kLocationFunction.size();
  record.file = rest.substr(0, comma);
  record.function = rest.substr(function, colon - function);
  record.line = *line;
  return true;
}

}  // namespace

TraceCounts read_trace_records(std::FILE* trace,
                               const std::function<void(const TraceRecord&)>& on_record) {
  TraceCounts counts;
  TraceLineReader reader(trace);
  // A location line awaiting its message line. The reader's buffer moves on, so it is a copy.
  std::string location;
  TraceRecord record;
  bool pending = false;
  std::int64_t number = 0;
  for (TraceLineReader::Line line; reader.next(line);) {
    ++number;
    const std::optional<TaggedLine> tagged = split_tag(line.text);
    const bool whole = tagged && !line.overlong;  // the library writes no overlong line
    const bool is_message = whole && parse_message(tagged->rest, record);
    // A message line completes only the location line just before it, and of its own level.
    if (is_message && pending && record.is_error == tagged->is_error) {
      ++(record.is_error ? counts.errors : counts.warnings);
      on_record(record);
      pending = false;
      continue;
    }
    if (pending) ++counts.damaged_lines;  // its message line never came
    pending = false;
    if (whole && !is_message) {
      location.assign(tagged->rest);
      pending = parse_location(location, record);
      record.is_error = tagged->is_error;
      record.trace_line = number;
    }
    if (!pending) ++(tagged ? counts.damaged_lines : counts.other_lines);
  }
  if (pending) ++counts.damaged_lines;
  return counts;
}

}  // namespace tervox::tools
