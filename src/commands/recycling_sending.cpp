#include "commands/recycling_sending.h"

#include <string_view>

#include "commands/number_text.h"

namespace v7400 {

namespace {

constexpr char kRoundsLabel[] = "Total Sent Rounds:";

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

void RecyclingSending::Disarm() {
  armed_ = false;
  line_text_.clear();
}

void RecyclingSending::Start(const std::string& line_field) {
  const std::string line = TwoDigits(IntegerOr(line_field, 1));
  line_text_ = line;
  cycle_ = {TCommand{CommandKind::RemoteProgram, line, "CMD08"},
            TCommand{CommandKind::HighLevel, line, "CMD09"},
            TCommand{CommandKind::HighLevel, line, "CMD03"},
            TCommand{CommandKind::HighLevel, line, "CMD01"}};
  panel_.SetEnabled(PanelControl::btnStopBatch, true);
  panel_.SetEnabled(PanelControl::btnStartSend, false);
  sender_.SendCommand(cycle_[0]);
  index_ = 1;
  rounds_ = 0;
  panel_.SetCaption(PanelControl::lbl_recycling, std::string(kRoundsLabel) + " 0");
}

bool RecyclingSending::OnReceived(const std::string& entry, const std::string& line_text,
                                  const std::string& line_field) {
  if (armed_ && (Contains(entry, "[NLC03") || Contains(entry, "[NLC04")) && !line_text_.empty() &&
      line_text == line_text_) {
    ++index_;
    if (index_ > 4) {
      index_ = 1;
    } else if (index_ == 4) {
      ++rounds_;
      panel_.SetCaption(PanelControl::lbl_recycling, kRoundsLabel + std::to_string(rounds_));
    }
    sender_.SendCommand(cycle_[static_cast<std::size_t>(index_ - 1)]);
  }
  if (!armed_ || !Contains(entry, "[NLF")) return false;
  const std::optional<int> selected = IntegerOf(line_field);
  const std::optional<int> reported = IntegerOf(line_text);
  return selected && reported && *selected == *reported;
}

}  // namespace v7400
