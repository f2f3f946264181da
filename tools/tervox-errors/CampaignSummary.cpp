#include "CampaignSummary.h"

#include <algorithm>

namespace tervox::tools {
namespace {

void assign_sighting(Sighting& sighting, std::size_t trace, const TraceRecord& record) {
  sighting.trace = trace;
  sighting.trace_line = record.trace_line;
  sighting.file.assign(record.file);  // reuses the strings' memory from record to record
  sighting.function.assign(record.function);
  sighting.line = record.line;
}

}  // namespace

void CampaignSummary::begin_trace(std::string path) {
  traces_.push_back(TraceEntry{std::move(path), {}, {}, {}});
}

void CampaignSummary::add(const TraceRecord& record) {
  const auto [entry, added] = trace_counts_.try_emplace({!record.is_error, record.code});
  CodeCount& counted = entry->second;
  if (added) {
    counted.is_error = record.is_error;
    counted.code = record.code;
    counted.traces = 1;
    assign_sighting(counted.first, traces_.size() - 1, record);
  }
  ++counted.count;
  assign_sighting(counted.last, traces_.size() - 1, record);
}

void CampaignSummary::end_trace(const TraceCounts& counts) {
  TraceEntry& entry = traces_.back();
  entry.counts = counts;
  for (auto& [key, counted] : trace_counts_) {
    std::string& codes = counted.is_error ? entry.error_codes : entry.warning_codes;
    codes += (codes.empty() ? "" : " ") + std::to_string(counted.code);
    const auto [campaign, added] = counts_.try_emplace(key, counted);
    if (added) continue;
    campaign->second.count += counted.count;
    ++campaign->second.traces;
    campaign->second.last = std::move(counted.last);
  }
  trace_counts_.clear();
}

void CampaignSummary::drop_trace() {
  trace_counts_.clear();
  traces_.pop_back();
}

TraceCounts CampaignSummary::totals() const {
  TraceCounts sum;
  for (const TraceEntry& entry : traces_) {
    sum.errors += entry.counts.errors;
    sum.warnings += entry.counts.warnings;
    sum.other_lines += entry.counts.other_lines;
    sum.damaged_lines += entry.counts.damaged_lines;
  }
  return sum;
}

std::vector<CodeCount> CampaignSummary::codes() const {
  std::vector<CodeCount> codes;
  for (const auto& entry : counts_) codes.push_back(entry.second);
  std::stable_sort(codes.begin(), codes.end(),
                   [](const CodeCount& a, const CodeCount& b) { return a.count > b.count; });
  return codes;
}

}  // namespace tervox::tools
