#include "display/retransmission_report.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "codec/frame.h"

namespace v7400 {

namespace {

constexpr int kSequenceCycle = 9999;
// A gap wider than this is counted, but only its first numbers are listed.
constexpr std::size_t kListedLimit = 100;

int Number(std::string_view text) {
  int value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  return status == std::errc() && end == text.data() + text.size() && !text.empty() ? value : -1;
}

std::int32_t Since(std::uint32_t tick, std::uint32_t start) {
  return static_cast<std::int32_t>(tick - start);
}

std::string Seq(int sequence) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", sequence);
  return text;
}

template <typename Texts>
std::string Joined(const std::vector<int>& values, Texts text, const char* separator) {
  std::string joined;
  for (const int value : values) joined += (joined.empty() ? "" : separator) + text(value);
  return joined;
}

Json SeqList(const std::vector<int>& values) {
  Json list = Json::array();
  for (const int value : values) list.push_back(Seq(value));
  return list;
}

struct Spread {
  std::uint32_t min = 0, median = 0, max = 0;
};

bool SpreadOf(std::vector<std::uint32_t> values, Spread& spread) {
  if (values.empty()) return false;
  std::sort(values.begin(), values.end());
  spread = {values.front(), values[values.size() / 2], values.back()};
  return true;
}

std::string FiguresText(const RetryFigures& f) {
  std::string text = "repeats after ACK " + std::to_string(f.after_ack) + ", after NACK " +
                     std::to_string(f.after_nack) + ", after a missing or faulted answer " +
                     std::to_string(f.after_fault);
  Spread spread;
  if (SpreadOf(f.first_repeat_ms, spread)) {
    text += "; first repeat after " + std::to_string(spread.min) + "/" +
            std::to_string(spread.median) + "/" + std::to_string(spread.max) +
            " ms (min/median/max)";
  }
  text += "; most attempts " + std::to_string(f.most_attempts) + "; given up " +
          std::to_string(f.given_up);
  if (!f.lost_sequences.empty()) text += "; lost " + Joined(f.lost_sequences, Seq, " ");
  return text;
}

Json FiguresJson(const RetryFigures& f) {
  Spread spread;
  Json first;  // null without a repeat
  if (SpreadOf(f.first_repeat_ms, spread)) {
    first = {{"min", spread.min}, {"median", spread.median}, {"max", spread.max}};
  }
  return {{"repeats_after_ack", f.after_ack},
          {"repeats_after_nack", f.after_nack},
          {"repeats_after_fault", f.after_fault},
          {"first_repeat_ms", first},
          {"most_attempts", f.most_attempts},
          {"given_up", f.given_up},
          {"given_up_sequences", SeqList(f.given_up_sequences)},
          {"lost_sequences", SeqList(f.lost_sequences)}};
}

std::string XmlEscaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '&':
        escaped += "&amp;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string TestCase(const std::string& name, const std::string& failure) {
  std::string xml = "  <testcase classname=\"v7400\" name=\"" + XmlEscaped(name) + "\"";
  if (failure.empty()) return xml + "/>\n";
  return xml + ">\n    <failure message=\"" + XmlEscaped(failure) + "\"/>\n  </testcase>\n";
}

std::string OutageFailure(const OutageFigures& o) {
  std::string failure;
  if (!o.missing.empty()) failure = "never came: " + Joined(o.missing, Seq, " ");
  if (!o.in_order) failure += std::string(failure.empty() ? "" : "; ") + "out of order";
  return failure;
}

}  // namespace

bool IsFaultReason(std::string_view reason) {
  for (const std::string_view mark : {std::string_view("fault "), std::string_view("outage ")}) {
    const std::size_t at = reason.find(mark);
    if (at == 0 || (at != std::string_view::npos && at >= 2 && reason.substr(at - 2, 2) == "; ")) {
      return true;
    }
  }
  return false;
}

