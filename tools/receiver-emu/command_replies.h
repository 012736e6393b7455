// How the receiver answers what the simulator sends: acknowledgements are told apart from
// commands; each SIA command is accepted with an "AAAA" frame, a remote-program request is
// followed by the "ready" report, and in recycling the commands of the recycling line are
// followed by "[NLC03" / "[NLC04" reports.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "emu_options.h"

namespace v7400::emu {

enum class IncomingKind { kAnswer, kCommand, kOther };

struct Incoming {
  IncomingKind kind = IncomingKind::kOther;
  std::string line;     // SIA: the header's line field
  std::string command;  // e.g. "CMD08", "CSD", "!T"
};

// SIA frames with a good checksum and data "[]" are answers; other good SIA frames are commands.
// In "4100" a lone 0x06 or 0x15 is an answer and a "!" frame a command.
Incoming Classify(std::string_view frame, FrameFormat format);

// A report the receiver owes the simulator: an event on `line` carrying `data`.
struct PendingReport {
  std::string line;
  std::string data;
};

class CommandReplies {
 public:
  explicit CommandReplies(const EmuOptions& options);

  // The frame that accepts the command at once (empty in "4100", which has no acceptance),
  // and any report it calls for is queued.
  std::string OnCommand(const Incoming& command);

  bool HasReport() const { return !reports_.empty(); }
  PendingReport TakeReport();

  const std::map<std::string, long long>& CommandsByKind() const { return by_kind_; }

 private:
  const EmuOptions& options_;
  std::deque<PendingReport> reports_;
  std::map<std::string, long long> by_kind_;
  int recycle_reports_ = 0;
};

}  // namespace v7400::emu
