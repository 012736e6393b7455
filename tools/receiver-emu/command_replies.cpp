#include "command_replies.h"

#include "codec/crc16.h"
#include "codec/frame.h"

namespace v7400::emu {
namespace {

constexpr std::string_view kProgramRequest = "CMD08";

bool ValidSia(std::string_view frame) {
  if (frame.size() < 9 || frame.front() != '\x0A' || frame.back() != '\x0D') return false;
  const std::size_t body_start = frame[7] == '\t' ? 7 : 8;
  const std::string_view body = frame.substr(body_start, frame.size() - body_start - 1);
  return frame.substr(1, 4) == Hex4(Crc16(body));
}

std::string CommandName(std::string_view data) {
  if (data.substr(0, 3) == "CMD") return std::string(data.substr(0, 5));
  return std::string(data.substr(0, 3));
}

}  // namespace

Incoming Classify(std::string_view frame, FrameFormat format) {
  Incoming in;
  if (format == FrameFormat::k4100) {
    if (frame == "\x06" || frame == "\x15") {
      in.kind = IncomingKind::kAnswer;
    } else if (frame.size() >= 2 && frame[0] == '!') {
      in.kind = IncomingKind::kCommand;
      in.command = std::string(frame.substr(0, 2));
    }
    return in;
  }
  if (!ValidSia(frame)) return in;
  const std::size_t body = frame[7] == '\t' ? 7 : 8;
  in.line = std::string(frame.substr(body + 7, 2));
  const std::size_t open = body + 9;
  if (frame.size() < open + 3 || frame[open] != '[') return in;
  const std::string_view data = frame.substr(open + 1, frame.size() - open - 3);
  if (data.empty()) {
    in.kind = IncomingKind::kAnswer;
    return in;
  }
  in.kind = IncomingKind::kCommand;
  in.command = CommandName(data);
  return in;
}

CommandReplies::CommandReplies(const EmuOptions& options) : options_(options) {
  if (options.recycle) reports_.push_back({options.lines.front(), "NLF"});
}

std::string CommandReplies::OnCommand(const Incoming& command) {
  ++by_kind_[command.command];
  if (options_.format == FrameFormat::k4100) return {};
  if (options_.recycle && command.line == options_.lines.front()) {
    reports_.push_back({command.line, recycle_reports_++ % 2 == 0 ? "NLC03" : "NLC04"});
  } else if (command.command == kProgramRequest) {
    reports_.push_back({command.line, "NLC06"});
  }
  return WrapSiaBody("\t" + std::string(kNeverAckedSequence) + options_.receiver + command.line +
                     "[]");
}

PendingReport CommandReplies::TakeReport() {
  PendingReport report = reports_.front();
  reports_.pop_front();
  return report;
}

}  // namespace v7400::emu