void RetransmissionTracker::OnFrame(const FrameReport& report, std::uint32_t tick) {
  if (report.direction == FrameDirection::kIn && report.verdict == FrameVerdict::kNack &&
      !IsFaultReason(report.reason)) {
    ++plain_nacks_;
  }
  if (report.direction != FrameDirection::kIn || report.bytes.empty() ||
      report.bytes.front() != kSiaStart || report.verdict == FrameVerdict::kDropped ||
      report.verdict == FrameVerdict::kIgnored) {
    return;
  }
  const int sequence = Number(FrameField(report.bytes, 9, 4));
  const int line = Number(FrameField(report.bytes, 15, 2));
  if (sequence < 1 || sequence > kSequenceCycle || line < 1 || line > kLineCount) return;
  // The receiver numbers its frames once for the whole link: a repeat is booked to the line of
  // the frame repeated, a frame given up to its own line, a gap to the line of the frame after it.
  const auto index = static_cast<std::size_t>(line - 1);
  PendingFrame& st = pending_;
  RetryFigures& figures = lines_[index];
  if (sequence == st.sequence) {
    if (st.last_verdict == FrameVerdict::kNack) {
      ++figures.after_nack;
    } else if (st.last_faulted || st.last_verdict != FrameVerdict::kAck) {
      ++figures.after_fault;
    } else {
      ++figures.after_ack;
    }
    if (!st.repeated) figures.first_repeat_ms.push_back(tick - st.first_tick);
    st.repeated = true;
    ++st.attempts;
  } else {
    if (st.sequence != 0 && !st.acked) {
      RetryFigures& previous = lines_[st.line_index];
      ++previous.given_up;
      if (previous.given_up_sequences.size() < kListedLimit) {
        previous.given_up_sequences.push_back(st.sequence);
      }
    }
    if (!ForgetLost(sequence) && st.sequence != 0) {  // a late frame is not lost
      auto& lost = figures.lost_sequences;
      for (int n = st.sequence % kSequenceCycle + 1; n != sequence && lost.size() < kListedLimit;
           n = n % kSequenceCycle + 1) {
        lost.push_back(n);
      }
    }
    st = PendingFrame{};
    st.sequence = sequence;
    st.line_index = index;
    st.first_tick = tick;
    st.attempts = 1;
  }
  st.last_verdict = report.verdict;
  st.last_faulted = IsFaultReason(report.reason);
  if (report.verdict == FrameVerdict::kAck && !st.last_faulted && !st.acked) {
    st.acked = true;
    figures.most_attempts = std::max(figures.most_attempts, st.attempts);
  }
  attempts_.push_back({line, sequence, tick});
}

bool RetransmissionTracker::ForgetLost(int sequence) {
  for (RetryFigures& figures : lines_) {
    auto& lost = figures.lost_sequences;
    if (const auto found = std::find(lost.begin(), lost.end(), sequence); found != lost.end()) {
      lost.erase(found);
      return true;
    }
  }
  return false;
}

RetryFigures RetransmissionTracker::Total() const {
  RetryFigures total;
  for (const RetryFigures& f : lines_) {
    total.after_ack += f.after_ack;
    total.after_nack += f.after_nack;
    total.after_fault += f.after_fault;
    total.first_repeat_ms.insert(total.first_repeat_ms.end(), f.first_repeat_ms.begin(),
                                 f.first_repeat_ms.end());
    total.most_attempts = std::max(total.most_attempts, f.most_attempts);
    total.given_up += f.given_up;
  }
  return total;
}

std::vector<OutageFigures> RetransmissionTracker::Outages(
    const std::vector<OutageWindow>& windows) const {
  std::vector<OutageFigures> result;
  for (const OutageWindow& window : windows) {
    OutageFigures o;
    o.start_tick = window.start_tick;
    o.duration_ms = window.duration_ms;
    int newest = 0;  // the newest sequence since the start
    int lowest = 0;
    std::vector<bool> seen(kSequenceCycle + 1, false);
    for (const Attempt& a : attempts_) {
      const std::int32_t since = Since(a.tick, window.start_tick);
      if (since < 0) continue;
      if (since < static_cast<std::int32_t>(window.duration_ms)) {
        ++o.during;
      } else {
        if (o.after == 0) o.first_after_ms = since - static_cast<std::int32_t>(window.duration_ms);
        ++o.after;
      }
      const auto at = static_cast<std::size_t>(a.sequence);
      if (!seen[at] && a.sequence < newest) o.in_order = false;
      seen[at] = true;
      newest = std::max(newest, a.sequence);
      if (lowest == 0 || a.sequence < lowest) lowest = a.sequence;
    }
    for (int n = lowest; n != 0 && n < newest && o.missing.size() < kListedLimit; ++n) {
      if (!seen[static_cast<std::size_t>(n)]) o.missing.push_back(n);
    }
    result.push_back(o);
  }
  return result;
}

