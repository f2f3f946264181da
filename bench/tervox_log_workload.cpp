// A fixed workload of one operation, for counting instructions and system calls per call
// (valgrind --tool=callgrind, strace -c): unlike times, those counts repeat on a busy machine.
// Usage: tervox_log_workload OPERATION CALLS FOLDER

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>

namespace {

const char* const kText = "ttttttttttttttttttttttttttttttt";  // makes a 60-byte line

int run(const std::string& operation, int calls, const std::filesystem::path& folder) {
  TervoxLogger::get_process_trace_stream()->open(folder / "trace.txt",
                                                 std::ios::out | std::ios::app);
  TervoxLogger::get_process_log_stream()->open(folder / "log.txt", std::ios::out | std::ios::app);
  TervoxError& registry = TervoxError::getInstance();
  registry.pushOnStack(LVL_ERROR, 2933, "only 14 of 40 tie points matched", "");
  const int fd = ::open((folder / "floor.txt").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  std::ofstream host_stream(folder / "ostream.txt", std::ios::app);

  const std::map<std::string, std::function<void()>> operations = {
      {"none", [] {}},
      {"trace_message_written",
       [] {
         TervoxLogger::trace_message("BENCH", TervoxLogger::LOG_INFO, "f", "g", 1,
                                     "tile %s done in pass %d", kText, 7);
       }},
      {"trace_message_filtered",
       [] {
         TervoxLogger::trace_message("BENCH", TervoxLogger::LOG_DEBUG, "f", "g", 1,
                                     "tile %s done in pass %d", kText, 7);
       }},
      {"floor_snprintf_write",
       [fd] {
         char line[25000];
         const int n =
             std::snprintf(line, sizeof line, "[%s] tile %s done in pass %d\n", "BENCH", kText, 7);
         if (::write(fd, line, static_cast<std::size_t>(n)) != n) std::abort();
       }},
      // The least a writer does through a host's stream, and the formatting alone.
      {"ostream_insertion",
       [&host_stream] {
         char message[25000];
         std::snprintf(message, sizeof message, "tile %s done in pass %d", kText, 7);
         host_stream << "[BENCH] " << message << std::endl;
       }},
      {"snprintf_alone",
       [] {
         char line[25000];
         if (std::snprintf(line, sizeof line, "[%s] tile %s done in pass %d\n", "BENCH", kText, 7) <
             0)
           std::abort();
       }},
      {"log_message",
       [] { TervoxLogger::log_message("BENCH", "tile %s done in pass %d", kText, 7); }},
      {"setLast",
       [&registry] { registry.setLast(LVL_WARNING, 306, "f", "g", 1, "a.par", "missing"); }},
      {"getShortDescription", [&registry] { registry.getShortDescription(LVL_ERROR, 2933); }},
      {"getLastLongDescription", [&registry] { registry.getLastLongDescription(LVL_ERROR); }},
  };
  const auto found = operations.find(operation);
  if (found == operations.end()) {
    std::cerr << "unknown operation " << operation << "\n";
    return 2;
  }
  for (int i = 0; i < calls; ++i) found->second();
  ::close(fd);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: tervox_log_workload OPERATION CALLS FOLDER\n";
    return 2;
  }
  return run(argv[1], std::atoi(argv[2]), argv[3]);
}
