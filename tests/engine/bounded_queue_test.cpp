#include "engine/bounded_queue.h"

#include <gtest/gtest.h>

#include <thread>

namespace fc {
namespace {

TEST(BoundedQueueTest, ItemsComeOutInOrderAndTheFinishedQueueDrainsFirst) {
  TBoundedQueue<int> queue(4);
  std::thread producer([&] {
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(queue.Push(i));  // waits whenever four are queued
    queue.Finish("the source failed");
  });
  int item = -1;
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(queue.Pop(item));
    EXPECT_EQ(item, i);
  }
  producer.join();
  EXPECT_FALSE(queue.Pop(item));
  EXPECT_EQ(queue.Error(), "the source failed");
}

TEST(BoundedQueueTest, CloseReleasesAWaitingProducerAndConsumer) {
  TBoundedQueue<int> full(1);
  ASSERT_TRUE(full.Push(1));
  std::thread producer([&] { EXPECT_FALSE(full.Push(2)); });  // waits for room that never comes
  TBoundedQueue<int> empty(1);
  std::thread consumer([&] {
    int item = 0;
    EXPECT_FALSE(empty.Pop(item));  // waits for an item that never comes
  });
  full.Close();
  empty.Close();
  producer.join();
  consumer.join();
  int item = 0;
  EXPECT_FALSE(full.Pop(item));  // what was queued is dropped
  EXPECT_EQ(full.Error(), "");
}

}  // namespace
}  // namespace fc
