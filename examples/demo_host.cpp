// A small host of tervox_log: it opens a trace and a log in a run folder, runs a pretend
// coregistration job whose steps trace at several levels, match the bursts of an image on worker
// threads with no lock of their own, and record a warning and an error, then shows the rendered
// descriptions, the stacks and the two files.

#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>
#include <tervox/TervoxMacros.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

void open_streams(const std::filesystem::path& run_folder) {
  std::filesystem::create_directories(run_folder);
  TervoxLogger::get_process_trace_stream()->open(run_folder / "trace.txt",
                                                 std::ios::out | std::ios::trunc);
  TervoxLogger::get_process_log_stream()->open(run_folder / "log.txt",
                                               std::ios::out | std::ios::trunc);
}

void close_streams() {
  TervoxLogger::get_process_trace_stream()->close();
  TervoxLogger::get_process_log_stream()->close();
}

void import_images(const char* reference, const char* secondary) {
  TERVOX_TRACE("IMPORT", TervoxLogger::LOG_INFO, "reading %s and %s", reference, secondary);
  TERVOX_TRACE("IMPORT", TervoxLogger::LOG_DEBUG, "header of %s: %d lines, %d samples", reference,
               16384, 4096);
  TERVOX_TRACE("IMPORT", TervoxLogger::LOG_VERBOSE, "not written below trace level 9999");
}

// One worker per burst: each traces its lines whole and records its own warnings.
void match_burst(int burst, int matched) {
  TERVOX_TRACE("COREG", TervoxLogger::LOG_DEBUG, "burst %d: %d of 40 tie points", burst, matched);
  if (matched < 20) {
    TERVOX_RECORD_WARNING(2933, "Only " + std::to_string(matched) + " of 40 tie points matched",
                          "burst " + std::to_string(burst) + ", match threshold 0.35");
  }
}

bool coregister(const char* secondary) {
  TERVOX_TRACE("COREG", TervoxLogger::LOG_NOTICE, "coarse window grid 32 x 32 on %s", secondary);
  const int matched[] = {38, 35, 14, 36};
  std::vector<std::thread> workers;
  for (int burst = 1; burst <= 4; ++burst)
    workers.emplace_back(match_burst, burst, matched[burst - 1]);
  for (std::thread& worker : workers) worker.join();
  TERVOX_TRACE("COREG", TervoxLogger::LOG_PLAIN, "fine offsets: azimuth %.3f, range %.3f", 0.125,
               -0.031);
  TERVOX_RECORD_ERROR(306, "reference.slc.par is missing", "looked in ./input");
  return false;
}

void show_file(const std::filesystem::path& path) {
  std::cout << "---- " << path.string() << " ----\n" << std::ifstream(path).rdbuf();
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path run_folder = argc > 1 ? argv[1] : "tervox-demo-run";
  open_streams(run_folder);
  TervoxLogger::set_trace_level(4);  // debug lines too, verbose ones not

  TervoxError& errors = TervoxError::getInstance();
  errors.init("demo_host");
  TervoxLogger::log_message("JOB", "coregistration job %d started", 17);
  import_images("reference.slc", "secondary.slc");
  const bool done = coregister("secondary.slc");
  TervoxLogger::log_message("JOB", "coregistration job %d %s", 17, done ? "done" : "failed");
  close_streams();

  std::cout << "Last error, short:\n"
            << errors.getLastShortDescription(LVL_ERROR) << "\n\n"
            << "Last warning, long:\n"
            << errors.getLastLongDescription(LVL_WARNING) << "\n\n"
            << "Error stack:\n"
            << errors.getStackDescriptions(LVL_ERROR) << "\n"
            << "Warning stack:\n"
            << errors.getStackDescriptions(LVL_WARNING) << "\n";
  show_file(run_folder / "trace.txt");
  show_file(run_folder / "log.txt");
  return 0;
}
