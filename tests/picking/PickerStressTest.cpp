#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <numeric>
#include <random>
#include <shared_mutex>
#include <thread>

#include "picking/OctreePicker.h"
#include "picking/PickingTestSupport.h"

namespace util {
namespace test {
namespace {

constexpr int PRODUCERS = 8;
constexpr int GROUPS_PER_PRODUCER = 6;
constexpr int ENTRIES_PER_GROUP = 8;
constexpr int MAX_ATTEMPTS = 1000;

// Producers add, relocate and dispose groups while two threads query and one keeps flushing and
// draining. A flush may discard any waiting command, so a producer re-adds an entry until a ray
// finds it (a query drains first: a miss means the add was discarded), and disposes while
// holding the flush gate, so that a dispose always executes. Relocations may be discarded; the
// entries are strips long enough along x that rays hit them either way.
class PickerStressTest : public ::testing::Test {
protected:
    Mesh const mStrip =
        makeMesh({V3(-50, 0, 0), V3(50, 0, 0), V3(50, 1, 0), V3(-50, 1, 0)}, {{0, 1, 2, 3}});
    OctreePicker mPicker;
    std::shared_mutex mFlushGate;
    std::array<std::atomic<unsigned long>, PRODUCERS * GROUPS_PER_PRODUCER> mKept{};
    std::atomic<int> mKeptCount{0};
    std::atomic<int> mFailures{0};
    std::atomic<bool> mDone{false};

    // Distance of a ray down onto the entry's strip; -1 for a miss.
    float distanceTo(unsigned long group, int id) {
        float const origin[3] = {0, 2.0f * id + 0.5f, 1};
        float const down[3] = {0, 0, -1};
        float distance = -1;
        return mPicker.getShapeDist(group, id, origin, down, distance, nullptr) ? distance : -1;
    }
    std::vector<int> visible(unsigned long group) {
        BoxView const all = boxView(V3(-500, -500, -500), V3(500, 500, 500));
        std::vector<int> ids(ENTRIES_PER_GROUP + 1);
        long const n = mPicker.getIntersectingEntries(
            group, all.corners.data(), all.viewProjection.m, false, ids.data(), ids.size());
        if (n < 0) return {};
        ids.resize(n);
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    void addConfirmed(unsigned long group, int id) {
        for (int attempt = 0; attempt < MAX_ATTEMPTS; ++attempt) {
            mPicker.addEntry(group, id, {&mStrip}, Matrix<float>::translation(0, 2.0f * id, 0));
            if (distanceTo(group, id) >= 0) return;
        }
        ++mFailures;
    }
    void produce(int producer) {
        for (int g = 0; g < GROUPS_PER_PRODUCER; ++g) {
            unsigned long const group = mPicker.createGroup();
            for (int id = 0; id < ENTRIES_PER_GROUP; ++id) addConfirmed(group, id);
            mPicker.relocate(group, (producer + g) % 2 == 0 ? 1.0f : -1.0f, 0, 0);
            if (g % 2 == 0) {
                mKept[mKeptCount++] = group;
                continue;
            }
            std::shared_lock<std::shared_mutex> const gate(mFlushGate);
            mPicker.dispose(group);
            mPicker.processQueue();
        }
    }
    void query(unsigned int seed) {
        std::mt19937 random(seed);
        while (!mDone) {
            int const kept = mKeptCount;
            if (kept == 0) continue;
            unsigned long const group = mKept[random() % kept];
            if (visible(group).size() != ENTRIES_PER_GROUP) ++mFailures;
            if (distanceTo(group, random() % ENTRIES_PER_GROUP) != 1) ++mFailures;
        }
    }
    void flush() {
        while (!mDone) {
            {
                std::unique_lock<std::shared_mutex> const gate(mFlushGate);
                mPicker.flushQueue();
            }
            mPicker.processQueue();
            std::this_thread::yield();
        }
    }
};

TEST_F(PickerStressTest, EveryConfirmedEntryOfAKeptGroupIsFound) {
    std::vector<std::thread> threads;
    for (int p = 0; p < PRODUCERS; ++p) threads.emplace_back([this, p] { produce(p); });
    std::thread queryA([this] { query(1); });
    std::thread queryB([this] { query(2); });
    std::thread flusher([this] { flush(); });
    for (std::thread& producer : threads) producer.join();
    mDone = true;
    for (std::thread* thread : {&queryA, &queryB, &flusher}) thread->join();
    EXPECT_EQ(mFailures, 0);

    std::vector<int> all(ENTRIES_PER_GROUP);
    std::iota(all.begin(), all.end(), 0);
    ASSERT_EQ(mKeptCount, PRODUCERS * GROUPS_PER_PRODUCER / 2);
    EXPECT_EQ(mPicker.getGroupCount(), static_cast<std::size_t>(mKeptCount));
    for (int k = 0; k < mKeptCount; ++k) {
        EXPECT_EQ(visible(mKept[k]), all);
        mPicker.dispose(mKept[k]);
    }
    mPicker.processQueue();
    EXPECT_EQ(mPicker.getGroupCount(), 0u);
    EXPECT_EQ(mPicker.getCachedTriangleMeshCount(), 0u);  // no reference outlived its entry
}

}  // namespace
}  // namespace test
}  // namespace util
