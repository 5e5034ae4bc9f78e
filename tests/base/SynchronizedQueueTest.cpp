#include "base/SynchronizedQueue.h"

#include <gtest/gtest.h>

#include <boost/thread/thread.hpp>
#include <chrono>
#include <future>
#include <vector>

namespace util {
namespace {

TEST(SynchronizedQueueTest, KeepsArrivalOrderAndBoundedNonBlockingPutRefusesWhenFull) {
    SynchronizedQueue<int> unbounded;  // maximum 0: never waits
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(unbounded.put(i, NON_BLOCKING));
    std::vector<int> taken{-1};
    unbounded.takeAll(taken);
    ASSERT_EQ(taken.size(), 101u);  // appended after what was there
    for (int i = 0; i < 101; ++i) EXPECT_EQ(taken[i], i - 1);
    EXPECT_EQ(unbounded.size(), 0u);

    SynchronizedQueue<int> queue(2);
    EXPECT_TRUE(queue.put(1, NON_BLOCKING));
    EXPECT_TRUE(queue.put(2, NON_BLOCKING));
    EXPECT_FALSE(queue.put(3, NON_BLOCKING));
    EXPECT_EQ(queue.size(), 2u);
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
