// tervox-errors: describes error codes, lists the catalogue and summarises the errors and warnings
// recorded in the trace files of a processing campaign, for the operators who read the traces.

#include <getopt.h>
#include <tervox/TervoxError.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DecimalInt.h"
#include "ExitStatus.h"
#include "Explain.h"
#include "LineOutput.h"
#include "Table.h"
#include "error/ErrorCatalogue.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

using tervox::tools::complain;
using tervox::tools::ExitStatus;
using tervox::tools::FailOn;
using tervox::tools::kFine;
using tervox::tools::kOutputNotWritten;
using tervox::tools::kUnknownCode;
using tervox::tools::kUsageError;
using tervox::tools::LineOutput;
using tervox::tools::Table;
using tervox::tools::TraceList;

constexpr char kUsage[] =
    "Usage: tervox-errors describe [--warning | --bare] [--format FORMAT] [--] CODE...\n"
    "       tervox-errors list [--grep WORDS] [--format FORMAT]\n"
    "       tervox-errors explain [--format FORMAT|jsonl] [--fail-on LEVEL]\n"
    "                             [--files-from LIST | --files0-from LIST] [--] [FILE|-]...\n"
    "       tervox-errors -h | --help | --version\n"
    "\n"
    "describe prints each CODE's short and long description as tervox_log renders errors,\n"
    "--warning as it renders warnings, --bare as catalogue text. list prints the whole\n"
    "catalogue; --grep keeps the rows whose texts hold every one of WORDS, ignoring case.\n"
    "explain reads trace files written by tervox_log (- for standard input), and those named\n"
    "in LIST (one a line; with --files0-from, each ended by a NUL byte; - for standard input),\n"
    "and summarises the errors and warnings recorded in them; --format jsonl prints each\n"
    "record as a JSON object instead, then each trace's counts. --fail-on error or\n"
    "--fail-on warning makes a record of that level or worse exit with status 3.\n"
    "FORMAT is text (the default), tsv, json or markdown, in every mode; the last given counts.\n"
    "-- ends the options. The mode may be left out before CODE..., and --list or --grep stand\n"
    "for list.\n"
    "\n"
    "Exit status: 0 fine, 1 a code the catalogue does not know, 2 a usage error or an\n"
    "unreadable file, 3 a record at the level of --fail-on or worse, 4 standard output\n"
    "could not be written.\n";

// Each option is known by a letter; -h is the one short form.
constexpr option kOptions[] = {{"warning", no_argument, nullptr, 'w'},
                               {"bare", no_argument, nullptr, 'b'},
                               {"list", no_argument, nullptr, 'l'},
                               {"grep", required_argument, nullptr, 'g'},
                               {"format", required_argument, nullptr, 'f'},
                               {"fail-on", required_argument, nullptr, 'F'},
                               {"files-from", required_argument, nullptr, 'T'},
                               {"files0-from", required_argument, nullptr, 'Z'},
                               {"help", no_argument, nullptr, 'h'},
                               {"version", no_argument, nullptr, 'v'},
                               {nullptr, 0, nullptr, 0}};

enum Mode { kDescribe, kList, kExplain, kHelp, kVersion };

// The words that name a mode, given as the first operand.
constexpr std::pair<std::string_view, Mode> kModeWords[] = {
    {"describe", kDescribe}, {"list", kList}, {"explain", kExplain}};

// What each mode reads, indexed by Mode: the letters of its options and how many operands, the
// mode's word not counted. Anything more given is a usage error rather than ignored.
constexpr struct {
  const char* name;
  std::string_view letters;
  std::size_t min_operands, max_operands;
} kModeUses[] = {{"error codes", "wbf", 1, SIZE_MAX},
                 {"list", "lgf", 0, 0},
                 {"explain", "fFTZ", 0, SIZE_MAX},
                 {"--help", "h", 0, 0},
                 {"--version", "v", 0, 0}};

