// The load tool's own checks: if these are wrong, every benchmark figure is wrong with them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "exchange.h"
#include "sia_exchange.h"

namespace loadgen {
namespace {

TEST(LoadGenAck, MatchesTheWorkedExampleAndCarriesTheFramesAddress) {
  const std::string start_values = EventFrame("0001", "00");
  EXPECT_EQ(AckFor(start_values), "\n47D40B\t00010100[]\r");
  const std::string ack = AckFor(EventFrame("4711", "31"));
  EXPECT_EQ(ack.substr(7), "\t47110131[]\r");
  EXPECT_EQ(SequenceOf(ack), "4711");
  EXPECT_EQ(AckFor("\n1234"), "");
  EXPECT_EQ(SequenceOf("\n1234"), std::nullopt);
}

TEST(LoadGenSequence, RunsThroughEveryNumberButTheNackAndNeverAckedOnes) {
  const std::vector<std::pair<long, std::string>> cases = {
      {1, "0001"}, {9999, "9999"}, {10000, "0001"}, {19998, "9999"}, {19999, "0001"}};
  for (const auto& [index, text] : cases) EXPECT_EQ(SequenceText(index), text) << index;
}

std::vector<std::string> Cut(const std::string& stream, std::size_t piece) {
  SiaStream cutter;
  std::vector<std::string> frames;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    cutter.Append(stream.substr(at, piece));
    while (auto frame = cutter.Next()) frames.push_back(*frame);
  }
  return frames;
}

TEST(LoadGenStream, FindsEachFrameHoweverTheBytesArriveAndSkipsWhatIsNoFrame) {
  const std::string a = AckFor(EventFrame("0001", "05"));
  const std::string b = EventFrame("0002", "06");
  struct Case {
    const char* what;
    std::string stream;
    std::vector<std::string> frames;
  };
  std::string bad_end = a;
  bad_end.back() = 'X';
  const std::vector<Case> cases = {
      {"back to back", a + b + a, {a, b, a}},
      {"noise around", "\x06zz" + a + "\r\r" + b, {a, b}},
      {"wrong end byte resyncs", bad_end + b, {b}},
      {"length no hex", "\n1234ZZ" + a, {a}},
      {"unfinished tail", a + b.substr(0, 10), {a}},
  };
  for (const Case& c : cases) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, c.stream.size()}) {
      EXPECT_EQ(Cut(c.stream, piece), c.frames) << c.what << ", pieces of " << piece;
    }
  }
}

TEST(LoadGenLatency, NearestRankPercentiles) {
  std::vector<double> hundred;
  for (int i = 100; i >= 1; --i) hundred.push_back(i);
  std::vector<double> one = {42};
  std::vector<double> none;
  const LatencySummary h = Summarise(hundred);
  EXPECT_EQ(h.p50_us, 50);
  EXPECT_EQ(h.p99_us, 99);
  EXPECT_EQ(h.max_us, 100);
  const LatencySummary o = Summarise(one);
  EXPECT_EQ(o.p50_us, 42);
  EXPECT_EQ(o.p99_us, 42);
  EXPECT_EQ(Summarise(none).max_us, 0);
}

// A target whose answers the test writes; a pipe makes them visible to poll().
class ScriptedLink : public Link {
 public:
  using Script = std::function<std::vector<std::string>(const std::string& frame)>;
  ScriptedLink(Script script, bool reverse_batches)
      : script_(std::move(script)), reverse_(reverse_batches) {
    EXPECT_EQ(pipe2(fds_, O_NONBLOCK), 0);
  }
  ~ScriptedLink() override {
    close(fds_[0]);
    close(fds_[1]);
  }
  int Descriptor() const override { return fds_[0]; }
  bool Send(const std::string& frame) override { return SendAll({frame}); }
  bool SendAll(const std::vector<std::string>& frames) override {
    std::vector<std::string> order = frames;
    if (reverse_) std::reverse(order.begin(), order.end());
    for (const std::string& frame : order) {
      for (std::string& answer : script_(frame)) queued_.push_back(std::move(answer));
    }
    return write(fds_[1], "x", 1) == 1;
  }
  std::vector<std::string> ReadAvailable() override {
    char drain[64];
    while (read(fds_[0], drain, sizeof drain) > 0) {
    }
    return std::exchange(queued_, {});
  }

 private:
  Script script_;
  bool reverse_;
  int fds_[2] = {-1, -1};
  std::vector<std::string> queued_;
};

TEST(LoadGenExchange, CountsEachAnswerForWhatItIs) {
  const auto ack = [](const std::string& f) { return std::vector<std::string>{AckFor(f)}; };
  const auto other_line = [](const std::string& f) {
    return std::vector<std::string>{AckFor(EventFrame(*SequenceOf(f), "06"))};
  };
  const auto twice = [](const std::string& f) {
    return std::vector<std::string>{AckFor(f), AckFor(f)};
  };
  const auto garbage_first = [](const std::string& f) {
    return std::vector<std::string>{"\x06", AckFor(f)};
  };
  const auto bytewise = [](const std::string& f) {
    std::vector<std::string> bytes;
    for (char c : AckFor(f)) bytes.emplace_back(1, c);
    return bytes;
  };
  struct Case {
    const char* what;
    ScriptedLink::Script script;
    Mode mode;
    bool stream;
    bool reverse;
    long answered, wrong, unexpected;
  };
  constexpr long kFrames = 200;
  const std::vector<Case> cases = {
      {"exact ACKs", ack, Mode::kStopAndWait, false, false, kFrames, 0, 0},
      {"ACK for another line", other_line, Mode::kStopAndWait, false, false, 0, kFrames, 0},
      {"every ACK twice", twice, Mode::kWindow, false, false, kFrames, 0, kFrames},
      {"noise before each ACK", garbage_first, Mode::kPaced, false, false, kFrames, 0, kFrames},
      {"ACKs out of order", ack, Mode::kWindow, false, true, kFrames, 0, 0},
      {"serial bytes one by one", bytewise, Mode::kWindow, true, false, kFrames, 0, 0},
  };
  for (const Case& c : cases) {
    ScriptedLink link(c.script, c.reverse);
    Options options;
    options.mode = c.mode;
    options.count = kFrames;
    options.rate = 1e6;
    const Result result = Exchange(link, c.stream, options).Run();
    EXPECT_EQ(result.sent, kFrames) << c.what;
    EXPECT_EQ(result.answered, c.answered) << c.what;
    EXPECT_EQ(result.wrong, c.wrong) << c.what;
    EXPECT_EQ(result.unexpected, c.unexpected) << c.what;
    EXPECT_EQ(result.Lost(), c.wrong) << c.what;
    EXPECT_EQ(result.latencies_us.size(), static_cast<std::size_t>(c.answered)) << c.what;
  }
}

}  // namespace
}  // namespace loadgen
