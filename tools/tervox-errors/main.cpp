// tervox-errors: describes error codes, lists the catalogue and summarises the errors and warnings
// recorded in a trace file, for the operators who read the traces.

#include <tervox/TervoxError.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ErrorCatalogue.h"
#include "Table.h"
#include "TraceSummary.h"

namespace {

using tervox::tools::Table;

enum ExitStatus { kFine = 0, kUnknownCode = 1, kUsageError = 2 };

constexpr std::string_view kUsage =
    "Usage: tervox-errors [--warning | --bare] CODE...\n"
    "       tervox-errors --list [--grep WORDS] [--format FORMAT]\n"
    "       tervox-errors explain FILE|- [--format FORMAT]\n"
    "       tervox-errors --help | --version\n"
    "\n"
    "Describes error codes as tervox_log renders them: CODE... prints each code's short and long\n"
    "description in the error form, --warning in the warning form, --bare as catalogue text.\n"
    "--list prints the whole catalogue; --grep keeps the rows whose texts hold every one of\n"
    "WORDS, ignoring case. explain reads a trace file written by tervox_log (- for standard\n"
    "input) and summarises the errors and warnings recorded in it.\n"
    "FORMAT is text (the default), tsv, json or markdown.\n"
    "\n"
    "Exit status: 0 fine, 1 a code the catalogue does not know, 2 a usage error or an\n"
    "unreadable file.\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  enum class Mode { kDescribe, kList, kExplain, kHelp, kVersion } mode = Mode::kDescribe;
  ERROR_LVL level = LVL_ERROR;
  std::vector<int> codes;
  std::vector<std::string> grep_words;
  Table::Format format = Table::Format::kText;
  std::string trace_path;
};

std::optional<int> parse_code(std::string_view text) {
  int code = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return code;
}

std::string lower_case(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::vector<std::string> split_words(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(lower_case(word));
  return words;
}

Options parse_options(int argc, char** argv) {
  Options options;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  auto value_after = [&](std::size_t& i) {
    if (i + 1 >= args.size()) throw UsageError(std::string(args[i]) + " needs a value");
    return args[++i];
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.mode = Options::Mode::kHelp;
      return options;
    } else if (arg == "--version") {
      options.mode = Options::Mode::kVersion;
      return options;
    } else if (arg == "--warning") {
      options.level = LVL_WARNING;
    } else if (arg == "--bare") {
      options.level = static_cast<ERROR_LVL>(2);  // a level that selects no record: bare text
    } else if (arg == "--list") {
      options.mode = Options::Mode::kList;
    } else if (arg == "--grep") {
      options.mode = Options::Mode::kList;
      for (std::string& word : split_words(value_after(i))) options.grep_words.push_back(word);
    } else if (arg == "--format") {
      const std::string_view name = value_after(i);
      const std::optional<Table::Format> format = Table::parse_format(name);
      if (!format) throw UsageError("unknown format '" + std::string(name) + "'");
      options.format = *format;
    } else if (arg == "explain" && options.mode == Options::Mode::kDescribe && options.codes.empty()) {
      options.mode = Options::Mode::kExplain;
      options.trace_path = value_after(i);
    } else if (const std::optional<int> code = parse_code(arg)) {
      options.codes.push_back(*code);
    } else {
      throw UsageError("'" + std::string(arg) + "' is neither an option nor an error code");
    }
  }
  if (options.mode == Options::Mode::kDescribe && options.codes.empty()) {
    throw UsageError("no error code given");
  }
  if (options.mode != Options::Mode::kDescribe && !options.codes.empty()) {
    throw UsageError("error codes go without --list, --grep and explain");
  }
  return options;
}

ExitStatus describe_codes(const Options& options) {
  TervoxError& registry = TervoxError::getInstance();
  ExitStatus status = kFine;
  for (int code : options.codes) {
    try {
      const std::string short_text = registry.getShortDescription(options.level, code);
      const std::string long_text = registry.getLongDescription(options.level, code);
      // The framed forms end in a line feed before the (empty) caller text; the bare one does not.
      const char* line_end = options.level == LVL_ERROR || options.level == LVL_WARNING ? "" : "\n";
      std::cout << short_text << line_end << long_text << line_end;
    } catch (const std::out_of_range&) {
      std::cerr << "tervox-errors: " << code << " is not in the catalogue\n";
      status = kUnknownCode;
    }
  }
  return status;
}

bool matches(const tervox::detail::CatalogueRow& row, const std::vector<std::string>& words) {
  const std::string text = lower_case(std::to_string(row.code) + " " + std::string(row.short_text) +
                                      " " + std::string(row.long_text));
  return std::all_of(words.begin(), words.end(), [&](const std::string& word) {
    return text.find(word) != std::string::npos;
  });
}

ExitStatus list_catalogue(const Options& options) {
  Table table({{"code", true}, {"short description", false}, {"long description", false}});
  using tervox::detail::ErrorCatalogue;
  for (const auto* row = ErrorCatalogue::begin(); row != ErrorCatalogue::end(); ++row) {
    if (matches(*row, options.grep_words)) {
      table.add_row({std::to_string(row->code), std::string(row->short_text),
                     std::string(row->long_text)});
    }
  }
  table.print(std::cout, options.format);
  return kFine;
}

std::string site_text(const tervox::tools::RaiseSite& site) {
  return site.file + ", " + site.function + ":" + std::to_string(site.line);
}

void print_summary(const tervox::tools::TraceSummary& summary, Table::Format format) {
  // The counts head the human formats; the machine formats hold the table alone.
  if (format == Table::Format::kText || format == Table::Format::kMarkdown) {
    std::cout << "errors: " << summary.errors << ", warnings: " << summary.warnings
              << "; skipped: " << summary.other_lines << " other lines, " << summary.damaged_lines
              << " damaged lines\n\n";
  }
  Table table({{"level", false}, {"code", true}, {"count", true}, {"description", false},
               {"first raised", false}, {"last raised", false}});
  for (const tervox::tools::CodeCount& counted : summary.codes) {
    const tervox::detail::CatalogueRow* row = tervox::detail::ErrorCatalogue::find(counted.code);
    table.add_row({counted.is_error ? "error" : "warning", std::to_string(counted.code),
                   std::to_string(counted.count),
                   row ? std::string(row->short_text) : "(not in the catalogue)",
                   site_text(counted.first), site_text(counted.last)});
  }
  table.print(std::cout, format);
}

ExitStatus explain_trace(const Options& options) {
  if (options.trace_path == "-") {
    print_summary(tervox::tools::summarise_trace(std::cin), options.format);
    return kFine;
  }
  std::ifstream trace(options.trace_path, std::ios::binary);
  if (!trace) {
    std::cerr << "tervox-errors: cannot read " << options.trace_path << "\n";
    return kUsageError;
  }
  print_summary(tervox::tools::summarise_trace(trace), options.format);
  return kFine;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    options = parse_options(argc, argv);
  } catch (const UsageError& error) {
    std::cerr << "tervox-errors: " << error.what() << " (see tervox-errors --help)\n";
    return kUsageError;
  }
  switch (options.mode) {
    case Options::Mode::kHelp: std::cout << kUsage; return kFine;
    case Options::Mode::kVersion: std::cout << "tervox-errors " TERVOX_LOG_VERSION "\n"; return kFine;
    case Options::Mode::kList: return list_catalogue(options);
    case Options::Mode::kExplain: return explain_trace(options);
    case Options::Mode::kDescribe: return describe_codes(options);
  }
  return kFine;
}
