#include "app/line_counter.h"

#include <stdexcept>

namespace v7400 {

namespace {

bool IsFeedback(const std::string& entry) {
  for (const char* mark : {"[NL", "[REJECT", "]AAAA", "]NNNN"}) {
    if (entry.find(mark) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

void LineCounter::UpdateLineOnReceive(const std::string& entry, const std::string& line_text) {
  if (line_text != "00") {
    try {
      if (TLine* line = FindLine(state_, ParseLineNumber(line_text))) {
        ++(IsFeedback(entry) ? line->FeedbacksReceived : line->EventsReceived);
      }
    } catch (const std::invalid_argument&) {
      // A line field the receiver filled otherwise is not counted.
    }
  }
  if (refresh_) refresh_();
}

void LineCounter::SendCommand(const TCommand& /*command*/) {
  throw std::logic_error("Input commands are not available");
}

void LineCounter::BuildProgramQueue(int /*line*/) {}

std::string LineCounter::NextProgramItem(int /*line*/) { return {}; }

}  // namespace v7400
