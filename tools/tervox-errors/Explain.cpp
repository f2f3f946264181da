#include "Explain.h"

#include <cstdio>
#include <iostream>
#include <string_view>

#include "CampaignSummary.h"
#include "TextEscaping.h"
#include "TraceRecords.h"
#include "error/ErrorCatalogue.h"

namespace tervox::tools {
namespace {

// Writes JSON lines through a buffer of its own: a campaign's records can be many millions.
class JsonLinesWriter {
 public:
  JsonLinesWriter() = default;
  JsonLinesWriter(const JsonLinesWriter&) = delete;
  JsonLinesWriter& operator=(const JsonLinesWriter&) = delete;
  ~JsonLinesWriter() {
    std::cout.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  }

  void write_record(const std::string& trace, const TraceRecord& record) {
    begin_object("record", trace);
    add_number("trace_line", record.trace_line);
    add_text("level", record.is_error ? "error" : "warning");
    add_number("code", record.code);
    const tervox::detail::CatalogueRow* row = tervox::detail::ErrorCatalogue::find(record.code);
    add_key("description");
    if (row != nullptr) {
      append_json_string(buffer_, row->short_text);
    } else {
      buffer_ += "null";
    }
    add_text("file", record.file);
    add_text("function", record.function);
    add_number("line", record.line);
    add_text("short_text", record.short_text);
    add_text("long_text", record.long_text);
    end_object();
  }

  void write_trace(const TraceEntry& entry) {
    begin_object("trace", entry.path);
    add_number("errors", entry.counts.errors);
    add_number("warnings", entry.counts.warnings);
    add_number("other_lines", entry.counts.other_lines);
    add_number("damaged_lines", entry.counts.damaged_lines);
    end_object();
  }

 private:
  static constexpr std::size_t kFlushSize = 1 << 16;

  void begin_object(std::string_view type, const std::string& trace) {
    buffer_ += "{\"type\":\"";
    buffer_ += type;
    buffer_ += '"';
    add_text("trace", trace);
  }
  void add_key(std::string_view key) {
    buffer_ += ",\"";
    buffer_ += key;
    buffer_ += "\":";
  }
  void add_text(std::string_view key, std::string_view text) {
    add_key(key);
    append_json_string(buffer_, text);
  }
  void add_number(std::string_view key, std::int64_t number) {
    add_key(key);
    buffer_ += std::to_string(number);
  }
  void end_object() {
    buffer_ += "}\n";
    if (buffer_.size() < kFlushSize) return;
    std::cout.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

  std::string buffer_;
};

std::string sighting_text(const CampaignSummary& summary, const Sighting& sighting) {
  return summary.traces()[sighting.trace].path + ":" + std::to_string(sighting.trace_line) + ": " +
         sighting.file + ", " + sighting.function + ":" + std::to_string(sighting.line);
}

std::string code_list(const std::vector<int>& codes) {
  std::string text;
  for (int code : codes) text += (text.empty() ? "" : " ") + std::to_string(code);
  return text;
}

void print_summary(const CampaignSummary& summary, Table::Format format) {
  // The counts and the table of traces frame the human formats; the machine formats hold the
  // table of codes alone, and JSON lines give the rest.
  const bool human = format == Table::Format::kText || format == Table::Format::kMarkdown;
  if (human) {
    const TraceCounts totals = summary.totals();
    std::cout << "traces: " << summary.traces().size() << ", errors: " << totals.errors
              << ", warnings: " << totals.warnings << "; skipped: " << totals.other_lines
              << " other lines, " << totals.damaged_lines << " damaged lines\n\n";
  }
  Table codes({{"level", false},
               {"code", true},
               {"count", true},
               {"traces", true},
               {"description", false},
               {"first raised", false},
               {"last raised", false}});
  for (const CodeCount& counted : summary.codes()) {
    const tervox::detail::CatalogueRow* row = tervox::detail::ErrorCatalogue::find(counted.code);
    codes.add_row({counted.is_error ? "error" : "warning", std::to_string(counted.code),
                   std::to_string(counted.count), std::to_string(counted.traces),
                   row ? std::string(row->short_text) : "(not in the catalogue)",
                   sighting_text(summary, counted.first), sighting_text(summary, counted.last)});
  }
  codes.print(std::cout, format);
  if (!human) return;
  Table traces({{"trace", false},
                {"errors", true},
                {"warnings", true},
                {"other lines", true},
                {"damaged lines", true},
                {"error codes", false},
                {"warning codes", false}});
  for (const TraceEntry& entry : summary.traces()) {
    traces.add_row({entry.path, std::to_string(entry.counts.errors),
                    std::to_string(entry.counts.warnings), std::to_string(entry.counts.other_lines),
                    std::to_string(entry.counts.damaged_lines), code_list(entry.error_codes),
                    code_list(entry.warning_codes)});
  }
  std::cout << '\n';
  traces.print(std::cout, format);
}

bool fail_level_found(const TraceCounts& totals, FailOn fail_on) {
  switch (fail_on) {
    case FailOn::kNever: return false;
    case FailOn::kWarning: return totals.errors + totals.warnings > 0;
    case FailOn::kError: return totals.errors > 0;
  }
  return false;
}

}  // namespace

ExitStatus explain_traces(const ExplainRequest& request) {
  CampaignSummary summary;
  std::optional<JsonLinesWriter> json_lines;
  if (!request.table_format) json_lines.emplace();
  bool unreadable = false;
  for (const std::string& path : request.paths) {
    std::FILE* const trace = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (trace != nullptr) {
      summary.begin_trace(path);
      const TraceCounts counts = read_trace_records(trace, [&](const TraceRecord& record) {
        summary.add(record);
        if (json_lines) json_lines->write_record(path, record);
      });
      summary.end_trace(counts);
      if (json_lines) json_lines->write_trace(summary.traces().back());
    }
    // A directory opens, and fails at its first read.
    if (trace == nullptr || std::ferror(trace)) {
      std::cerr << "tervox-errors: cannot read " << path << "\n";
      unreadable = true;
    }
    if (trace != nullptr && trace != stdin) std::fclose(trace);
  }
  if (request.table_format) print_summary(summary, *request.table_format);
  if (unreadable) return kUsageError;
  return fail_level_found(summary.totals(), request.fail_on) ? kFailLevelFound : kFine;
}

}  // namespace tervox::tools
