// The load tool's own checks: if these are wrong, every benchmark figure is wrong with them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace loadgen
