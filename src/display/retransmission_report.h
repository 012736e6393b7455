// The receiver's retransmissions as the run reports them: text lines for the summary, the JSON
// summary's "retransmissions" object, and the JUnit XML a CI server reads. The verdicts judge
// the receiver: an event given up, a sequence number lost, an outage not delivered whole and in
// order, a frame NACKed for its own checksum or dropped. A fault the run made on purpose never
// fails it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/json_text.h"
#include "display/receiver_ledger.h"

namespace v7400 {

// What the answers case judges: frames the receiver spoiled itself.
struct AnswerCounts {
  std::int64_t received = 0;
  std::int64_t nacked_own = 0;  // for their own checksum
  std::int64_t dropped = 0;
  std::vector<std::string> sequences;  // of those frames, the first few
};

std::string RetransmissionText(const LedgerReport& report);
Json RetransmissionJson(const LedgerReport& report);

// One test case of the suite, failed when `message` is set.
struct VerdictCase {
  std::string name;
  std::string type;     // what kind of failure
  std::string message;  // the measured value beside the expected one
  std::string body;     // the sequence numbers concerned
  bool Failed() const { return !message.empty(); }
};

// The answers; per line with traffic, nothing lost and nothing given up; per outage, delivered
// whole and in order.
std::vector<VerdictCase> RetransmissionVerdicts(const LedgerReport& report,
                                                const AnswerCounts& answers);
std::string RetransmissionJUnit(const std::vector<VerdictCase>& cases, const std::string& suite,
                                double seconds);
bool AnyFailed(const std::vector<VerdictCase>& cases);

}  // namespace v7400
