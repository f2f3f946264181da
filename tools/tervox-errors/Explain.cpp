#include "Explain.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "CampaignSummary.h"
#include "TextEscaping.h"
#include "TraceRecords.h"
#include "error/ErrorCatalogue.h"

namespace tervox::tools {
namespace {

// Each object is put together here, then handed to the output whole.
class JsonLinesWriter {
 public:
  explicit JsonLinesWriter(LineOutput& out) : out_(out) {}

  void write_record(const std::string& trace, const TraceRecord& record) {
    begin_object("record", trace);
    add_number("trace_line", record.trace_line);
    add_text("level", record.is_error ? "error" : "warning");
    add_number("code", record.code);
    const tervox::detail::CatalogueRow* row = tervox::detail::ErrorCatalogue::find(record.code);
    add_key("description");
    if (row != nullptr) {
      append_json_string(object_, row->short_text);
    } else {
      object_ += "null";
    }
    add_text("file", record.file);
    add_text("function", record.function);
    add_number("line", record.line);
    add_text("short_text", record.short_text);
    add_text("long_text", record.long_text);
    end_object();
  }

  void write_trace(const std::string& trace, const TraceCounts& counts) {
    begin_object("trace", trace);
    add_number("errors", counts.errors);
    add_number("warnings", counts.warnings);
    add_number("other_lines", counts.other_lines);
    add_number("damaged_lines", counts.damaged_lines);
    end_object();
  }

 private:
  void begin_object(std::string_view type, const std::string& trace) {
    object_ = "{\"type\":\"";
    object_ += type;
    object_ += '"';
    add_text("trace", trace);
  }
  void add_key(std::string_view key) {
    object_ += ",\"";
    object_ += key;
    object_ += "\":";
  }
  void add_text(std::string_view key, std::string_view text) {
    add_key(key);
    append_json_string(object_, text);
  }
  void add_number(std::string_view key, std::int64_t number) {
    add_key(key);
    object_ += std::to_string(number);
  }
  void end_object() {
    object_ += "}\n";
    out_.write(object_);
  }

  LineOutput& out_;
  std::string object_;
};

std::string sighting_text(const CampaignSummary& summary, const Sighting& sighting) {
  return summary.traces()[sighting.trace].path + ":" + std::to_string(sighting.trace_line) + ": " +
         sighting.file + ", " + sighting.function + ":" + std::to_string(sighting.line);
}

void print_summary(const CampaignSummary& summary, Table::Format format, LineOutput& out) {
  // The counts and the table of traces frame the human formats; the machine formats hold the
  // table of codes alone, and JSON lines give the rest.
  const bool human = format == Table::Format::kText || format == Table::Format::kMarkdown;
  if (human) {
    const TraceCounts totals = summary.totals();
    out.write("traces: " + std::to_string(summary.traces().size()) + ", errors: " +
              std::to_string(totals.errors) + ", warnings: " + std::to_string(totals.warnings) +
              "; skipped: " + std::to_string(totals.other_lines) + " other lines, " +
              std::to_string(totals.damaged_lines) + " damaged lines\n\n");
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
  codes.print(out, format);
  if (!human) return;
  const Table traces({{"trace", false},
                      {"errors", true},
                      {"warnings", true},
                      {"other lines", true},
                      {"damaged lines", true},
                      {"error codes", false},
                      {"warning codes", false}});
  out.write("\n");
  traces.print(out, format, summary.traces().size(), [&](std::size_t index) {
    const TraceEntry& entry = summary.traces()[index];
    return std::vector<std::string>{entry.path,
                                    std::to_string(entry.counts.errors),
                                    std::to_string(entry.counts.warnings),
                                    std::to_string(entry.counts.other_lines),
                                    std::to_string(entry.counts.damaged_lines),
                                    entry.error_codes,
                                    entry.warning_codes};
  });
}

bool fail_level_found(const TraceCounts& totals, FailOn fail_on) {
  switch (fail_on) {
    case FailOn::kNever: return false;
    case FailOn::kWarning: return totals.errors + totals.warnings > 0;
    case FailOn::kError: return totals.errors > 0;
  }
  return false;
}

// Reads the traces one after the other, into a summary or as JSON lines.
class Campaign {
 public:
  Campaign(const ExplainRequest& request, LineOutput& out) : request_(request), out_(out) {
    if (!request.table_format) json_lines_.emplace(out);
  }

  // JSON lines keep nothing per trace: the totals are all they need.
  void read_trace(std::string path, bool standard_input) {
    std::FILE* const trace = standard_input ? stdin : std::fopen(path.c_str(), "rb");
    if (trace == nullptr) {
      report_unreadable(path, errno);
      return;
    }
    // The reader's buffer is the only one needed: without stdio's, fread reads straight into it,
    // and the trace's block size is never asked for (a system call per trace).
    (void)std::setvbuf(trace, nullptr, _IONBF, 0);  // if refused, stdio's buffer merely stays
    if (!json_lines_) summary_.begin_trace(path);
    const TraceReading reading = reader_.read(trace, [&](const TraceRecord& record) {
      if (json_lines_) {
        json_lines_->write_record(path, record);
      } else {
        summary_.add(record);
      }
    });
    if (trace != stdin) (void)std::fclose(trace);  // read only: nothing to lose
    if (reading.error != 0) {
      if (!json_lines_) summary_.drop_trace();
      report_unreadable(path, reading.error);
      return;
    }
    if (json_lines_) {
      json_lines_->write_trace(path, reading.counts);
    } else {
      summary_.end_trace(reading.counts);
    }
    totals_.errors += reading.counts.errors;
    totals_.warnings += reading.counts.warnings;
  }

  // The list is read a name at a time, so that its length does not matter.
  void read_list(const TraceList& list) {
    std::FILE* const file = list.path == "-" ? stdin : std::fopen(list.path.c_str(), "rb");
    if (file == nullptr) {
      report_unreadable(list.path, errno);
      return;
    }
    std::string name;
    for (;;) {
      const int c = std::getc(file);
      if (c != EOF && c != list.separator) {
        name += static_cast<char>(c);
        continue;
      }
      // A name cut by a read error is not read.
      if (c == EOF && std::ferror(file)) {
        report_unreadable(list.path, errno);
        break;
      }
      if (!name.empty()) read_trace(name, false);  // a list names files only
      name.clear();
      if (c == EOF) break;
    }
    if (file != stdin) (void)std::fclose(file);  // read only: nothing to lose
  }

  ExitStatus finish() {
    if (request_.table_format) print_summary(summary_, *request_.table_format, out_);
    if (unreadable_) return kUnreadableInput;
    return fail_level_found(totals_, request_.fail_on) ? kFailLevelFound : kFine;
  }

 private:
  void report_unreadable(const std::string& path, int error) {
    complain("cannot read " + path + ": " + std::strerror(error));
    unreadable_ = true;
  }

  const ExplainRequest& request_;
  LineOutput& out_;
  std::optional<JsonLinesWriter> json_lines_;
  TraceRecordReader reader_;
  CampaignSummary summary_;
  TraceCounts totals_;  // of the errors and warnings, for --fail-on
  bool unreadable_ = false;
};

}  // namespace

ExitStatus explain_traces(const ExplainRequest& request, LineOutput& out) {
  Campaign campaign(request, out);
  for (std::string_view path : request.paths) campaign.read_trace(std::string(path), path == "-");
  if (request.list) campaign.read_list(*request.list);
  return campaign.finish();
}

}  // namespace tervox::tools
