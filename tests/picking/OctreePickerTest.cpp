#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "picking/GroupHandle.h"
#include "picking/OctreePicker.h"
#include "picking/PickingTestSupport.h"

namespace util {
namespace test {
namespace {

unsigned long groupNumber(unsigned long handle) {
    return reinterpret_cast<GroupHandle const*>(handle)->groupNumber;
}

// Groups made with newGroup are disposed of at the end.
class OctreePickerTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (!mPicker) return;
        for (unsigned long const group : mGroups) mPicker->dispose(group);
        mPicker->processQueue();
    }
    unsigned long newGroup() { return mGroups.emplace_back(mPicker->createGroup()); }
    void add(unsigned long group, int id) {
        mPicker->addEntry(group, id, {&mTriangle}, Matrix<float>());
    }
    // Distance from (x, 0.25, 5) downwards, or -1 for nothing.
    float distanceAt(unsigned long group, int id, float x) {
        float const origin[3] = {x, 0.25f, 5};
        float const direction[3] = {0, 0, -1};
        float distance = -1;
        return mPicker->getShapeDist(group, id, origin, direction, distance, nullptr) ? distance
                                                                                      : -1;
    }

    // Unit triangle in the plane z = 0.
    Mesh const mTriangle = makeTriangle(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    std::unique_ptr<OctreePicker> mPicker = std::make_unique<OctreePicker>();
    std::vector<unsigned long> mGroups;
};

TEST_F(OctreePickerTest, GroupsAreNumberedPerPickerAndKnowTheirOwner) {
    std::unique_ptr<Picker> const other(Picker::createPicker());
    unsigned long const a = newGroup();
    unsigned long const b = newGroup();
    unsigned long const c = other->createGroup();
    EXPECT_EQ(std::vector<unsigned long>({groupNumber(a), groupNumber(b), groupNumber(c)}),
              (std::vector<unsigned long>{1, 2, 1}));
    EXPECT_EQ(Picker::getAssociatedPicker(b), mPicker.get());
    EXPECT_EQ(Picker::getAssociatedPicker(c), other.get());
    EXPECT_EQ(Picker::getAssociatedPicker(0), nullptr);
    other->dispose(c);
    other->processQueue();
}

TEST_F(OctreePickerTest, CommandsWaitAndExecuteInArrivalOrderAtADrainOrAQuery) {
    unsigned long const group = newGroup();
    add(group, 1);
    mPicker->relocate(group, 10, 0, 0);  // applies to the queued entry 1 only
    add(group, 2);
    EXPECT_EQ(mPicker->getQueueSize(), 3u);
    EXPECT_EQ(mPicker->getGroupCount(), 0u);  // nothing executed at enqueue time
    EXPECT_EQ(distanceAt(group, 1, 10.25f), 5);
    EXPECT_EQ(mPicker->getQueueSize(), 0u);
    EXPECT_EQ(distanceAt(group, 1, 0.25f), -1);
    EXPECT_EQ(distanceAt(group, 2, 0.25f), 5);
    // A relocate before any add has no group to move, so the later add stays in place.
    unsigned long const late = newGroup();
    mPicker->relocate(late, 10, 0, 0);
    add(late, 1);
    EXPECT_EQ(distanceAt(late, 1, 0.25f), 5);
}

TEST_F(OctreePickerTest, FlushDiscardsEverythingWaitingAndKeepsADisposedHandleAlive) {
    unsigned long const group = newGroup();
    add(group, 1);
    mPicker->processQueue();
    for (int id = 2; id <= 4; ++id) add(group, id);
    mPicker->relocate(group, 100, 0, 0);
    mPicker->dispose(group);
    mPicker->flushQueue();
    EXPECT_EQ(mPicker->getQueueSize(), 0u);
    EXPECT_EQ(distanceAt(group, 1, 0.25f), 5);  // not moved, not disposed
    for (int id = 2; id <= 4; ++id) EXPECT_EQ(distanceAt(group, id, 0.25f), -1);
}

TEST_F(OctreePickerTest, DisposeDropsTheGroupAndOnlyTheTriangleMeshesNoOneElseHolds) {
    Mesh const other = makeTriangle(V3(0, 0, 1), V3(1, 0, 1), V3(0, 1, 1));
    unsigned long const kept = newGroup();
    unsigned long const dropped = mPicker->createGroup();
    add(kept, 1);
    mPicker->addEntry(dropped, 1, {&mTriangle, &other}, Matrix<float>());
    mPicker->processQueue();
    EXPECT_EQ(mPicker->getCachedTriangleMeshCount(), 2u);
    mPicker->dispose(dropped);
    EXPECT_EQ(mPicker->getCachedTriangleMeshCount(), 2u);  // nothing evicted before it executes
    mPicker->processQueue();
    EXPECT_EQ(mPicker->getGroupCount(), 1u);
    EXPECT_EQ(mPicker->getCachedTriangleMeshCount(), 1u);  // mTriangle is still used by `kept`
    EXPECT_EQ(distanceAt(kept, 1, 0.25f), 5);
    // A group that never got an entry: the handle is freed (ASan checks), the table unchanged.
    mPicker->dispose(mPicker->createGroup());
    mPicker->processQueue();
    EXPECT_EQ(mPicker->getGroupCount(), 1u);
}

class ThrowingCommand : public OctreePicker::Command {
public:
    void execute(Picker&) override { throw std::runtime_error("boom"); }
};

TEST_F(OctreePickerTest, AThrowingCommandDropsTheRestOfItsBatchOnly) {
    unsigned long const group = newGroup();
    add(group, 1);
    mPicker->enqueue(std::make_unique<ThrowingCommand>());
    add(group, 2);
    mPicker->relocate(group, 10, 0, 0);
    EXPECT_THROW(mPicker->processQueue(), std::runtime_error);
    EXPECT_EQ(mPicker->getQueueSize(), 0u);  // neither executed nor put back
    EXPECT_EQ(distanceAt(group, 1, 0.25f), 5);
    EXPECT_EQ(distanceAt(group, 2, 0.25f), -1);
    mPicker->enqueue(std::make_unique<ThrowingCommand>());
    EXPECT_THROW(distanceAt(group, 1, 0.25f), std::runtime_error);  // queries drain first
    add(group, 2);
    EXPECT_EQ(distanceAt(group, 2, 0.25f), 5);
}

TEST_F(OctreePickerTest, BadArgumentsQueueNothingAndWriteNothing) {
    unsigned long const group = newGroup();
    EXPECT_THROW(mPicker->addEntry(group, 1, {&mTriangle, nullptr}, Matrix<float>()),
                 std::invalid_argument);
    EXPECT_EQ(mPicker->getQueueSize(), 0u);
    add(group, 1);
    float distance = 42;
    float const direction[3] = {0, 0, -1};
    EXPECT_FALSE(mPicker->getShapeDist(group, 1, nullptr, direction, distance, nullptr));
    EXPECT_FALSE(mPicker->getShapeDist(0, 1, direction, direction, distance, nullptr));
    EXPECT_EQ(distance, 42);
    int ids[1] = {42};
    BoxView const view = boxView(V3(-5, -5, -5), V3(5, 5, 5));
    float const* const corners = view.corners.data();
    float const* const matrix = view.viewProjection.m;
    EXPECT_EQ(mPicker->getIntersectingEntries(group, nullptr, matrix, false, ids, 1), 0);
    EXPECT_EQ(mPicker->getIntersectingEntries(group, corners, nullptr, false, ids, 1), 0);
    EXPECT_EQ(mPicker->getIntersectingEntries(group, corners, matrix, false, nullptr, 1), -1);
    EXPECT_EQ(ids[0], 42);
}

// Waiting commands and live groups are released with the picker (ASan checks the leaks).
TEST_F(OctreePickerTest, DestructionReleasesGroupsAndWaitingCommands) {
    unsigned long const group = mPicker->createGroup();
    add(group, 1);
    mPicker->processQueue();
    add(group, 2);
    mPicker->relocate(group, 1, 0, 0);
    mPicker.reset();
    delete reinterpret_cast<GroupHandle*>(group);  // never disposed: the host's to free
}

}  // namespace
}  // namespace test
}  // namespace util
