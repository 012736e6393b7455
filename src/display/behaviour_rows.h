// The receiver behaviour window's tables as texts: per line with traffic how the receiver
// retried, with the total last, and per outage what became of it, the newest last.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "display/receiver_ledger.h"

namespace v7400 {

using TextRow = std::vector<std::string>;

inline constexpr std::array<const char*, 13> kLineColumns = {
    "line",          "events",     "attempts",   "after ACK",  "after NACK",
    "after missing", "1st repeat", "2nd repeat", "3rd repeat", "4th+ repeat",
    "most attempts", "given up",   "lost"};
inline constexpr std::array<const char*, 9> kOutageColumns = {
    "outage",        "state", "frames during", "after",     "first after (ms)",
    "recovery (ms)", "whole", "in order",      "never came"};
// The outages the table shows, the most recent.
inline constexpr std::size_t kShownOutages = 50;

// The outage under way: its number and the milliseconds it has left.
using OutageUnderWay = std::optional<std::pair<int, std::uint32_t>>;

// "01" .. "32" for each line with events, then "total".
std::vector<TextRow> LineRows(const LedgerReport& report);
// The last kShownOutages of `outages`; the one `running` names is "running, N s left".
std::vector<TextRow> OutageRows(const std::vector<OutageFigures>& outages,
                                const OutageUnderWay& running);

}  // namespace v7400
