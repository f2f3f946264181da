// The tool's trace reader over arbitrary bytes, after lines of "x" that fill the reader's buffer
// but for a part of the bytes that their hash chooses, so that the bytes' lines cross its end.
// Every line is counted once: as one of a record's two, as another or as a damaged line.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

#include "TextEscaping.h"
#include "TraceRecords.h"

using namespace tervox::tools;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static TraceRecordReader reader;  // its buffer kept from trace to trace
  static std::string padding;       // lines of 4 KiB
  while (padding.size() < 1 << 18) padding += std::string(4095, 'x') + '\n';
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string trace =
      padding.substr(0, padding.size() - std::hash<std::string_view>()(bytes) % (size + 1));
  trace.back() = '\n';
  const auto lines = static_cast<std::int64_t>((trace.size() + 4095) / 4096) +
                     std::count(bytes.begin(), bytes.end(), '\n') +
                     (size > 0 && bytes.back() != '\n');
  trace += bytes;
  std::FILE* const file = fmemopen(trace.data(), trace.size(), "rb");
  std::string json;  // reads every byte that a record's texts point to
  const TraceReading reading = reader.read(file, [&](const TraceRecord& record) {
    for (auto text : {record.file, record.function, record.short_text, record.long_text})
      append_json_string(json, text);
  });
  std::fclose(file);
  const TraceCounts& counts = reading.counts;
  if (reading.error != 0 ||
      2 * (counts.errors + counts.warnings) + counts.other_lines + counts.damaged_lines != lines)
    std::abort();
  return 0;
}
