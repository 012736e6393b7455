#include "emu_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/json_text.h"

namespace v7400::emu {
namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

double Throughput(const EmuStats& stats) {
  return stats.elapsed_s > 0 ? static_cast<double>(stats.acked) / stats.elapsed_s : 0;
}

}  // namespace

long long EmuStats::CommandsTotal() const {
  long long total = 0;
  for (const auto& [kind, count] : commands) total += count;
  return total;
}

LatencySummary Summarize(std::vector<double> samples) {
  LatencySummary summary;
  if (samples.empty()) return summary;
  std::sort(samples.begin(), samples.end());
  const auto rank = [&](double p) {
    const auto n = static_cast<std::size_t>(std::ceil(p * static_cast<double>(samples.size())));
    return samples[std::max<std::size_t>(n, 1) - 1];
  };
  summary.p50 = rank(0.50);
  summary.p99 = rank(0.99);
  summary.max = samples.back();
  return summary;
}

std::string TextReport(const EmuStats& s) {
  const LatencySummary l = Summarize(s.latencies_ms);
  std::string text = "events " + std::to_string(s.events) + "  sent " + std::to_string(s.sent) +
                     "  acked " + std::to_string(s.acked) + "  nacked " + std::to_string(s.nacked) +
                     "  timed out " + std::to_string(s.timed_out) + "  lost " +
                     std::to_string(s.lost) + "  unexpected " + std::to_string(s.unexpected) + "\n";
  if (s.silent_ok > 0) text += "AAAA events left unanswered: " + std::to_string(s.silent_ok) + "\n";
  if (s.late > 0) text += "late ACKs after a retry: " + std::to_string(s.late) + "\n";
  text += "commands " + std::to_string(s.CommandsTotal());
  for (const auto& [kind, count] : s.commands) text += "  " + kind + " " + std::to_string(count);
  text += "  (accepted " + std::to_string(s.accepted) + ")\n";
  text += "ACK latency ms: p50 " + Fixed(l.p50, 3) + "  p99 " + Fixed(l.p99, 3) + "  max " +
          Fixed(l.max, 3) + "\n";
  text += "elapsed " + Fixed(s.elapsed_s, 3) + " s  throughput " + Fixed(Throughput(s), 1) +
          " frames/s\n";
  return text;
}

Json AttemptsJson(const std::vector<EventAttempts>& events) {
  Json list = Json::array();
  for (const EventAttempts& e : events) {
    Json sent = Json::array();
    for (const double ms : e.sent_ms) sent.push_back(Rounded(ms, 1));
    list.push_back(Json{
        {"line", e.line}, {"sequence", e.sequence}, {"outcome", e.outcome}, {"sent_ms", sent}});
  }
  return list;
}

std::string JsonReport(const EmuStats& s) {
  const LatencySummary l = Summarize(s.latencies_ms);
  return JsonText(
      Json{{"events", s.events},
           {"sent", s.sent},
           {"acked", s.acked},
           {"nacked", s.nacked},
           {"timed_out", s.timed_out},
           {"lost", s.lost},
           {"silent_ok", s.silent_ok},
           {"unexpected", s.unexpected},
           {"late", s.late},
           {"accepted", s.accepted},
           {"commands_total", s.CommandsTotal()},
           {"commands", Json(s.commands)},
           {"latency_ms",
            {{"p50", Rounded(l.p50, 3)}, {"p99", Rounded(l.p99, 3)}, {"max", Rounded(l.max, 3)}}},
           {"elapsed_s", Rounded(s.elapsed_s, 3)},
           {"frames_per_second", Rounded(Throughput(s), 1)},
           {"event_attempts", AttemptsJson(s.attempts)}});
}

std::string ProgressLine(const EmuStats& s) {
  return "\rsent " + std::to_string(s.sent) + "  acked " + std::to_string(s.acked) + "  nacked " +
         std::to_string(s.nacked) + "  timed out " + std::to_string(s.timed_out) + "  commands " +
         std::to_string(s.CommandsTotal()) + "  " + Fixed(Throughput(s), 1) + " frames/s   ";
}

}  // namespace v7400::emu
