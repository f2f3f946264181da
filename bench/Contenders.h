#ifndef TERVOX_BENCH_CONTENDERS_H
#define TERVOX_BENCH_CONTENDERS_H

// The writers that the benchmarks time and the workload counts, in one place, so that both measure
// the same code: each appends one line per call to a file of its own, flushed every time, and
// every one of them writes the same bytes for the same line.

#include <tervox/TervoxLogger.h>
#include <tervox/tervox_log.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#if TERVOX_BENCH_WITH_SPDLOG
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#endif

namespace tervox::bench {

namespace fs = std::filesystem;

// The line every writer produces: "[BENCH] tile <text> done in pass 7\n", 60 or 300 bytes long.
constexpr const char* kCategory = "BENCH";
constexpr const char* kMessageFormat = "tile %s done in pass %d";
constexpr const char* kLineFormat = "[%s] tile %s done in pass %d\n";
constexpr int kPass = 7;
constexpr std::size_t kLineOverhead = sizeof "[BENCH] tile  done in pass 7\n" - 1;

// The text that makes the line `line_length` bytes long.
inline std::string tile_text(std::size_t line_length) {
  return std::string(line_length - kLineOverhead, 't');
}

// One contender: opens its file in append mode, writes one line per call, closes.
struct Writer {
  virtual ~Writer() = default;
  virtual void write_line(const char* text) = 0;
};

struct TraceMessageWriter final : Writer {
  explicit TraceMessageWriter(const fs::path& path) {
    TervoxLogger::get_process_trace_stream()->open(path, std::ios::out | std::ios::app);
  }
  ~TraceMessageWriter() override { TervoxLogger::get_process_trace_stream()->close(); }
  void write_line(const char* text) override {
    TervoxLogger::trace_message(kCategory, TervoxLogger::LOG_INFO, __FILE__, __func__, __LINE__,
                                kMessageFormat, text, kPass);
  }
};

// The same line through the C interface.
struct CTraceWriter final : Writer {
  explicit CTraceWriter(const fs::path& path) {
    TervoxLogger::get_process_trace_stream()->open(path, std::ios::out | std::ios::app);
  }
  ~CTraceWriter() override { TervoxLogger::get_process_trace_stream()->close(); }
  void write_line(const char* text) override {
    tervox_trace(kCategory, TERVOX_LOG_INFO, __FILE__, __func__, __LINE__, kMessageFormat, text,
                 kPass);
  }
};

// The floor of a logger that flushes every line: one formatted line, one write(2).
struct FloorWriter final : Writer {
  explicit FloorWriter(const fs::path& path)
      : fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}
  ~FloorWriter() override { ::close(fd); }
  void write_line(const char* text) override {
    char line[25000];
    const int length = std::snprintf(line, sizeof line, kLineFormat, kCategory, text, kPass);
    if (::write(fd, line, static_cast<std::size_t>(length)) != length) std::abort();
  }
  int fd;
};

// The least any writer can do through a host's std::fstream: the message formatted, then the
// plain insertions of the prefix, the message and std::endl.
struct StreamInsertionWriter final : Writer {
  explicit StreamInsertionWriter(const fs::path& path)
      : stream(path, std::ios::out | std::ios::app) {}
  void write_line(const char* text) override {
    char message[25000];
    std::snprintf(message, sizeof message, kMessageFormat, text, kPass);
    stream << "[BENCH] " << message << std::endl;
  }
  std::ofstream stream;
};

struct FprintfWriter final : Writer {
  explicit FprintfWriter(const fs::path& path) : file(std::fopen(path.c_str(), "a")) {}
  ~FprintfWriter() override { std::fclose(file); }
  void write_line(const char* text) override {
    std::fprintf(file, kLineFormat, kCategory, text, kPass);
    std::fflush(file);
  }
  FILE* file;
};

#if TERVOX_BENCH_WITH_SPDLOG
// The thread-safe file sink, as a multi-threaded host would pick it.
struct SpdlogWriter final : Writer {
  explicit SpdlogWriter(const fs::path& path)
      : logger(std::make_shared<spdlog::logger>(
            "bench", std::make_shared<spdlog::sinks::basic_file_sink_mt>(path.string()))) {
    logger->set_pattern("%v");
    logger->flush_on(spdlog::level::trace);
  }
  void write_line(const char* text) override {
    logger->info("[{}] tile {} done in pass {}", kCategory, text, kPass);
  }
  std::shared_ptr<spdlog::logger> logger;
};
#endif

// What a W writes for two lines of `text` into the fresh file `path`.
template <typename W>
std::string bytes_written_by(const fs::path& path, const std::string& text) {
  fs::remove(path);
  {
    W writer(path);
    writer.write_line(text.c_str());
    writer.write_line(text.c_str());
  }
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  fs::remove(path);
  return bytes.str();
}

// Whether every contender writes the floor's bytes, for lines of 60 and 300 bytes, into files in
// `folder`; names each one that does not on std::cerr. Ratios and counts compare like with like
// only if this holds.
inline bool contenders_write_the_same_bytes(const fs::path& folder) {
  bool same = true;
  for (std::size_t length : {60u, 300u}) {
    const std::string text = tile_text(length);
    const std::string expected = bytes_written_by<FloorWriter>(folder / "floor.txt", text);
    const std::pair<const char*, std::string> others[] = {
      {"trace_message", bytes_written_by<TraceMessageWriter>(folder / "trace.txt", text)},
      {"tervox_trace", bytes_written_by<CTraceWriter>(folder / "c_trace.txt", text)},
      {"ostream insertion", bytes_written_by<StreamInsertionWriter>(folder / "ostream.txt", text)},
      {"fprintf", bytes_written_by<FprintfWriter>(folder / "fprintf.txt", text)},
#if TERVOX_BENCH_WITH_SPDLOG
      {"spdlog", bytes_written_by<SpdlogWriter>(folder / "spdlog.txt", text)},
#endif
    };
    if (expected.size() != 2 * length) {
      std::cerr << "the floor wrote " << expected.size() << " bytes for two " << length
                << "-byte lines\n";
      same = false;
    }
    for (const auto& [name, written] : others) {
      if (written != expected) {
        std::cerr << name << " wrote other bytes than the floor for a " << length << "-byte line\n";
        same = false;
      }
    }
  }
  return same;
}

}  // namespace tervox::bench

#endif  // TERVOX_BENCH_CONTENDERS_H
