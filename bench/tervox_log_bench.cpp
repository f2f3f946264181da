// Side-by-side timings of tervox_log's writers and renderers against the floor of a logger that
// flushes every line (one formatted line, one write(2)) and against the loggers hosts would
// otherwise pick. Every contender's output is compared byte for byte before anything is timed.

#include <benchmark/benchmark.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>
#include <tervox/TervoxMacros.h>
#include <tervox/tervox_log.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "error/ErrorCatalogue.h"

#if TERVOX_BENCH_WITH_SPDLOG
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#endif

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::current_path() / "tervox-bench-files";

// The line every writer produces: "[BENCH] tile <text> done in pass 7\n", 60 or 300 bytes long.
constexpr const char* kCategory = "BENCH";
constexpr const char* kMessageFormat = "tile %s done in pass %d";
constexpr const char* kLineFormat = "[%s] tile %s done in pass %d\n";
constexpr int kPass = 7;
constexpr std::size_t kLineOverhead = sizeof "[BENCH] tile  done in pass 7\n" - 1;

std::string tile_text(std::size_t line_length) {
  return std::string(line_length - kLineOverhead, 't');
}

fs::path fresh_file(const std::string& name) {
  fs::create_directories(kFolder);
  const fs::path path = kFolder / name;
  fs::remove(path);
  return path;
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

struct FloorWriter final : Writer {
  explicit FloorWriter(const fs::path& path)
      : fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}
  ~FloorWriter() override { ::close(fd); }
  void write_line(const char* text) override {
    char line[25000];
    const int length = std::snprintf(line, sizeof line, kLineFormat, kCategory, text, kPass);
    benchmark::DoNotOptimize(::write(fd, line, static_cast<std::size_t>(length)));
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

// Every contender appends to a file that is emptied now and then, so that none of them is timed
// on a larger file than another.
constexpr int kLinesBetweenTruncations = 16384;

template <typename W>
void BM_Write(benchmark::State& state) {
  const std::string text = tile_text(static_cast<std::size_t>(state.range(0)));
  const fs::path path = fresh_file("timed.txt");
  W writer(path);
  int lines = 0;
  for (auto _ : state) {
    writer.write_line(text.c_str());
    if (++lines == kLinesBetweenTruncations) {
      state.PauseTiming();
      fs::resize_file(path, 0);
      lines = 0;
      state.ResumeTiming();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK_TEMPLATE(BM_Write, TraceMessageWriter)->Name("trace_message_written")->Arg(60)->Arg(300);
BENCHMARK_TEMPLATE(BM_Write, CTraceWriter)->Name("tervox_trace_written")->Arg(60)->Arg(300);
BENCHMARK_TEMPLATE(BM_Write, FloorWriter)->Name("floor_snprintf_write")->Arg(60)->Arg(300);
BENCHMARK_TEMPLATE(BM_Write, StreamInsertionWriter)->Name("ostream_insertion")->Arg(60)->Arg(300);
BENCHMARK_TEMPLATE(BM_Write, FprintfWriter)->Name("fprintf_fflush")->Arg(60)->Arg(300);
#if TERVOX_BENCH_WITH_SPDLOG
BENCHMARK_TEMPLATE(BM_Write, SpdlogWriter)->Name("spdlog_flush_every_line")->Arg(60)->Arg(300);
#endif

// Every thread of the host traces the same 60-byte line into one shared, flushed file; the
// writer is made before the threads start and closed after they end. items_per_second is lines
// per second of all threads together.
template <typename W>
struct SharedWriter {
  static inline std::unique_ptr<W> writer;
  static void open(const benchmark::State&) {
    writer = std::make_unique<W>(fresh_file("threads.txt"));
  }
  static void close(const benchmark::State&) { writer.reset(); }
};

template <typename W>
void BM_WriteFromThreads(benchmark::State& state) {
  const std::string text = tile_text(60);
  for (auto _ : state) SharedWriter<W>::writer->write_line(text.c_str());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK_TEMPLATE(BM_WriteFromThreads, TraceMessageWriter)
    ->Name("threads_trace_message")
    ->Setup(SharedWriter<TraceMessageWriter>::open)
    ->Teardown(SharedWriter<TraceMessageWriter>::close)
    ->ThreadRange(1, 8)
    ->UseRealTime();
#if TERVOX_BENCH_WITH_SPDLOG
BENCHMARK_TEMPLATE(BM_WriteFromThreads, SpdlogWriter)
    ->Name("threads_spdlog_mt")
    ->Setup(SharedWriter<SpdlogWriter>::open)
    ->Teardown(SharedWriter<SpdlogWriter>::close)
    ->ThreadRange(1, 8)
    ->UseRealTime();
#endif

void BM_SnprintfAlone(benchmark::State& state) {
  const std::string text = tile_text(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    char line[25000];
    benchmark::DoNotOptimize(
        std::snprintf(line, sizeof line, kLineFormat, kCategory, text.c_str(), kPass));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SnprintfAlone)->Name("snprintf_alone")->Arg(60)->Arg(300);

void BM_TraceFiltered(benchmark::State& state) {
  const std::string text = tile_text(static_cast<std::size_t>(state.range(0)));
  TervoxLogger::set_trace_level(3);
  for (auto _ : state) {
    TervoxLogger::trace_message(kCategory, TervoxLogger::LOG_DEBUG, __FILE__, __func__, __LINE__,
                                kMessageFormat, text.c_str(), kPass);
  }
}
BENCHMARK(BM_TraceFiltered)->Name("trace_message_filtered")->Arg(60)->Arg(300);

// The level is tested before the arguments are evaluated: a filtered trace costs that test alone.
void BM_TraceIfEnabledFiltered(benchmark::State& state) {
  const std::string text = tile_text(60);
  TervoxLogger::set_trace_level(3);
  for (auto _ : state) {
    TERVOX_TRACE_IF_ENABLED(kCategory, TervoxLogger::LOG_DEBUG, kMessageFormat, text.c_str(),
                            kPass);
  }
}
BENCHMARK(BM_TraceIfEnabledFiltered)->Name("trace_if_enabled_filtered");

void BM_LogMessage(benchmark::State& state) {
  const std::string text = tile_text(60);
  TervoxLogger::get_process_log_stream()->open(fresh_file("log.txt"),
                                               std::ios::out | std::ios::app);
  for (auto _ : state) TervoxLogger::log_message(kCategory, kMessageFormat, text.c_str(), kPass);
  TervoxLogger::get_process_log_stream()->close();
}
BENCHMARK(BM_LogMessage)->Name("log_message");

void BM_SetLast(benchmark::State& state) {
  TervoxError& registry = TervoxError::getInstance();
  TervoxLogger::get_process_trace_stream()->open(fresh_file("setlast.txt"),
                                                 std::ios::out | std::ios::app);
  int recorded = 0;
  for (auto _ : state) {
    registry.setLast(LVL_ERROR, 306, __FILE__, __func__, __LINE__, "reference.par",
                     "not in ./input");
    if (++recorded == 4096) {  // keep the stack from growing for the whole run
      registry.clear(LVL_ERROR);
      recorded = 0;
    }
  }
  registry.clear(LVL_ERROR);
  TervoxLogger::get_process_trace_stream()->close();
}
BENCHMARK(BM_SetLast)->Name("setLast_traced");

// Renderers, on an error level whose newest caller text is a typical one.
struct RecordedError {
  RecordedError() {
    TervoxError::getInstance().clear(LVL_ERROR);
    TervoxError::getInstance().pushOnStack(LVL_ERROR, 2933, "only 14 of 40 tie points matched",
                                           "b");
  }
  ~RecordedError() { TervoxError::getInstance().clear(LVL_ERROR); }
};

template <typename Render>
void run_renderer(benchmark::State& state, Render render) {
  RecordedError recorded;
  for (auto _ : state) benchmark::DoNotOptimize(render(TervoxError::getInstance()));
}
BENCHMARK_CAPTURE(run_renderer, getShortDescription,
                  [](TervoxError& r) { return r.getShortDescription(LVL_ERROR, 2933); });
BENCHMARK_CAPTURE(run_renderer, getLongDescription,
                  [](TervoxError& r) { return r.getLongDescription(LVL_ERROR, 2933); });
BENCHMARK_CAPTURE(run_renderer, getLastShortDescription,
                  [](TervoxError& r) { return r.getLastShortDescription(LVL_ERROR); });
BENCHMARK_CAPTURE(run_renderer, getLastLongDescription,
                  [](TervoxError& r) { return r.getLastLongDescription(LVL_ERROR); });
BENCHMARK_CAPTURE(run_renderer, getShortDescription_bare, [](TervoxError& r) {
  return r.getShortDescription(static_cast<ERROR_LVL>(2), 2933);
});

// For reference only: the plain reading of the catalogue look-up, which builds an ordered map of
// every row for each look-up and throws it away afterwards.
std::string literal_short_description(int code, const std::string& caller_text) {
  std::map<int, std::pair<std::string, std::string>> table;
  using tervox::detail::ErrorCatalogue;
  for (const auto* row = ErrorCatalogue::begin(); row != ErrorCatalogue::end(); ++row) {
    table.emplace(row->code,
                  std::make_pair(std::string(row->short_text), std::string(row->long_text)));
  }
  return "[EC : " + std::to_string(code) + "] " + table.at(code).first + "\n" + caller_text;
}
BENCHMARK_CAPTURE(run_renderer, literal_map_per_lookup, [](TervoxError&) {
  return literal_short_description(2933, "only 14 of 40 tie points matched");
});

void BM_StackDescriptions(benchmark::State& state) {
  TervoxError& registry = TervoxError::getInstance();
  registry.clear(LVL_ERROR);
  const auto* rows = tervox::detail::ErrorCatalogue::begin();
  const auto row_count = tervox::detail::ErrorCatalogue::end() - rows;
  for (int64_t i = 0; i < state.range(0); ++i) {
    registry.pushOnStack(LVL_ERROR, rows[i % row_count].code, "caller text " + std::to_string(i),
                         "");
  }
  for (auto _ : state) benchmark::DoNotOptimize(registry.getStackDescriptions(LVL_ERROR));
  // items_per_second is entries rendered per second: its inverse is the cost of one entry.
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  registry.clear(LVL_ERROR);
}
BENCHMARK(BM_StackDescriptions)
    ->Name("getStackDescriptions")
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000);

std::string read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

template <typename W>
std::string bytes_written_by(const std::string& name, const std::string& text) {
  const fs::path path = fresh_file(name);
  {
    W writer(path);
    writer.write_line(text.c_str());
    writer.write_line(text.c_str());
  }
  return read_file(path);
}

// The ratios compare like with like only if every contender writes the same bytes.
bool contenders_write_the_same_bytes() {
  bool same = true;
  for (std::size_t length : {60u, 300u}) {
    const std::string text = tile_text(length);
    const std::string expected = bytes_written_by<FloorWriter>("floor.txt", text);
    const std::pair<const char*, std::string> others[] = {
      {"trace_message", bytes_written_by<TraceMessageWriter>("trace.txt", text)},
      {"tervox_trace", bytes_written_by<CTraceWriter>("c_trace.txt", text)},
      {"ostream insertion", bytes_written_by<StreamInsertionWriter>("ostream.txt", text)},
      {"fprintf", bytes_written_by<FprintfWriter>("fprintf.txt", text)},
#if TERVOX_BENCH_WITH_SPDLOG
      {"spdlog", bytes_written_by<SpdlogWriter>("spdlog.txt", text)},
#endif
    };
    if (expected.size() != 2 * length) same = false;
    for (const auto& [name, written] : others) {
      if (written != expected) {
        std::cerr << name << " wrote other bytes than the floor for a " << length << "-byte line\n";
        same = false;
      }
    }
  }
  const std::string literal = literal_short_description(2933, "x");
  if (literal != "[EC : 2933] Tie points position not reliable\nx") same = false;
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  if (!contenders_write_the_same_bytes()) return 1;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(kFolder);
  return 0;
}
