// Side-by-side timings of tervox_log's writers and renderers against the floor of a logger that
// flushes every line (one formatted line, one write(2)) and against the loggers hosts would
// otherwise pick. Every contender's output is compared byte for byte before anything is timed.

#include <benchmark/benchmark.h>
#include <tervox/TervoxError.h>
#include <tervox/TervoxLogger.h>
#include <tervox/TervoxMacros.h>
#include <tervox/tervox_log.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "Contenders.h"
#include "error/ErrorCatalogue.h"

namespace {

namespace fs = std::filesystem;
using tervox::bench::CTraceWriter;
using tervox::bench::FloorWriter;
using tervox::bench::FprintfWriter;
using tervox::bench::kCategory;
using tervox::bench::kLineFormat;
using tervox::bench::kMessageFormat;
using tervox::bench::kPass;
using tervox::bench::StreamInsertionWriter;
using tervox::bench::tile_text;
using tervox::bench::TraceMessageWriter;
#if TERVOX_BENCH_WITH_SPDLOG
using tervox::bench::SpdlogWriter;
#endif

const fs::path kFolder = fs::current_path() / "tervox-bench-files";

fs::path fresh_file(const std::string& name) {
  fs::create_directories(kFolder);
  const fs::path path = kFolder / name;
  fs::remove(path);
  return path;
}

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

// The reference look-up gives what the renderers give.
bool reference_renders_as_the_library() {
  return literal_short_description(2933, "x") == "[EC : 2933] Tie points position not reliable\nx";
}

}  // namespace

int main(int argc, char** argv) {
  fs::create_directories(kFolder);
  if (!tervox::bench::contenders_write_the_same_bytes(kFolder) ||
      !reference_renders_as_the_library()) {
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(kFolder);
  return 0;
}
