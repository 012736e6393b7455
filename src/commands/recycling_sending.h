// Recycling sending: a fixed cycle of four commands on one line, paced by the receiver. It
// starts when the receiver reports "[NLF" for the selected line and moves on at each "[NLC03"
// or "[NLC04" of that line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "commands/command_sender.h"
#include "commands/command_views.h"

namespace v7400 {

inline constexpr char kStopRecyclingCaption[] = "Stop Recycling Sending";

class RecyclingSending {
 public:
  RecyclingSending(CommandPanelView& panel, CommandSender& sender)
      : panel_(panel), sender_(sender) {}

  bool Armed() const { return armed_; }
  void Arm() { armed_ = true; }
  // A disarmed cycle sends nothing more, and a new arming waits for the next "[NLF".
  void Disarm();

  // Sends the first command of the cycle to the line in the command page's line field.
  void Start(const std::string& line_field);
  // The recycling triggers for a received packet of line text t (not "00"). Sends the next
  // command of a running cycle; returns true when the packet asks for the cycle to (re)start.
  bool OnReceived(const std::string& entry, const std::string& line_text,
                  const std::string& line_field);

  const std::array<TCommand, 4>& Cycle() const { return cycle_; }
  const std::string& LineText() const { return line_text_; }
  int Index() const { return index_; }
  std::int64_t Rounds() const { return rounds_; }

 private:
  CommandPanelView& panel_;
  CommandSender& sender_;
  bool armed_ = false;
  std::array<TCommand, 4> cycle_;
  std::string line_text_;
  int index_ = 1;
  std::int64_t rounds_ = 0;
};

}  // namespace v7400
