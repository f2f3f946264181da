// The tervox-errors tool, run as operators run it: its outputs and exit statuses.

#include <gtest/gtest.h>
#include <tervox/Version.h>  // --version prints the headers' version

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The arguments, the exit status, standard output, and a part of standard error (getopt words
// its own complaints).
using Row = std::tuple<std::string, int, std::string, std::string>;

std::string read_file(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// ctest runs tests side by side, each in a process of its own, and builds share the temporary
// folder: each process works in a folder of its own, where the traces have short names.
class TervoxErrors : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_);
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder_);
  }

  static void write(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }

  static void check(const std::vector<Row>& rows) {
    for (const auto& [arguments, expected_status, out, err_part] : rows) {
      // The row's own redirections come last and win, in sh and in cmd alike.
      int status = std::system((TERVOX_ERRORS_PATH " > out 2> err " + arguments).c_str());
#ifdef WEXITSTATUS  // POSIX: a wait status; Windows: the exit status itself
      status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
      const std::string err = read_file("err");
      EXPECT_EQ(status, expected_status) << arguments;
      EXPECT_EQ(read_file("out"), out) << arguments;
      EXPECT_TRUE(err_part.empty() ? err.empty() : err.find(err_part) != std::string::npos)
          << arguments << ": " << err;
    }
  }

 private:
  const fs::path folder_ =
      fs::path(testing::TempDir()) / ("tervox_errors_" + std::to_string(std::random_device()()));
};

TEST_F(TervoxErrors, DescribesAndListsCodes) {
  std::vector<Row> rows = {
      {"306", 0, "[EC : 306] File not found\n[EC : 306] A required file was not found\n", ""},
      {"describe --bare 0", 0, "No error\nThe program terminated without errors\n", ""},
      {"--format=json --warning 0 99", 1,
       "[\n {\"code\": 0, \"short_description\": \"Warning: No error\", \"long_description\": "
       "\"Warning: The program terminated without errors\"}\n]\n",
       "tervox-errors: 99 is not in the catalogue\n"},
      {"-- -5", 1, "", "tervox-errors: -5 is not in the catalogue\n"},
      {"list --grep \"qat ERROR\" --format tsv", 0,
       "code\tshort description\tlong description\n"
       "1900\tQAT error\tThere was an error in the QAT\n",
       ""},
      {"--version", 0, "tervox-errors " TERVOX_LOG_VERSION "\n", ""},
      {"", 2, "", "tervox-errors: no error code given\nTry 'tervox-errors --help' for more"},
      {"--x", 2, "", "\nTry 'tervox-errors --help' for more information.\n"},
      {"--list --format xml", 2, "", "tervox-errors: unknown format 'xml'\n"},
      {"--list --format jsonl", 2, "", "tervox-errors: --format jsonl goes with explain only\n"},
      {"--fail-on error 306", 2, "", "tervox-errors: --fail-on does not go with error codes\n"},
      {"--list 306", 2, "", "tervox-errors: '306' does not go with list\n"},
  };
  for (std::string code : {"300x", " 300", "+300", "", "0x12c", "2147483648"})
    rows.push_back(
        {'"' + code + '"', 2, "", "tervox-errors: '" + code + "' is not an error code\n"});
  check(rows);
}

