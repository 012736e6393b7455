#include "display/behaviour_rows.h"

namespace v7400 {

namespace {

// Never-came lists name this many numbers; more are counted first.
constexpr std::size_t kNamedNumbers = 4;

std::string Padded(std::size_t number, std::size_t width) {
  std::string text = std::to_string(number);
  return std::string(text.size() < width ? width - text.size() : 0, '0') + text;
}

std::string Spread(const IntervalSpread& spread) {
  if (spread.Count() == 0) return "-";
  return std::to_string(spread.Min()) + "/" + std::to_string(spread.Median()) + "/" +
         std::to_string(spread.Max()) + " ms";
}

std::string YesNo(bool yes) { return yes ? "yes" : "no"; }

std::string Millis(std::int64_t ms) { return ms < 0 ? "-" : std::to_string(ms); }

TextRow FiguresRow(std::string name, const RetryFigures& f, bool numbered) {
  TextRow row = {std::move(name),
                 std::to_string(f.events),
                 std::to_string(f.attempts),
                 std::to_string(f.after_ack),
                 std::to_string(f.after_nack),
                 std::to_string(f.after_fault)};
  for (const IntervalSpread& spread : f.intervals) row.push_back(Spread(spread));
  row.push_back(std::to_string(f.most_attempts));
  row.push_back(std::to_string(f.given_up));
  row.push_back(numbered ? std::to_string(f.lost) : "-");
  return row;
}

std::string NeverCame(const std::optional<std::vector<int>>& numbers) {
  if (!numbers) return "-";
  if (numbers->empty()) return "none";
  std::string text;
  for (std::size_t i = 0; i < numbers->size() && i < kNamedNumbers; ++i) {
    text += (i == 0 ? "" : " ") + Padded(static_cast<std::size_t>((*numbers)[i]), 4);
  }
  if (numbers->size() <= kNamedNumbers) return text;
  return std::to_string(numbers->size()) + ": " + text + " ...";
}

std::string State(const OutageFigures& outage, const OutageUnderWay& running) {
  if (!running || running->first != outage.number) return "done";
  return "running, " + std::to_string((running->second + 999) / 1000) + " s left";
}

}  // namespace

std::vector<TextRow> LineRows(const LedgerReport& report) {
  std::vector<TextRow> rows;
  for (std::size_t i = 0; i < report.lines.size(); ++i) {
    if (report.lines[i].events > 0) {
      rows.push_back(FiguresRow(Padded(i + 1, 2), report.lines[i], report.numbered));
    }
  }
  rows.push_back(FiguresRow("total", report.total, report.numbered));
  return rows;
}

std::vector<TextRow> OutageRows(const std::vector<OutageFigures>& outages,
                                const OutageUnderWay& running) {
  std::vector<TextRow> rows;
  const std::size_t first = outages.size() > kShownOutages ? outages.size() - kShownOutages : 0;
  for (std::size_t i = first; i < outages.size(); ++i) {
    const OutageFigures& o = outages[i];
    rows.push_back({std::to_string(o.number), State(o, running), std::to_string(o.during),
                    std::to_string(o.after), Millis(o.first_after_ms), Millis(o.recovery_ms),
                    YesNo(o.whole), o.in_order ? YesNo(*o.in_order) : "not known",
                    NeverCame(o.never_came)});
  }
  return rows;
}

}  // namespace v7400
