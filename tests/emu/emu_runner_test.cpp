#include "emu_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "codec/frame.h"

namespace v7400::emu {
namespace {

using Clock = EmuRunner::Clock;

// An automatic simulator that runs a recycling cycle on the emulator's line: every event and
// report gets its ACK at once, and each "[NL" report is followed by the next command, until
// `commands` have gone out. Its pipe is readable whenever an answer waits.
class InstantSimulator : public EmuLink {
 public:
  explicit InstantSimulator(int commands) : commands_left_(commands) {
    EXPECT_EQ(pipe2(pipe_, O_NONBLOCK), 0);
  }
  ~InstantSimulator() override {
    close(pipe_[0]);
    close(pipe_[1]);
  }
  bool Send(const std::string& frame) override {
    const std::string sequence = frame.substr(8, 4);
    const std::string line = frame.substr(14, 2);
    if (sequence == kNeverAckedSequence) return true;  // the acceptance of a command
    sent_at.push_back(Clock::now());
    waiting_.push_back(WrapSiaBody("\t" + sequence + "01" + line + "[]"));
    if (frame.substr(16, 4) == "[NLF" || frame.substr(16, 4) == "[NLC") {
      if (commands_left_-- > 0) waiting_.push_back(WrapSiaBody("\t000101" + line + "[CMD03]"));
    }
    return write(pipe_[1], "x", 1) == 1;
  }
  std::vector<std::string> ReadFrames() override {
    char drain[64];
    while (read(pipe_[0], drain, sizeof drain) > 0) {
    }
    return std::exchange(waiting_, {});
  }
  int Fd() const override { return pipe_[0]; }
  std::string Description() const override { return "instant simulator"; }

  std::vector<Clock::time_point> sent_at;  // events and reports

 private:
  int pipe_[2] = {-1, -1};
  int commands_left_;
  std::vector<std::string> waiting_;
};

TEST(EmuRunner, RateKeepsRecyclingReportsInStepWithTheEvents) {
  EmuOptions options;
  options.lines = {"07"};
  options.recycle = true;
  options.count = 3;
  options.rate = 100;
  InstantSimulator simulator(4);
  const std::atomic<bool> stop{false};
  const Clock::time_point before = Clock::now();
  const EmuStats stats = EmuRunner(options, simulator, stop).Run();

  // "[NLF", three events and four "[NLC" reports, each acknowledged.
  EXPECT_EQ(stats.acked, 8);
  EXPECT_EQ(stats.accepted, 4);
  ASSERT_EQ(simulator.sent_at.size(), 8u);
  // The k-th frame of any kind never leaves before k / rate.
  for (std::size_t k = 0; k < simulator.sent_at.size(); ++k) {
    // (less a microsecond for the rounding of the schedule)
    EXPECT_GE(simulator.sent_at[k] - before,
              std::chrono::milliseconds(10 * k) - std::chrono::microseconds(1))
        << k;
  }
}

}  // namespace
}  // namespace v7400::emu
