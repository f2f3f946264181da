// The tervox-errors tool, run as operators run it: its outputs and exit statuses.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// ctest runs tests side by side and builds share the temporary folder, so every scratch file is
// named after this process (which runs this one test).
std::string scratch(const std::string& name) {
  static const std::string process = std::to_string(std::random_device()());
  return testing::TempDir() + "tervox_errors_" + process + "_" + name;
}

std::string read_scratch(const std::string& name) {
  std::ostringstream text;
  text << std::ifstream(scratch(name), std::ios::binary).rdbuf();
  return text.str();
}

TEST(TervoxErrors, AnswersEachCommandLineAsDocumented) {
  // A processing run's trace as the registry writes it, with damage: a warning's location line
  // followed by an error's message line, and a record cut short.
  const std::string trace =
      "[IMPORT] reading a.slc\n"
      "[UNDEF][?] [co.cpp, match:10]\n[UNDEF][?] [EC :1900 ] 14 of 40 - burst 3\n"
      "[UNDEF][?] [co.cpp, match:12]\n[UNDEF][!] [EC :306 ] a.par - missing\n"
      "[UNDEF][!] [im.cpp, open:20]\n[UNDEF][!] [EC :306 ] a.par - missing\n"
      "[UNDEF][!] [im.cpp, open:25]\n[UNDEF][!] [EC :306 ] b.par - missing\n"
      "[UNDEF][!] [C:\\x, y.cpp, f:1]\n[UNDEF][!] [EC :99 ] not catalogued - \n"
      "[UNDEF][!] [im.cpp, open:30]\n[UNDEF][!] [E";
  const std::string summary =
      "errors: 3, warnings: 1; skipped: 1 other lines, 4 damaged lines\n\n"
      "level    code  count  description             first raised      last raised\n"
      "error     306      2  File not found          im.cpp, open:20   im.cpp, open:25\n"
      "error      99      1  (not in the catalogue)  C:\\x, y.cpp, f:1  C:\\x, y.cpp, f:1\n"
      "warning  1900      1  QAT error               co.cpp, match:10  co.cpp, match:10\n";
  std::ofstream(scratch("lf"), std::ios::binary) << trace;
  std::ofstream(scratch("crlf"), std::ios::binary)
      << std::regex_replace(trace, std::regex("\n"), "\r\n");
  std::ofstream(scratch("empty"), std::ios::binary);
  // The arguments, the exit status, standard output, and a part of standard error (getopt words
  // its own complaints).
  std::vector<std::tuple<std::string, int, std::string, std::string>> rows = {
      {"306", 0, "[EC : 306] File not found\n[EC : 306] A required file was not found\n", ""},
      {"--bare 0", 0, "No error\nThe program terminated without errors\n", ""},
      {"--format=json --warning 0 99", 1,
       "[\n {\"code\": 0, \"short description\": \"Warning: No error\", \"long description\": "
       "\"Warning: The program terminated without errors\"}\n]\n",
       "tervox-errors: 99 is not in the catalogue\n"},
      {"-- -5", 1, "", "tervox-errors: -5 is not in the catalogue\n"},
      {"--grep \"qat ERROR\" --format tsv", 0,
       "code\tshort description\tlong description\n"
       "1900\tQAT error\tThere was an error in the QAT\n",
       ""},
      {"--grep \"no such words\" --format json", 0, "[]\n", ""},
      {"--version", 0, "tervox-errors " TERVOX_LOG_VERSION "\n", ""},
      {"explain " + scratch("lf"), 0, summary, ""},
      {"explain " + scratch("crlf"), 0, summary, ""},
      {"explain - --format json < " + scratch("empty"), 0, "[]\n", ""},
      {"explain " + scratch("none"), 2, "", "tervox-errors: cannot read " + scratch("none") + "\n"},
      {"", 2, "", "tervox-errors: no error code given\nTry 'tervox-errors --help' for more"},
      {"--x", 2, "", "\nTry 'tervox-errors --help' for more information.\n"},
      {"--help --format json", 2, "", "tervox-errors: --format does not go with --help\n"},
      {"--list --format xml", 2, "", "tervox-errors: unknown format 'xml'\n"},
  };
  for (std::string code : {"300x", " 300", "+300", "", "0x12c", "2147483648"})
    rows.emplace_back('"' + code + '"', 2, "",
                      "tervox-errors: '" + code + "' is not an error code\n");
  for (const auto& [arguments, expected_status, out, expected_err] : rows) {
    const std::string redirects = " > " + scratch("out") + " 2> " + scratch("err");
    int status = std::system((TERVOX_ERRORS_PATH " " + arguments + redirects).c_str());
#ifdef WEXITSTATUS  // POSIX: a wait status; Windows: the exit status itself
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    const std::string err = read_scratch("err");
    EXPECT_EQ(status, expected_status) << arguments;
    EXPECT_EQ(read_scratch("out"), out) << arguments;
    EXPECT_TRUE(expected_err.empty() ? err.empty() : err.find(expected_err) != std::string::npos)
        << arguments << ": " << err;
  }
  for (const char* name : {"lf", "crlf", "empty", "out", "err"}) std::remove(scratch(name).c_str());
}

}  // namespace
