// The tervox-errors tool, run as operators run it: its outputs and exit codes.

#include <gtest/gtest.h>
#include <tervox/TervoxMacros.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "CapturedStream.h"

namespace {

struct ToolRun {
  std::string out;
  std::string err;
  int status;
};

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

ToolRun run_tool(const std::string& arguments) {
  const std::string out = testing::TempDir() + "tervox_errors_out.txt";
  const std::string err = testing::TempDir() + "tervox_errors_err.txt";
  const std::string command =
      std::string(TERVOX_ERRORS_PATH) + " " + arguments + " >" + out + " 2>" + err;
  const int status = std::system(command.c_str());
  return {read_file(out), read_file(err), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

struct ToolRow {
  const char* arguments;
  const char* out;
  const char* err;
  int status;
};

TEST(TervoxErrors, DescribesListsAndRejectsAsOperatorsExpect) {
  const ToolRow rows[] = {
      {"300 2933",
       "[EC : 300] File inconsistency error\n[EC : 300] There was an inconsistency in a file\n"
       "[EC : 2933] Tie points position not reliable\n[EC : 2933] The tie points provided are not "
       "reliable enough to perform RPC corerction, more accurate ones are needed\n",
       "", 0},
      {"--warning 0", "Warning: No error\nWarning: The program terminated without errors\n", "", 0},
      {"--bare 1105", "Data formatting anomaly\nThe param file is missing the data record\n", "", 0},
      {"99 100", "[EC : 100] Error\n[EC : 100] An unrecoverable error was encountered\n",
       "tervox-errors: 99 is not in the catalogue\n", 1},
      {"--grep 'TIE points'",
       "code  short description                 long description\n"
       "2932  Tie points extraction failed      Could not identify reliable tie points, manual "
       "selection required\n"
       "2933  Tie points position not reliable  The tie points provided are not reliable enough "
       "to perform RPC corerction, more accurate ones are needed\n",
       "", 0},
      {"--grep 'mysql delete' --format tsv",
       "code\tshort description\tlong description\n1504\tMySQL delete error\tThere was an error "
       "deleting a MySQL entry\n", "", 0},
      {"--grep QAT --format json",
       "[\n {\"code\": 1900, \"short description\": \"QAT error\", \"long description\": "
       "\"There was an error in the QAT\"}\n]\n", "", 0},
      {"--grep 'no such words' --format json", "[]\n", "", 0},
      {"--grep QAT --format markdown",
       "| code | short description | long description |\n|---:|---|---|\n"
       "| 1900 | QAT error | There was an error in the QAT |\n", "", 0},
      {"", "", "tervox-errors: no error code given (see tervox-errors --help)\n", 2},
      {"abc", "", "tervox-errors: 'abc' is neither an option nor an error code (see tervox-errors --help)\n", 2},
      {"--list --format xml", "", "tervox-errors: unknown format 'xml' (see tervox-errors --help)\n", 2},
      {"explain /nonexistent/trace.txt", "", "tervox-errors: cannot read /nonexistent/trace.txt\n", 2},
      {"--version", "tervox-errors " TERVOX_LOG_VERSION "\n", "", 0},
  };
  for (const ToolRow& row : rows) {
    const ToolRun run = run_tool(row.arguments);
    EXPECT_EQ(run.out, row.out) << row.arguments;
    EXPECT_EQ(run.err, row.err) << row.arguments;
    EXPECT_EQ(run.status, row.status) << row.arguments;
  }
  const ToolRun help = run_tool("--help");
  EXPECT_EQ(help.out.rfind("Usage: tervox-errors [--warning | --bare] CODE...\n", 0), 0u);
  EXPECT_EQ(help.status, 0);
}

// Records what a short processing run would, into a trace file the test keeps.
std::string write_trace_of_a_run(const std::string& path) {
  TervoxLogger::get_process_trace_stream()->open(path, std::ios::out | std::ios::trunc);
  TervoxError& registry = TervoxError::getInstance();
  TervoxLogger::trace_message("IMPORT", TervoxLogger::LOG_INFO, "", "", 0, "reading a.slc");
  registry.setLast(LVL_WARNING, 2933, "coreg.cpp", "match", 10, "14 of 40", "burst 3");
  registry.setLast(LVL_ERROR, 306, "import.cpp", "open_par", 20, "a.par", "missing");
  registry.setLast(LVL_ERROR, 306, "import.cpp", "open_par", 25, "b.par", "missing");
  registry.setLast(LVL_ERROR, 99, "x, y.cpp", "f", 1, "not catalogued", "");
  TervoxLogger::get_process_trace_stream()->close();
  return read_file(path);
}

TEST(TervoxErrors, ExplainSummarisesTheRecordsOfATraceAndSkipsDamage) {
  const std::string path = testing::TempDir() + "tervox_explain_trace.txt";
  const std::string trace = write_trace_of_a_run(path);
  const ToolRun run = run_tool("explain " + path);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "errors: 3, warnings: 1; skipped: 1 other lines, 0 damaged lines\n\n"
            "level    code  count  description                       first raised             "
            "last raised\n"
            "error     306      2  File not found                    import.cpp, open_par:20  "
            "import.cpp, open_par:25\n"
            "error      99      1  (not in the catalogue)            x, y.cpp, f:1            "
            "x, y.cpp, f:1\n"
            "warning  2933      1  Tie points position not reliable  coreg.cpp, match:10      "
            "coreg.cpp, match:10\n");

  // A foreign line, a message whose location line went missing, and a record cut short.
  std::string damaged = trace;
  damaged.insert(0, "garbage\n");
  damaged.erase(damaged.find("[UNDEF][?] [coreg.cpp"), damaged.find("[UNDEF][?] [EC") -
                                                           damaged.find("[UNDEF][?] [coreg.cpp"));
  damaged.resize(damaged.size() - 20);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
  const ToolRun damaged_run = run_tool("explain - <" + path);
  EXPECT_EQ(damaged_run.status, 0);
  EXPECT_EQ(damaged_run.out,
            "errors: 2, warnings: 0; skipped: 2 other lines, 3 damaged lines\n\n"
            "level  code  count  description     first raised             last raised\n"
            "error   306      2  File not found  import.cpp, open_par:20  import.cpp, open_par:25\n");
  const ToolRun tsv_run = run_tool("explain " + path + " --format tsv");
  EXPECT_EQ(tsv_run.out,
            "level\tcode\tcount\tdescription\tfirst raised\tlast raised\n"
            "error\t306\t2\tFile not found\timport.cpp, open_par:20\timport.cpp, open_par:25\n");
  std::remove(path.c_str());
}

}  // namespace
