// The tervox-errors tool, run as operators run it: its outputs and exit statuses.

#include <gtest/gtest.h>
#include <tervox/Version.h>  // --version prints the headers' version

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
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
      int status = std::system((TERVOX_ERRORS_PATH " " + arguments + " > out 2> err").c_str());
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
      {"--bare 0", 0, "No error\nThe program terminated without errors\n", ""},
      {"--format=json --warning 0 99", 1,
       "[\n {\"code\": 0, \"short_description\": \"Warning: No error\", \"long_description\": "
       "\"Warning: The program terminated without errors\"}\n]\n",
       "tervox-errors: 99 is not in the catalogue\n"},
      {"-- -5", 1, "", "tervox-errors: -5 is not in the catalogue\n"},
      {"--grep \"qat ERROR\" --format tsv", 0,
       "code\tshort description\tlong description\n"
       "1900\tQAT error\tThere was an error in the QAT\n",
       ""},
      {"--version", 0, "tervox-errors " TERVOX_LOG_VERSION "\n", ""},
      {"", 2, "", "tervox-errors: no error code given\nTry 'tervox-errors --help' for more"},
      {"--x", 2, "", "\nTry 'tervox-errors --help' for more information.\n"},
      {"--help --format json", 2, "", "tervox-errors: --format does not go with --help\n"},
      {"--list --format xml", 2, "", "tervox-errors: unknown format 'xml'\n"},
      {"--list --format jsonl", 2, "", "tervox-errors: --format jsonl goes with explain only\n"},
      {"--fail-on error 306", 2, "", "tervox-errors: --fail-on does not go with error codes\n"},
      {"--list 306", 2, "", "tervox-errors: '306' does not go with --list or --grep\n"},
      {"--version 1", 2, "", "tervox-errors: '1' does not go with --version\n"},
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
  write("odd", "[UNDEF][!] [q\"b\\|\x1b\xff.cpp, f\tn:7]\n[UNDEF][!] [EC :306 ] \xc3( - \"\n");
  // A 24,999-byte message, as long as the library writes them.
  const std::string long_text(24999 - 16, 'x');
  write("long", "[UNDEF][?] [l.cpp, g:3]\n[UNDEF][?] [EC :1900 ] s - " + long_text + "\n");
  write("empty", "");
  // Lines longer than any the library writes, one longer than the reader's buffer: skipped whole.
  write("big", "[IMPORT] " + std::string(300000, 'y') +
                   "\n[UNDEF][!] [a.cpp, f:1]\n[UNDEF][!] [EC :306 ] s - " +
                   std::string(70000, 'z') +
                   "\n[UNDEF][!] [b.cpp, g:2]\n[UNDEF][!] [EC :306 ] s - l\n");
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
      {"explain --format=markdown odd", 0,
       "traces: 1, errors: 1, warnings: 0; skipped: 0 other lines, 0 damaged lines\n\n"
       "| level | code | count | traces | description | first raised | last raised |\n"
       "|---|---:|---:|---:|---|---|---|\n"
       "| error | 306 | 1 | 1 | File not found | odd:1: q\"b\\\\| \xEF\xBF\xBD.cpp, f n:7 | "
       "odd:1: q\"b\\\\| \xEF\xBF\xBD.cpp, f n:7 |\n\n"
       "| trace | errors | warnings | other lines | damaged lines | error codes | warning codes |\n"
       "|---|---:|---:|---:|---:|---|---|\n"
       "| odd | 1 | 0 | 0 | 0 | 306 |  |\n",
       ""},
      {"explain --format jsonl --fail-on error odd long", 3,
       "{\"type\":\"record\",\"trace\":\"odd\",\"trace_line\":1,\"level\":\"error\",\"code\":306,"
       "\"description\":\"File not found\",\"file\":\"q\\\"b\\\\|\\u001b\xEF\xBF\xBD.cpp\","
       "\"function\":\"f\\tn\",\"line\":7,\"short_text\":\"\xEF\xBF\xBD(\",\"long_text\":\"\\\"\"}\n"
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
      {"explain --format jsonl big", 0,
       "{\"type\":\"record\",\"trace\":\"big\",\"trace_line\":4,\"level\":\"error\",\"code\":306,"
       "\"description\":\"File not found\",\"file\":\"b.cpp\",\"function\":\"g\",\"line\":2,"
       "\"short_text\":\"s\",\"long_text\":\"l\"}\n{\"type\":\"trace\",\"trace\":\"big\",\"errors\":1,"
       "\"warnings\":0,\"other_lines\":1,\"damaged_lines\":2}\n",
       ""},
      {"explain --format tsv --fail-on warning -- none odd", 2,
       "level\tcode\tcount\ttraces\tdescription\tfirst raised\tlast raised\n"
       "error\t306\t1\t1\tFile not found\todd:1: q\"b\\| \xEF\xBF\xBD.cpp, f n:7\t"
       "odd:1: q\"b\\| \xEF\xBF\xBD.cpp, f n:7\n",
       "tervox-errors: cannot read none\n"},
      {"explain --fail-on fatal odd", 2, "",
       "tervox-errors: --fail-on takes error or warning, not 'fatal'\n"},
      {"explain", 2, "", "tervox-errors: explain needs a FILE\n"},
      {"explain - odd -", 2, "", "tervox-errors: standard input (-) can be read once only\n"},
  });
}

}  // namespace
