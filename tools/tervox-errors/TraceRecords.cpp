#include "TraceRecords.h"

#include <optional>
#include <string>

#include "DecimalInt.h"
#include "log/TraceLayout.h"

namespace tervox::tools {
namespace {

// The words of a record's two lines (log/TraceLayout.h shows them).
constexpr const tervox::detail::RecordWords& kWords = tervox::detail::kRecordWords;

// The words compared are a few bytes long and most comparisons stop at the first byte, sooner
// than a call to memcmp would return: this loop is what keeps records cheap to read.
bool starts_with(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    if (text[i] != start[i]) return false;
  }
  return true;
}

bool ends_with(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && starts_with(text.substr(text.size() - end.size()), end);
}

// A trace line of a recorded error or warning: its level and what follows the tag.
struct TaggedLine {
  bool is_error;
  std::string_view rest;
};

// Most lines are of other categories, and differ from the tag at its first bytes.
std::optional<TaggedLine> split_tag(std::string_view line) {
  if (!starts_with(line, kWords.tag)) return std::nullopt;
  line.remove_prefix(kWords.tag.size());
  if (starts_with(line, kWords.error_prefix)) {
    return TaggedLine{true, line.substr(kWords.error_prefix.size())};
  }
  if (starts_with(line, kWords.warning_prefix)) {
    return TaggedLine{false, line.substr(kWords.warning_prefix.size())};
  }
  return std::nullopt;
}

// The first `needle` in `text`, or npos; and the last that starts at or before `end`. The
// standard library's find and rfind call memcmp at each candidate (rfind at every position).
std::size_t find_first(std::string_view text, std::string_view needle) {
  std::size_t at = text.find(needle[0]);
  while (at != std::string_view::npos && !starts_with(text.substr(at), needle)) {
    at = text.find(needle[0], at + 1);
  }
  return at;
}

std::size_t find_last(std::string_view text, std::string_view needle, std::size_t end) {
  std::size_t at = text.rfind(needle[0], end);
  while (at != std::string_view::npos && !starts_with(text.substr(at), needle)) {
    at = at == 0 ? std::string_view::npos : text.rfind(needle[0], at - 1);
  }
  return at;
}

// "[EC :code ] short - long" gives the code and the caller's texts.
bool parse_message(std::string_view rest, TraceRecord& record) {
  if (!starts_with(rest, kWords.code_open)) return false;
  rest.remove_prefix(kWords.code_open.size());
  const std::size_t close = find_first(rest, kWords.code_close);
  if (close == std::string_view::npos) return false;
  const std::optional<int> code = parse_decimal_int(rest.substr(0, close));
  if (!code) return false;
  record.code = *code;
  const std::string_view texts = rest.substr(close + kWords.code_close.size());
  const std::size_t separator = find_first(texts, kWords.text_separator);
  record.short_text = texts.substr(0, separator);
  record.long_text = separator == std::string_view::npos
                         ? std::string_view()
                         : texts.substr(separator + kWords.text_separator.size());
  return true;
}

// "[file, function:line]": the last ":" ends the function and the last ", " before it ends the
// file, since paths may hold either.
bool parse_location(std::string_view rest, TraceRecord& record) {
  const std::size_t open = kWords.location_open.size();
  if (rest.size() < open + kWords.location_close.size() ||
      !starts_with(rest, kWords.location_open) || !ends_with(rest, kWords.location_close)) {
    return false;
  }
  rest = rest.substr(open, rest.size() - open - kWords.location_close.size());
  const std::size_t colon = find_last(rest, kWords.location_line, std::string_view::npos);
  if (colon == std::string_view::npos) return false;
  const std::optional<int> line =
      parse_decimal_int(rest.substr(colon + kWords.location_line.size()));
  const std::size_t comma = find_last(rest, kWords.location_function, colon);
  if (!line || comma == std::string_view::npos) return false;
  const std::size_t function = comma + kWords.location_function.size();
  record.file = rest.substr(0, comma);
  record.function = rest.substr(function, colon - function);
  record.line = *line;
  return true;
}

}  // namespace

// Both lines of a record start with the category's tag: the reader skips the others in bulk.
TraceRecordReader::TraceRecordReader() : lines_(kWords.tag) {}

TraceReading TraceRecordReader::read(std::FILE* trace,
                                     const std::function<void(const TraceRecord&)>& on_record) {
  lines_.start(trace);
  TraceCounts counts;
  TraceRecord record;
  bool pending = false;  // a location line awaits its message line
  std::int64_t number = 0;
  for (TraceLineReader::Line line;;) {
    // After a location line, the very next line decides.
    if (!pending) {
      const std::int64_t skipped = lines_.skip_unwanted_lines();
      counts.other_lines += skipped;
      number += skipped;
    }
    if (!lines_.next(line)) break;
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
      location_.assign(tagged->rest);
      pending = parse_location(location_, record);
      record.is_error = tagged->is_error;
      record.trace_line = number;
    }
    if (!pending) ++(tagged || line.overlong ? counts.damaged_lines : counts.other_lines);
  }
  if (pending) ++counts.damaged_lines;
  return TraceReading{counts, lines_.read_error()};
}

}  // namespace tervox::tools
