#include "tasks/main_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace fc {
namespace {

TEST(MainLoop, SendRunsOnTheMainThreadAndWaits) {
  TMainLoop loop;
  std::atomic<bool> done{false};
  std::thread::id ran_on;
  int value = 0;
  std::thread worker([&] {
    const bool ran = loop.Send([&] {
      ran_on = std::this_thread::get_id();
      value = 42;
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(value, 42);  // the call has finished when Send returns
    done = true;
    loop.Quit();
  });
  loop.Run();
  worker.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(ran_on, std::this_thread::get_id());
}

TEST(MainLoop, SendGivesUpWhenStoppingAndTheCallNeverRuns) {
  TMainLoop loop;
  std::stop_source stop;
  bool ran = true;
  int calls = 0;
  std::thread worker([&] { ran = loop.Send([&] { ++calls; }, stop.get_token()); });
  // Nobody runs the loop; stopping frees the sender.
  stop.request_stop();
  worker.join();
  EXPECT_FALSE(ran);
  loop.ProcessPending();  // the abandoned call is dropped
  EXPECT_EQ(calls, 0);
}

TEST(MainLoop, PostedCallsRunInOrderAndSendOnTheMainThreadRunsAtOnce) {
  TMainLoop loop;
  std::vector<int> order;
  loop.Post([&] { order.push_back(1); });
  loop.Post([&] {
    order.push_back(2);
    loop.Post([&] { order.push_back(4); });  // queued from a call: runs in the same drain
  });
  EXPECT_TRUE(loop.Send([&] { order.push_back(0); }));
  loop.Post([&] { order.push_back(3); });
  EXPECT_EQ(loop.ProcessPending(), 4);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(loop.IsMainThread());
}

TEST(MainLoop, RunStopsWhenDoneSaysSo) {
  TMainLoop loop;
  int n = 0;
  for (int i = 0; i < 5; ++i) loop.Post([&] { ++n; });
  loop.Run([&] { return n == 3; });
  EXPECT_EQ(n, 3);
  EXPECT_EQ(loop.ProcessPending(), 2);
}

}  // namespace
}  // namespace fc
