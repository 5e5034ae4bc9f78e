#include "base/ThreadSafeBlockInit.h"

#include <boost/chrono.hpp>

namespace util {

ThreadSafeBlockInit::ThreadSafeBlockInit(boost::atomic<unsigned int> volatile& state)
    : mState(state), mPrevious(0) {
    unsigned int expected = mState.load();
    while (!mState.compare_exchange_weak(expected, expected | 1u)) {
    }
    mPrevious = expected;
    if (mPrevious == 0) {
        mInitialiser = boost::this_thread::get_id();
    } else if (mPrevious == 1) {
        while (mState.load() != 3u) boost::this_thread::sleep_for(boost::chrono::milliseconds(5));
    }
}

ThreadSafeBlockInit::~ThreadSafeBlockInit() {
    if (mPrevious != 3u) {
        mState.store(3u);
        boost::atomic_thread_fence(boost::memory_order_seq_cst);
    }
}

}  // namespace util