// How describe renders a code: as errors, as warnings, or the catalogue's text alone.
enum class Form { kError, kWarning, kBare };

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  Mode mode = kDescribe;
  std::string letters;  // of the options given
  Form form = Form::kError;
  std::vector<std::string> grep_words;
  Table::Format format = Table::Format::kText;
  bool json_lines = false;  // --format jsonl, which only explain prints
  FailOn fail_on = FailOn::kNever;
  std::optional<TraceList> list;           // --files-from or --files0-from
  std::vector<std::string_view> operands;  // the FILEs or the error codes, in argv
  std::vector<int> codes;
};

std::string lower_case(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// "--warning" for 'w', and so on.
std::string option_name(char letter) {
  const option* known = kOptions;
  while (known->val != letter) ++known;
  return std::string("--") + known->name;
}

bool given(const Options& options, char letter) {
  return options.letters.find(letter) != std::string::npos;
}

// Takes the mode's word from the operands. --help and --version win over any mode; without a
// word, --list or --grep mean list.
Mode take_mode(Options& options) {
  std::optional<Mode> named;
  for (const auto& [word, mode] : kModeWords) {
    if (!options.operands.empty() && options.operands[0] == word) named = mode;
  }
  if (named) options.operands.erase(options.operands.begin());
  if (given(options, 'h')) return kHelp;
  if (given(options, 'v')) return kVersion;
  if (named) return *named;
  return given(options, 'l') || given(options, 'g') ? kList : kDescribe;
}

// Throws a UsageError unless the options and operands given are those the mode reads.
void check_fits_mode(const Options& options) {
  const auto& use = kModeUses[options.mode];
  for (char letter : options.letters) {
    if (use.letters.find(letter) == std::string_view::npos) {
      throw UsageError(option_name(letter) + " does not go with " + use.name);
    }
  }
  if (given(options, 'w') && given(options, 'b')) {
    throw UsageError("--warning does not go with --bare");
  }
  if (std::count_if(options.letters.begin(), options.letters.end(),
                    [](char letter) { return letter == 'T' || letter == 'Z'; }) > 1) {
    throw UsageError("one list of traces only: --files-from or --files0-from, once");
  }
  if (options.json_lines && options.mode != kExplain) {
    throw UsageError("--format jsonl goes with explain only");
  }
  if (options.mode == kExplain &&
      std::count(options.operands.begin(), options.operands.end(), "-") +
              (options.list && options.list->path == "-") >
          1) {
    throw UsageError("standard input (-) can be read once only");
  }
  if (options.mode == kExplain && options.operands.empty() && !options.list) {
    throw UsageError("explain needs a FILE or a list of them");
  }
  if (options.operands.size() < use.min_operands) throw UsageError("no error code given");
  if (options.operands.size() > use.max_operands) {
    throw UsageError("'" + std::string(options.operands[use.max_operands]) + "' does not go with " +
                     use.name);
  }
}

FailOn parse_fail_on(std::string_view level) {
  if (level == "error") return FailOn::kError;
  if (level == "warning") return FailOn::kWarning;
  throw UsageError("--fail-on takes error or warning, not '" + std::string(level) + "'");
}

// getopt_long reports a malformed option itself (unknown, or missing its value), so the usage
// error thrown then has no message.
Options read_command_line(int argc, char** argv) {
  Options options;
  for (int letter; (letter = getopt_long(argc, argv, "h", kOptions, nullptr)) != -1;) {
    if (letter == '?') throw UsageError("");
    options.letters += static_cast<char>(letter);
    if (letter == 'w') options.form = Form::kWarning;
    if (letter == 'b') options.form = Form::kBare;
    if (letter == 'g') {
      std::istringstream words(lower_case(optarg));
      for (std::string word; words >> word;) options.grep_words.push_back(word);
    }
    if (letter == 'f') {
      const std::optional<Table::Format> format = Table::parse_format(optarg);
      options.json_lines = std::string_view(optarg) == "jsonl";
      if (!format && !options.json_lines) {
        throw UsageError(std::string("unknown format '") + optarg + "'");
      }
      options.format = format.value_or(Table::Format::kText);
    }
    if (letter == 'F') options.fail_on = parse_fail_on(optarg);
    if (letter == 'T') options.list = TraceList{optarg, '\n'};
    if (letter == 'Z') options.list = TraceList{optarg, '\0'};
  }
  options.operands.assign(argv + optind, argv + argc);
  options.mode = take_mode(options);
  check_fits_mode(options);
  for (std::size_t i = 0; options.mode == kDescribe && i < options.operands.size(); ++i) {
    const std::optional<int> code = tervox::tools::parse_decimal_int(options.operands[i]);
    if (!code) throw UsageError("'" + std::string(options.operands[i]) + "' is not an error code");
    options.codes.push_back(*code);
  }
  return options;
}

Table catalogue_table() {
  return Table({{"code", true}, {"short description", false}, {"long description", false}});
}

// A rendered description without the caller's text: the error and warning forms end in a line
// feed before it (it is empty in this fresh registry).
std::string without_caller_text(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// The short and long descriptions of a catalogued code in `form`.
std::pair<std::string, std::string> describe(const tervox::detail::CatalogueRow& row, Form form) {
  if (form == Form::kBare) return {std::string(row.short_text), std::string(row.long_text)};
  const ERROR_LVL level = form == Form::kError ? LVL_ERROR : LVL_WARNING;
  TervoxError& registry = TervoxError::getInstance();
  return {without_caller_text(registry.getShortDescription(level, row.code)),
          without_caller_text(registry.getLongDescription(level, row.code))};
}

ExitStatus describe_codes(const Options& options, LineOutput& out) {
  Table table = catalogue_table();
  // As text, the descriptions read as hosts show them: two lines each, no table.
  const bool as_lines = options.format == Table::Format::kText;
  ExitStatus status = kFine;
  for (int code : options.codes) {
    const tervox::detail::CatalogueRow* row = tervox::detail::ErrorCatalogue::find(code);
    if (row == nullptr) {
      complain(std::to_string(code) + " is not in the catalogue");
      status = kUnknownCode;
      continue;
    }
    const auto [short_text, long_text] = describe(*row, options.form);
    if (as_lines) {
      out.write(short_text);
      out.write("\n");
      out.write(long_text);
      out.write("\n");
    } else {
      table.add_row({std::to_string(code), short_text, long_text});
    }
  }
  if (!as_lines) table.print(out, options.format);
  return status;
}

bool matches(const tervox::detail::CatalogueRow& row, const std::vector<std::string>& words) {
  const std::string text = lower_case(std::to_string(row.code) + " " + std::string(row.short_text) +
                                      " " + std::string(row.long_text));
  return std::all_of(words.begin(), words.end(),
                     [&](const std::string& word) { return text.find(word) != std::string::npos; });
}

ExitStatus list_catalogue(const Options& options, LineOutput& out) {
  Table table = catalogue_table();
  using tervox::detail::ErrorCatalogue;
  for (const auto* row = ErrorCatalogue::begin(); row != ErrorCatalogue::end(); ++row) {
    if (matches(*row, options.grep_words)) {
      table.add_row(
          {std::to_string(row->code), std::string(row->short_text), std::string(row->long_text)});
    }
  }
  table.print(out, options.format);
  return kFine;
}

ExitStatus run(const Options& options, LineOutput& out) {
  switch (options.mode) {
    case kHelp: out.write(kUsage); return kFine;
    case kVersion: out.write("tervox-errors " TERVOX_LOG_VERSION "\n"); return kFine;
    case kList: return list_catalogue(options, out);
    case kExplain: {
      std::optional<Table::Format> table_format;
      if (!options.json_lines) table_format = options.format;
      return tervox::tools::explain_traces(
          {options.operands, options.list, table_format, options.fail_on}, out);
    }
    case kDescribe: return describe_codes(options, out);
  }
  return kFine;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // The same bytes on every platform: no CR added before each line feed, none taken away.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  Options options;
  try {
    options = read_command_line(argc, argv);
  } catch (const UsageError& error) {
    if (*error.what() != '\0') complain(error.what());
    (void)std::fputs("Try 'tervox-errors --help' for more information.\n", stderr);
    return kUsageError;
  }
  LineOutput out;
  const ExitStatus status = run(options, out);
  if (const int error = out.finish(); error != 0) {
    complain(std::string("write error: ") + std::strerror(error));
    return kOutputNotWritten;
  }
  return status;
}
