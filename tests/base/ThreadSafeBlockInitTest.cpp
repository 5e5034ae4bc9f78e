#include "base/ThreadSafeBlockInit.h"

#include <gtest/gtest.h>

#include <boost/thread/barrier.hpp>
#include <vector>

namespace util {
namespace {

TEST(ThreadSafeBlockInitTest, OnlyTheFirstThreadInitialisesAndOthersSeeTheResult) {
    boost::atomic<unsigned int> state(0);
    boost::atomic<int> initialisations(0);
    int value = 0;
    int const threadCount = 8;
    boost::barrier start(threadCount);
    std::vector<int> seen(threadCount, -1);
    std::vector<boost::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            start.wait();
            {
                ThreadSafeBlockInit guard(state);
                if (value == 0) {
                    ++initialisations;
                    boost::this_thread::sleep_for(boost::chrono::milliseconds(20));
                    value = 42;
                }
            }
            seen[t] = value;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(state.load(), 3u);
    EXPECT_EQ(initialisations.load(), 1);
    for (int const v : seen) EXPECT_EQ(v, 42);
}

}  // namespace
}  // namespace util
