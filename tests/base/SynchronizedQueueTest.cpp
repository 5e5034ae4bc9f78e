#include "base/SynchronizedQueue.h"

#include <gtest/gtest.h>

#include <boost/thread/thread.hpp>
#include <chrono>
#include <future>
#include <vector>

namespace util {
namespace {

TEST(SynchronizedQueueTest, UnboundedKeepsArrivalOrderAndTakeAllEmptiesIt) {
    SynchronizedQueue<int> queue;  // maximum 0: unbounded, never waits
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(queue.put(i, BLOCKING));
    EXPECT_TRUE(queue.put(1000, NON_BLOCKING));
    EXPECT_EQ(queue.size(), 1001u);
    std::vector<int> taken{-1};
    queue.takeAll(taken);
    ASSERT_EQ(taken.size(), 1002u);  // appended after what was there
    EXPECT_EQ(taken.front(), -1);
    for (int i = 0; i <= 1000; ++i) EXPECT_EQ(taken[i + 1], i);
    EXPECT_EQ(queue.size(), 0u);
    queue.put(7, BLOCKING);
    queue.clear();
    EXPECT_EQ(queue.size(), 0u);
}

TEST(SynchronizedQueueTest, BoundedNonBlockingPutRefusesWhenFull) {
    SynchronizedQueue<int> queue(2);
    EXPECT_TRUE(queue.put(1, NON_BLOCKING));
    EXPECT_TRUE(queue.put(2, NON_BLOCKING));
    EXPECT_FALSE(queue.put(3, NON_BLOCKING));
    std::vector<int> taken;
    queue.takeAll(taken);
    EXPECT_EQ(taken, (std::vector<int>{1, 2}));
}

TEST(SynchronizedQueueTest, BoundedBlockingPutWaitsUntilADrainMakesRoom) {
    SynchronizedQueue<int> queue(2);
    queue.put(1, BLOCKING);
    queue.put(2, BLOCKING);
    std::promise<void> started;
    std::future<void> startedFuture = started.get_future();
    std::packaged_task<bool()> producer([&] {
        started.set_value();
        return queue.put(3, BLOCKING);
    });
    std::future<bool> done = producer.get_future();
    boost::thread thread(std::move(producer));
    startedFuture.wait();
    // Still full: the producer cannot have appended.
    EXPECT_EQ(done.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    EXPECT_EQ(queue.size(), 2u);
    std::vector<int> taken;
    queue.takeAll(taken);
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(done.get());
    thread.join();
    taken.clear();
    queue.takeAll(taken);
    EXPECT_EQ(taken, (std::vector<int>{3}));
}

}  // namespace
}  // namespace util
