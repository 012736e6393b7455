#include "emu_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
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

std::string AttemptsJson(const std::vector<EventAttempts>& events) {
  std::string json = "[";
  for (const EventAttempts& e : events) {
    if (json.size() > 1) json += ",";
    json += "{\"line\":" + JsonString(e.line) + ",\"sequence\":" + JsonString(e.sequence) +
            ",\"outcome\":" + JsonString(e.outcome) + ",\"sent_ms\":[";
    for (std::size_t i = 0; i < e.sent_ms.size(); ++i) {
      json += (i == 0 ? "" : ",") + Fixed(e.sent_ms[i], 1);
    }
    json += "]}";
  }
  return json + "]";
}

std::string JsonReport(const EmuStats& s) {
  const LatencySummary l = Summarize(s.latencies_ms);
  std::string commands = "{";
  for (const auto& [kind, count] : s.commands) {
    if (commands.size() > 1) commands += ",";
    commands += JsonString(kind) + ":" + std::to_string(count);
  }
  commands += "}";
  return "{\"events\":" + std::to_string(s.events) + ",\"sent\":" + std::to_string(s.sent) +
         ",\"acked\":" + std::to_string(s.acked) + ",\"nacked\":" + std::to_string(s.nacked) +
         ",\"timed_out\":" + std::to_string(s.timed_out) + ",\"lost\":" + std::to_string(s.lost) +
         ",\"silent_ok\":" + std::to_string(s.silent_ok) +
         ",\"unexpected\":" + std::to_string(s.unexpected) + ",\"late\":" + std::to_string(s.late) +
         ",\"accepted\":" + std::to_string(s.accepted) +
         ",\"commands_total\":" + std::to_string(s.CommandsTotal()) + ",\"commands\":" + commands +
         ",\"latency_ms\":{\"p50\":" + Fixed(l.p50, 3) + ",\"p99\":" + Fixed(l.p99, 3) +
         ",\"max\":" + Fixed(l.max, 3) + "},\"elapsed_s\":" + Fixed(s.elapsed_s, 3) +
         ",\"frames_per_second\":" + Fixed(Throughput(s), 1) +
         ",\"event_attempts\":" + AttemptsJson(s.attempts) + "}\n";
}

std::string ProgressLine(const EmuStats& s) {
  return "\rsent " + std::to_string(s.sent) + "  acked " + std::to_string(s.acked) + "  nacked " +
         std::to_string(s.nacked) + "  timed out " + std::to_string(s.timed_out) + "  commands " +
         std::to_string(s.CommandsTotal()) + "  " + Fixed(Throughput(s), 1) + " frames/s   ";
}

}  // namespace v7400::emu
