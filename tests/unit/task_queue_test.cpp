#include "core/task_queue.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_clock.h"

namespace v7400 {
namespace {

// The earliest first, equal times as given, across the tick's wrap; a bounded number waiting.
TEST(TaskQueueTest, ServesTheEarliestFirstWithinItsBound) {
  testing::FakeClock clock;
  clock.tick = 0xFFFFFF00U;  // wraps 256 ms from now
  TaskQueue queue(clock, 4);
  std::string ran;
  const auto task = [&ran](char name) { return [&ran, name] { ran += name; }; };
  EXPECT_TRUE(queue.Push(3000, task('c')));
  EXPECT_TRUE(queue.Push(300, task('a')));
  EXPECT_TRUE(queue.Push(300, task('b')));
  EXPECT_TRUE(queue.Push(5000, task('d')));
  EXPECT_FALSE(queue.Push(1, task('x')));  // full
  EXPECT_EQ(queue.MsToNext(), 300);
  clock.tick += 299;
  EXPECT_EQ(queue.RunDue(10), 0U);
  clock.tick += 1;
  EXPECT_EQ(queue.RunDue(1), 1U);  // one per turn when asked
  EXPECT_EQ(queue.RunDue(10), 1U);
  EXPECT_EQ(ran, "ab");
  clock.tick += 5000;
  EXPECT_EQ(queue.MsToNext(), 0);
  EXPECT_TRUE(queue.Push(10, task('e')));
  // The end of a run: everything still waiting, in order, now.
  EXPECT_EQ(queue.RunAll(), 3U);
  EXPECT_EQ(ran, "abcde");
  EXPECT_EQ(queue.MsToNext(), std::nullopt);
}

}  // namespace
}  // namespace v7400
