// Measures how long a rotation waits while four threads trace flat out: 200 reopens of the trace,
// half a millisecond apart, each timed from the call to its return; prints the median and the
// slowest, and the lines written meanwhile. A rotation should wait for the lines queued before it,
// no more, however often the same writers come back.

#include <tervox/TervoxLogger.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

int main() {
  using Clock = std::chrono::steady_clock;
  constexpr int kWriters = 4, kRotations = 200;
  const std::string path = "/tmp/tervox_rotation_wait.txt";
  TervoxLogger::reopen_process_trace_stream(path.c_str(), false);
  std::atomic<bool> writing{true};
  std::atomic<long> lines{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < kWriters; ++t) {
    writers.emplace_back([&] {
      for (; writing.load(std::memory_order_relaxed); lines.fetch_add(1)) {
        TervoxLogger::trace_message("W", TervoxLogger::LOG_INFO, "", "", 0, "%s",
                                    "a line of about sixty bytes, as a processing job writes");
      }
    });
  }
  std::vector<double> waits;
  const Clock::time_point began = Clock::now();
  for (int i = 0; i < kRotations; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    const Clock::time_point start = Clock::now();
    TervoxLogger::reopen_process_trace_stream(path.c_str(), false);
    waits.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
  writing = false;
  for (std::thread& writer : writers) writer.join();
  TervoxLogger::close_process_trace_stream();
  std::remove(path.c_str());
  std::sort(waits.begin(), waits.end());
  std::printf("rotation under %d busy writers: median %.3f ms, slowest %.3f ms; %.0f k lines/s\n",
              kWriters, waits[waits.size() / 2], waits.back(), lines.load() / seconds / 1000);
}