std::string RetransmissionText(const RetransmissionTracker& tracker,
                               const std::vector<OutageFigures>& outages) {
  std::string text = "retransmissions: " + FiguresText(tracker.Total()) + "\n";
  for (std::size_t i = 0; i < kLineCount; ++i) {
    const RetryFigures& f = tracker.Lines()[i];
    if (f.Repeats() == 0 && f.given_up == 0 && f.lost_sequences.empty()) continue;
    char line[16];
    std::snprintf(line, sizeof line, "  line %02zu: ", i + 1);
    text += line + FiguresText(f) + "\n";
  }
  for (std::size_t i = 0; i < outages.size(); ++i) {
    const OutageFigures& o = outages[i];
    text +=
        "outage " + std::to_string(i + 1) + " (" + std::to_string(o.duration_ms) +
        " ms): frames during " + std::to_string(o.during) + ", after " + std::to_string(o.after) +
        ", first after " +
        (o.first_after_ms < 0 ? std::string("none") : std::to_string(o.first_after_ms) + " ms") +
        ", in order " + (o.in_order ? "yes" : "no") + ", never came " +
        (o.missing.empty() ? std::string("none") : Joined(o.missing, Seq, " ")) + "\n";
  }
  return text;
}

Json RetransmissionJson(const RetransmissionTracker& tracker,
                        const std::vector<OutageFigures>& outages) {
  Json json = FiguresJson(tracker.Total());
  json["lines"] = Json::array();
  for (std::size_t i = 0; i < kLineCount; ++i) {
    const RetryFigures& f = tracker.Lines()[i];
    if (f.Repeats() == 0 && f.given_up == 0 && f.lost_sequences.empty()) continue;
    Json line = {{"line", i + 1}};
    line.update(FiguresJson(f));
    json["lines"].push_back(line);
  }
  json["outages"] = Json::array();
  for (const OutageFigures& o : outages) {
    json["outages"].push_back(
        Json{{"duration_ms", o.duration_ms},
             {"frames_during", o.during},
             {"frames_after", o.after},
             {"first_after_ms", o.first_after_ms < 0 ? Json() : Json(o.first_after_ms)},
             {"in_order", o.in_order},
             {"never_came", SeqList(o.missing)}});
  }
  return json;
}

std::string RetransmissionJUnit(const RetransmissionTracker& tracker,
                                const std::vector<OutageFigures>& outages, std::int64_t received,
                                std::int64_t dropped, double seconds) {
  std::vector<std::string> cases;
  std::string answers;
  const std::int64_t nacked = tracker.PlainNacks();
  if (nacked > 0 || dropped > 0) {
    answers = std::to_string(nacked) + " of " + std::to_string(received) +
              " frames NACKed for their checksum, " + std::to_string(dropped) + " dropped";
  }
  cases.push_back(TestCase("answers", answers));
  for (std::size_t i = 0; i < kLineCount; ++i) {
    const RetryFigures& f = tracker.Lines()[i];
    if (f.most_attempts == 0 && f.Repeats() == 0 && f.given_up == 0) continue;
    char name[64];
    std::snprintf(name, sizeof name, "line %02zu: no sequence number lost", i + 1);
    cases.push_back(TestCase(
        name, f.lost_sequences.empty() ? "" : "lost " + Joined(f.lost_sequences, Seq, " ")));
  }
  for (std::size_t i = 0; i < outages.size(); ++i) {
    cases.push_back(
        TestCase("outage " + std::to_string(i + 1) + ": every frame delivered, in order",
                 OutageFailure(outages[i])));
  }
  std::size_t failures = 0;
  for (const std::string& c : cases) failures += c.find("<failure") != std::string::npos;
  char head[200];
  std::snprintf(head, sizeof head,
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"v7400\" "
                "tests=\"%zu\" failures=\"%zu\" errors=\"0\" time=\"%.3f\">\n",
                cases.size(), failures, seconds);
  std::string xml = head;
  for (const std::string& c : cases) xml += c;
  return xml + "</testsuite>\n";
}

bool RetransmissionFailed(const RetransmissionTracker& tracker,
                          const std::vector<OutageFigures>& outages) {
  for (const RetryFigures& f : tracker.Lines()) {
    if (!f.lost_sequences.empty()) return true;
  }
  return std::any_of(outages.begin(), outages.end(),
                     [](const OutageFigures& o) { return !o.in_order || !o.missing.empty(); });
}

}  // namespace v7400
