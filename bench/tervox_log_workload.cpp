// A fixed workload of one operation, for counting instructions and system calls per call
// (valgrind --tool=callgrind, strace -c): unlike times, those counts repeat on a busy machine. The
// writers are the benchmarks' contenders, checked to write the same bytes before anything runs.
// Usage: tervox_log_workload OPERATION CALLS FOLDER

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>

#include "Contenders.h"

namespace {

namespace bench = tervox::bench;

int run(const std::string& operation, int calls, const std::filesystem::path& folder) {
  const std::string text = bench::tile_text(60);
  const char* const tile = text.c_str();
  // The trace writer opens the process trace stream, which setLast and the filtered calls use too.
  bench::TraceMessageWriter trace(folder / "trace.txt");
  bench::FloorWriter floor(folder / "floor.txt");
  bench::StreamInsertionWriter insertion(folder / "ostream.txt");
  TervoxLogger::get_process_log_stream()->open(folder / "log.txt", std::ios::out | std::ios::app);
  TervoxError& registry = TervoxError::getInstance();
  registry.pushOnStack(LVL_ERROR, 2933, "only 14 of 40 tie points matched", "");

  const std::map<std::string, std::function<void()>> operations = {
      {"none", [] {}},
      {"trace_message_written", [&] { trace.write_line(tile); }},
      {"trace_message_filtered",
       [&] {
         TervoxLogger::trace_message(bench::kCategory, TervoxLogger::LOG_DEBUG, "f", "g", 1,
                                     bench::kMessageFormat, tile, bench::kPass);
       }},
      {"floor_snprintf_write", [&] { floor.write_line(tile); }},
      // The least a writer does through a host's stream, and the formatting alone.
      {"ostream_insertion", [&] { insertion.write_line(tile); }},
      {"snprintf_alone",
       [&] {
         char line[25000];
         if (std::snprintf(line, sizeof line, bench::kLineFormat, bench::kCategory, tile,
                           bench::kPass) < 0)
           std::abort();
       }},
      {"log_message",
       [&] {
         TervoxLogger::log_message(bench::kCategory, bench::kMessageFormat, tile, bench::kPass);
       }},
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
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: tervox_log_workload OPERATION CALLS FOLDER\n";
    return 2;
  }
  if (!bench::contenders_write_the_same_bytes(argv[3])) return 1;
  return run(argv[1], std::atoi(argv[2]), argv[3]);
}