TEST_F(TervoxErrors, ExplainsTheTracesOfACampaign) {
  // A processing run's trace as the registry writes it, with damage: a warning's location line
  // followed by an error's message line, another trace's look-alike lines, a record cut short, a
  // byte that is not UTF-8 (a column wide once replaced); and the same on Windows, cut after a
  // location line.
  const std::string records =
      "[IMPORT][!] [im.cpp, open:5]\n"
      "[UNDEF][?] [co.cpp, match:10]\n[UNDEF][?] [EC :1900 ] 14 of 40 - burst 3\n"
      "[UNDEF][?] [co.cpp, match:12]\n[UNDEF][!] [EC :306 ] a.par - missing\n"
      "[UNDEF][!] [im.cpp, open:20]\n[UNDEF][!] [EC :306 ] a.par - missing\n"
      "[UNDEF][!] [C:\\x, \xff.cpp, f:1]\n[UNDEF][!] [EC :99 ] not catalogued - \n"
      "[UNDEF][!] [im.cpp, open:30]\n";
  write("lf", records + "[UNDEF][!] [E");
  std::string crlf;
  for (char c : records) crlf += c == '\n' ? "\r\n" : std::string(1, c);
  write("crlf", crlf);
  // Quotes, a backslash, a bar, control characters and bytes that are not UTF-8.
  write("odd",
        "[UNDEF][!] [q\"b\\|\x1b\xff.cpp, f\tn:7]\n[UNDEF][!] [EC :306 ] \xc3(\xed\xa0\x80 - \"\n");
  // A 24,999-byte message, as long as the library writes them.
  const std::string long_text(24999 - 16, 'x');
  write("long", "[UNDEF][?] [l.cpp, g:3]\n[UNDEF][?] [EC :1900 ] s - " + long_text + "\n");
  write("empty", "");
  write("names0", std::string("odd\0long", 8));
  write("names", "\nodd\n");
  check({
      {"explain lf crlf", 0,
       "traces: 2, errors: 4, warnings: 2; skipped: 2 other lines, 7 damaged lines\n\n"
       "level    code  count  traces  description             first raised            last raised\n"
       "error      99      2       2  (not in the catalogue)  lf:8: C:\\x, \xEF\xBF\xBD.cpp, f:1  "
       "crlf:8: C:\\x, \xEF\xBF\xBD.cpp, f:1\n"
       "error     306      2       2  File not found          lf:6: im.cpp, open:20   crlf:6: im.cpp, "
       "open:20\n"
       "warning  1900      2       2  QAT error               lf:2: co.cpp, match:10  crlf:2: "
       "co.cpp, match:10\n\n"
       "trace  errors  warnings  other lines  damaged lines  error codes  warning codes\n"
       "lf          2         1            1              4  99 306       1900\n"
       "crlf        2         1            1              3  99 306       1900\n",
       ""},
      {"explain --format=markdown --fail-on warning odd", 3,
       "traces: 1, errors: 1, warnings: 0; skipped: 0 other lines, 0 damaged lines\n\n"
       "| level | code | count | traces | description | first raised | last raised |\n"
       "|---|---:|---:|---:|---|---|---|\n"
       "| error | 306 | 1 | 1 | File not found | odd:1: q\"b\\\\| \xEF\xBF\xBD.cpp, f n:7 | "
       "odd:1: q\"b\\\\| \xEF\xBF\xBD.cpp, f n:7 |\n\n"
       "| trace | errors | warnings | other lines | damaged lines | error codes | warning codes |\n"
       "|---|---:|---:|---:|---:|---|---|\n"
       "| odd | 1 | 0 | 0 | 0 | 306 |  |\n",
       ""},
      {"explain --format jsonl --fail-on error --files0-from names0", 3,
       "{\"type\":\"record\",\"trace\":\"odd\",\"trace_line\":1,\"level\":\"error\",\"code\":306,"
       "\"description\":\"File not found\",\"file\":\"q\\\"b\\\\|\\u001b\xEF\xBF\xBD.cpp\","
       "\"function\":\"f\\tn\",\"line\":7,\"short_text\":\"\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\","
       "\"long_text\":\"\\\"\"}\n"
       "{\"type\":\"trace\",\"trace\":\"odd\",\"errors\":1,\"warnings\":0,\"other_lines\":0,"
       "\"damaged_lines\":0}\n"
       "{\"type\":\"record\",\"trace\":\"long\",\"trace_line\":1,\"level\":\"warning\",\"code\":"
       "1900,\"description\":\"QAT error\",\"file\":\"l.cpp\",\"function\":\"g\",\"line\":3,"
       "\"short_text\":\"s\",\"long_text\":\"" +
           long_text +
           "\"}\n{\"type\":\"trace\",\"trace\":\"long\",\"errors\":0,\"warnings\":1,"
           "\"other_lines\":0,\"damaged_lines\":0}\n",
       ""},
      {"explain --format json --fail-on error - < empty", 0, "[]\n", ""},
      // Codes most recorded first; the names in a list read after the operands, empty ones skipped.
      {"explain --format json --format tsv --fail-on warning --files-from - -- none lf < names", 2,
       "level\tcode\tcount\ttraces\tdescription\tfirst raised\tlast raised\n"
       "error\t306\t2\t2\tFile not found\tlf:6: im.cpp, open:20\todd:1: q\"b\\| \xEF\xBF\xBD.cpp, f n:7\n"
       "error\t99\t1\t1\t(not in the catalogue)\tlf:8: C:\\x, \xEF\xBF\xBD.cpp, f:1\tlf:8: C:\\x, "
       "\xEF\xBF\xBD.cpp, f:1\nwarning\t1900\t1\t1\tQAT error\tlf:2: co.cpp, match:10\tlf:2: co.cpp, "
       "match:10\n",
       "tervox-errors: cannot read none: No such file or directory\n"},
#ifdef __linux__
      // Whatever else went wrong, a lost output is told and wins.
      {"describe 306 99 > /dev/full", 4, "", "write error: No space left on device\n"},
      {"--list > /dev/full", 4, "", "tervox-errors: write error: No space left on device\n"},
      {"explain --fail-on error odd > /dev/full", 4, "", "write error: No space left on device\n"},
      // A trace that opens but cannot be read is reported alone, with status 2.
      {"explain --format jsonl --fail-on error . empty", 2,
       "{\"type\":\"trace\",\"trace\":\"empty\",\"errors\":0,\"warnings\":0,\"other_lines\":0,"
       "\"damaged_lines\":0}\n",
       "tervox-errors: cannot read .: Is a directory\n"},
#endif
      {"explain --fail-on fatal odd", 2, "",
       "tervox-errors: --fail-on takes error or warning, not 'fatal'\n"},
      {"explain", 2, "", "tervox-errors: explain needs a FILE or a list of them\n"},
      {"explain --files-from - -", 2, "",
       "tervox-errors: standard input (-) can be read once only\n"},
  });
}

