#include "TraceSummary.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

namespace tervox::tools {
namespace {

constexpr std::string_view kErrorTag = "[UNDEF][!] ";
constexpr std::string_view kWarningTag = "[UNDEF][?] ";
constexpr std::string_view kCodeOpen = "[EC :";
constexpr std::string_view kCodeClose = " ] ";

bool starts_with(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

std::optional<int> parse_int(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
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
  if (!starts_with(rest, kCodeOpen)) return std::nullopt;
  rest.remove_prefix(kCodeOpen.size());
  const std::size_t close = rest.find(kCodeClose);
  if (close == std::string_view::npos) return std::nullopt;
  return parse_int(rest.substr(0, close));
}

// "[file, function:line]": the last ":" ends the function and the last ", " before it ends the
// file, since paths may hold either.
std::optional<RaiseSite> parse_location(std::string_view rest) {
  if (rest.size() < 2 || rest.front() != '[' || rest.back() != ']') return std::nullopt;
  rest = rest.substr(1, rest.size() - 2);
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<int> line = parse_int(rest.substr(colon + 1));
  const std::size_t comma = rest.rfind(", ", colon);
  if (!line || comma == std::string_view::npos) return std::nullopt;
  return RaiseSite{std::string(rest.substr(0, comma)),
                   std::string(rest.substr(comma + 2, colon - comma - 2)), *line};
}

class Summariser {
 public:
  void read(std::string_view line) {
    const std::optional<TaggedLine> tagged = split_tag(line);
    if (!tagged) {
      drop_pending();
      ++summary_.other_lines;
      return;
    }
    if (const std::optional<int> code = parse_record_code(tagged->rest)) {
      if (pending_ && pending_->first == tagged->is_error) {
        count(tagged->is_error, *code, pending_->second);
        pending_.reset();
      } else {
        drop_pending();
        ++summary_.damaged_lines;
      }
      return;
    }
    drop_pending();
    if (std::optional<RaiseSite> site = parse_location(tagged->rest)) {
      pending_.emplace(tagged->is_error, std::move(*site));
    } else {
      ++summary_.damaged_lines;
    }
  }

  TraceSummary finish() {
    drop_pending();
    for (auto& entry : by_code_) summary_.codes.push_back(std::move(entry.second));
    std::stable_sort(summary_.codes.begin(), summary_.codes.end(),
                     [](const CodeCount& a, const CodeCount& b) { return a.count > b.count; });
    return std::move(summary_);
  }

 private:
  void drop_pending() {
    if (pending_) ++summary_.damaged_lines;
    pending_.reset();
  }

  void count(bool is_error, int code, const RaiseSite& site) {
    ++(is_error ? summary_.errors : summary_.warnings);
    // Errors sort before warnings, each by code.
    auto [entry, added] = by_code_.try_emplace({!is_error, code});
    CodeCount& counted = entry->second;
    if (added) {
      counted.is_error = is_error;
      counted.code = code;
      counted.first = site;
    }
    ++counted.count;
    counted.last = site;
  }

  TraceSummary summary_;
  std::optional<std::pair<bool, RaiseSite>> pending_;  // a location line awaiting its message
  std::map<std::pair<bool, int>, CodeCount> by_code_;
};

}  // namespace

TraceSummary summarise_trace(std::istream& trace) {
  Summariser summariser;
  std::string line;
  while (std::getline(trace, line)) summariser.read(line);
  return summariser.finish();
}

}  // namespace tervox::tools
