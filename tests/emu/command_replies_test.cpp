#include "command_replies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/frame.h"
#include "event_frames.h"
#include "stream_splitter.h"

namespace v7400::emu {
namespace {

std::string Sia(const std::string& sequence, const std::string& line, const std::string& data) {
  return WrapSiaBody("\t" + sequence + "01" + line + "[" + data + "]");
}

TEST(CommandReplies, TellsAnswersFromCommands) {
  struct Case {
    std::string frame;
    FrameFormat format;
    IncomingKind kind;
    std::string command;
    std::string line;
  };
  std::string spoiled = Sia("0001", "05", "CMD01");
  spoiled[2] = spoiled[2] == '0' ? '1' : '0';
  const std::vector<Case> cases = {
      {"\x0A"
       "47D40B\t00010100[]\x0D",
       FrameFormat::kSia, IncomingKind::kAnswer, "", "00"},
      {Sia("0000", "07", ""), FrameFormat::kSia, IncomingKind::kAnswer, "", "07"},
      {Sia("0001", "05", "CMD01"), FrameFormat::kSia, IncomingKind::kCommand, "CMD01", "05"},
      {Sia("0001", "05", "CMD0A10"), FrameFormat::kSia, IncomingKind::kCommand, "CMD0A", "05"},
      {Sia("0001", "12", "CSE1234"), FrameFormat::kSia, IncomingKind::kCommand, "CSE", "12"},
      {Sia("0001", "03", std::string("CMD0B") + "\x68\x5D\x0D"), FrameFormat::kSia,
       IncomingKind::kCommand, "CMD0B", "03"},
      {spoiled, FrameFormat::kSia, IncomingKind::kOther, "", ""},
      {"\x0A"
       "12",
       FrameFormat::kSia, IncomingKind::kOther, "", ""},
      {"\x06", FrameFormat::k4100, IncomingKind::kAnswer, "", ""},
      {"\x15", FrameFormat::k4100, IncomingKind::kAnswer, "", ""},
      {"!T0905\x0D", FrameFormat::k4100, IncomingKind::kCommand, "!T", ""},
      {"hello\x0D", FrameFormat::k4100, IncomingKind::kOther, "", ""},
  };
  for (const Case& c : cases) {
    const Incoming in = Classify(c.frame, c.format);
    EXPECT_EQ(in.kind, c.kind) << c.frame;
    EXPECT_EQ(in.command, c.command) << c.frame;
    if (c.kind != IncomingKind::kOther && c.format == FrameFormat::kSia) {
      EXPECT_EQ(in.line, c.line);
    }
  }
}

// Feeds the commands of one exchange and returns what the receiver sends back, in order:
// acceptances as "AAAA <line>" and reports as "<line> <data>".
std::vector<std::string> Exchange(const EmuOptions& options,
                                  const std::vector<std::string>& commands) {
  CommandReplies replies(options);
  std::vector<std::string> out;
  auto drain = [&] {
    while (replies.HasReport()) {
      const PendingReport r = replies.TakeReport();
      out.push_back(r.line + " " + r.data);
    }
  };
  drain();
  for (const std::string& frame : commands) {
    const std::string accepted = replies.OnCommand(Classify(frame, options.format));
    if (!accepted.empty()) {
      EXPECT_EQ(accepted.substr(8, 4), "AAAA");
      out.push_back("AAAA " + accepted.substr(14, 2));
    }
    drain();
  }
  return out;
}

TEST(CommandReplies, AnswersTheProgrammingAndRecyclingExchanges) {
  EmuOptions options;
  options.lines = {"07"};
  const std::vector<std::string> programming =
      Exchange(options, {Sia("0001", "07", "CMD08"), Sia("0001", "07", "CMD0B\x68\x08"),
                         Sia("0001", "07", "CMD0B\x68\x05"), Sia("0001", "07", "CMD0C")});
  EXPECT_EQ(programming,
            (std::vector<std::string>{"AAAA 07", "07 NLC06", "AAAA 07", "AAAA 07", "AAAA 07"}));

  options.recycle = true;
  const std::vector<std::string> recycling =
      Exchange(options, {Sia("0001", "07", "CMD08"), Sia("0001", "07", "CMD09"),
                         Sia("0001", "05", "CMD03"), Sia("0001", "07", "CMD03")});
  EXPECT_EQ(recycling, (std::vector<std::string>{"07 NLF", "AAAA 07", "07 NLC03", "AAAA 07",
                                                 "07 NLC04", "AAAA 05", "AAAA 07", "07 NLC03"}));

  options.recycle = false;
  options.format = FrameFormat::k4100;
  CommandReplies plain(options);
  EXPECT_EQ(plain.OnCommand(Classify("!T0905\x0D", options.format)), "");
  EXPECT_EQ(plain.CommandsByKind().at("!T"), 1);
}

TEST(StreamSplitter, CutsFramesHoweverTheBytesArrive) {
  const std::string ack =
      "\x0A"
      "47D40B\t00010100[]\x0D";
  const std::string long_body = Sia("0001", "05", "CMD0B" + std::string(300, '\x0D'));
  ASSERT_EQ(long_body.substr(5, 3), "13C");  // three-digit length
  const std::string stream = "noise" + ack +
                             "\x0A"
                             "ZZ" +
                             long_body + ack;

  for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, stream.size()}) {
    StreamSplitter splitter(true);
    for (std::size_t i = 0; i < stream.size(); i += piece) {
      splitter.Feed(std::string_view(stream).substr(i, piece));
    }
    EXPECT_EQ(splitter.TakeFrames(), (std::vector<std::string>{ack, long_body, ack}))
        << "pieces of " << piece;
    EXPECT_EQ(splitter.Pending(), 0u);
  }

  StreamSplitter plain(false);
  plain.Feed("\x06!T0905\x0D\xA7\x15!D0307");  // a noise byte between the answers
  EXPECT_EQ(plain.TakeFrames(), (std::vector<std::string>{"\x06", "!T0905\x0D", "\x15"}));
  EXPECT_EQ(plain.Pending(), 6u);
}

TEST(EventSource, BuildsEventsAndTheirExactAnswers) {
  EmuOptions options;
  options.lines = {"05", "32"};
  options.bad_crc_every = 2;
  options.aaaa_every = 3;
  EventSource source(options);
  const EventFrame first = source.Next();
  EXPECT_EQ(first.bytes, Sia("0001", "05", "#1234|NBA05"));
  EXPECT_EQ(source.ExpectedAck(first), Sia("0001", "05", ""));
  EXPECT_EQ(source.ExpectedNack(first), Sia("0000", "05", ""));
  const EventFrame second = source.Next();
  EXPECT_TRUE(second.spoiled);
  EXPECT_EQ(second.intact, Sia("0002", "32", "#1234|NBA05"));
  EXPECT_NE(second.bytes, second.intact);
  EXPECT_EQ(second.bytes.substr(2), second.intact.substr(2));
  const EventFrame third = source.Next();
  EXPECT_TRUE(third.expect_silence);
  EXPECT_EQ(third.sequence, "AAAA");
  EXPECT_EQ(source.Next().sequence, "0003");  // silence takes no sequence number

  options.format = FrameFormat::k4100;
  EventSource plain(options);
  const EventFrame frame = plain.Next();
  EXPECT_EQ(frame.bytes.back(), '\x14');
  EXPECT_EQ(plain.ExpectedAck(frame), "\x06");
}

}  // namespace
}  // namespace v7400::emu