// A CRLF trace longer than the reader's buffer (4 x 64 KiB), one line end split across its end,
// then lines longer than any the library writes (damaged), one longer than the buffer, and last
// a message with no line feed: as JSON lines once by one run, in whole lines by six at once.
TEST_F(TervoxErrors, WritesJsonLinesWholeAndOnce) {
  const std::string record = "[UNDEF][!] [a.cpp, f:1]\r\n[UNDEF][!] [EC :306 ] s - l\r\n";
  std::string trace = "[IMPORT] \r\n";  // padded until a message line's CR ends the buffer
  while ((trace.size() + record.size() - 1) % record.size() != (1 << 18) % record.size())
    trace.insert(trace.size() - 2, "x");
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    trace += record;
    expected +=
        "{\"type\":\"record\",\"trace\":\"t\",\"trace_line\":" + std::to_string(2 + 2 * i) +
        ",\"level\":\"error\",\"code\":306,\"description\":\"File not found\",\"file\":"
        "\"a.cpp\",\"function\":\"f\",\"line\":1,\"short_text\":\"s\",\"long_text\":\"l\"}\n";
  }
  write("t", trace + "[IMPORT] " + std::string(300000, 'y') + "\n[UNDEF][!] [a.cpp, f:1]\n" +
                 "[UNDEF][!] [EC :306 ] s - " + std::string(70000, 'z') + "\n[IMPORT] " +
                 std::string(100000, 'w') +
                 "\n[UNDEF][?] [z, g:2]\r\n[UNDEF][?] [EC :99 ] a - b - c\r");
  expected +=
      "{\"type\":\"record\",\"trace\":\"t\",\"trace_line\":10006,\"level\":\"warning\",\"code\":99,"
      "\"description\":null,\"file\":\"z\",\"function\":\"g\",\"line\":2,\"short_text\":\"a\","
      "\"long_text\":\"b - c\"}\n{\"type\":\"trace\",\"trace\":\"t\",\"errors\":5000,\"warnings\":1,"
      "\"other_lines\":1,\"damaged_lines\":4}\n";
  check({{"explain --format jsonl t", 0, expected, ""}});
#ifndef _WIN32
  std::system("for i in 1 2 3 4 5 6; do " TERVOX_ERRORS_PATH
              " explain --format jsonl t >> all & done; wait");
  const auto lines = [](std::istringstream text) {
    std::multiset<std::string> set;
    for (std::string line; std::getline(text, line);) set.insert(line);
    return set;
  };
  std::string six;
  for (int run = 0; run < 6; ++run) six += expected;
  EXPECT_TRUE(lines(std::istringstream(read_file("all"))) == lines(std::istringstream(six)));
#endif
}

}  // namespace
