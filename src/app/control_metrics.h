// The run's figures in the Prometheus text format (version 0.0.4): frames by direction, verdict
// and line, the receiver's repeats, give-ups and lost numbers, its retry intervals, the
// program's own answer times, and the faults and outage acting.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/receiver_ledger.h"
#include "display/traffic_metrics.h"
#include "protocol/fault_rule.h"

namespace v7400 {

struct MetricsFigures {
  const TrafficMetrics& traffic;
  const LedgerReport& ledger;
  const std::vector<FaultRule>& rules;
  bool outage = false;  // an outage silences the answers now
  std::int64_t outages_started = 0;
};

std::string MetricsText(const MetricsFigures& figures);

// Upper bounds of the retry-interval buckets, in milliseconds.
inline constexpr std::uint32_t kRetryBoundsMs[] = {100,  250,   500,   1000,  2000, 3000,
                                                   5000, 10000, 20000, 30000, 60000};

}  // namespace v7400
