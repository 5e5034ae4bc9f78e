#pragma once

#include <boost/atomic.hpp>
#include <boost/thread/thread.hpp>

namespace util {

// Scope guard around the first initialisation of function-local statics. The first thread to
// enter initialises; threads arriving meanwhile poll (5 ms steps) until it has finished.
// State word: 0 not initialised, 1 under way, 3 initialised.
class ThreadSafeBlockInit {
public:
    explicit ThreadSafeBlockInit(boost::atomic<unsigned int> volatile& state);
    ~ThreadSafeBlockInit();
    ThreadSafeBlockInit(ThreadSafeBlockInit const&) = delete;
    ThreadSafeBlockInit& operator=(ThreadSafeBlockInit const&) = delete;

private:
    boost::atomic<unsigned int> volatile& mState;
    unsigned int mPrevious;
    boost::thread::id mInitialiser;
};

}  // namespace util
