#pragma once

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/locks.hpp>
#include <boost/thread/mutex.hpp>
#include <cstddef>
#include <deque>
#include <vector>

namespace util {

// What put does when a bounded queue is full.
enum SynchronizeType { BLOCKING = 0, NON_BLOCKING = 1 };

// The command queue of the picker and the intersector: any thread may put, one drains at a time.
// The queue never destroys what it holds; for pointers the owner of the queue does. Lock order:
// mMutex before mCondition's own lock.
template <typename T>
class SynchronizedQueue {
public:
    // maxSize 0 means unbounded: put never waits.
    explicit SynchronizedQueue(std::size_t maxSize = 0) : mMaxSize(maxSize) {}
    SynchronizedQueue(SynchronizedQueue const&) = delete;
    SynchronizedQueue& operator=(SynchronizedQueue const&) = delete;

    // True if appended. BLOCKING waits for room; the wait is a Boost.Thread interruption point.
    bool put(T const& item, SynchronizeType type) {
        boost::unique_lock<boost::mutex> lock(mMutex);
        if (mMaxSize != 0) {
            if (type == NON_BLOCKING) {
                if (mItems.size() + 1 > mMaxSize) return false;
            } else {
                while (mItems.size() + 1 > mMaxSize) mCondition.wait(lock);
            }
        }
        mItems.push_back(item);
        mCondition.notify_one();
        return true;
    }

    std::size_t size() const {
        boost::unique_lock<boost::mutex> lock(mMutex);
        return mItems.size();
    }

    // Appends every item in arrival order to out, empties the queue and wakes one waiting put.
    void takeAll(std::vector<T>& out) {
        boost::unique_lock<boost::mutex> lock(mMutex);
        out.insert(out.end(), mItems.begin(), mItems.end());
        mItems.clear();
        mCondition.notify_one();
    }

    void clear() {
        boost::unique_lock<boost::mutex> lock(mMutex);
        mItems.clear();
    }

private:
    mutable boost::mutex mMutex;
    boost::condition_variable mCondition;  // guarded by mMutex
    std::deque<T> mItems;                  // guarded by mMutex
    std::size_t const mMaxSize;
};

}  // namespace util
