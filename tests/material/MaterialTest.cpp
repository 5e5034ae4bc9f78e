#include <gtest/gtest.h>

#include <boost/thread/barrier.hpp>
#include <boost/thread/thread.hpp>
#include <cmath>
#include <string>
#include <vector>

#include "material/Material.h"
#include "material/MaterialTypes.h"
#include "material/SimpleTexture.h"

namespace util {
namespace {

std::shared_ptr<Texture const> makeTexture(std::wstring const& uri) {
    return std::make_shared<SimpleTexture>(uri, nullptr, nullptr);
}

// `material` with one more value set, interned.
template <typename V>
Material withValue(Material material, unsigned long key, V const& value) {
    material.set(key, value);
    return material;
}

class MaterialTest : public ::testing::Test {
protected:
    MaterialTest() : mShader(L"cleanupShader") {
        mTexture = mShader.addKey(L"texture", SKT_TEXTURE, 1);
        mCount = mShader.addKey(L"count", SKT_INT, 1);
    }

    Shader mShader;
    unsigned long mTexture;
    unsigned long mCount;
};

TEST_F(MaterialTest, FreshMaterialsShareOneValueThatReportsTheTypeDefaults) {
    Material const a(mShader);
    EXPECT_EQ(&a.getContainer(), &Material(mShader).getContainer());
    EXPECT_NE(a, Material(Shader(L"other")));
    EXPECT_EQ(a.getTexture(mTexture), MaterialTypes::DEFAULT_TEXTURE);
    EXPECT_EQ(a.getInt(mCount), 0);
    EXPECT_EQ(&Material().getContainer(), &staticDefaultMaterial.get());
}

TEST_F(MaterialTest, TexturesCompareByPointerNotByUri) {
    auto const texture = makeTexture(L"brick.png");
    Material const a = withValue(Material(mShader), mTexture, texture);
    EXPECT_EQ(&a.getContainer(), &withValue(Material(mShader), mTexture, texture).getContainer());
    EXPECT_EQ(a.getTexture(mTexture), texture);
    EXPECT_NE(a, withValue(Material(mShader), mTexture, makeTexture(L"brick.png")));
}

TEST_F(MaterialTest, ChangesCopyMapsAndLeaveOldHandlesAlone) {
    Material const before = withValue(Material(mShader), mCount, 1);
    Material after = before;
    detail::MaterialContainer const copy(after.getContainer());
    EXPECT_EQ(&copy.getIntMap(), &before.getContainer().getIntMap());  // shared until set
    after.set(mCount, 3);
    after.set(mCount, 2);  // a second set replaces
    after.set(mTexture, L"literal");  // a string, not a bool
    EXPECT_EQ(before.getInt(mCount), 1);
    EXPECT_EQ(after.getString(mTexture), L"literal");
    EXPECT_EQ(after.getInt(mCount), 2);
    EXPECT_NE(before, after);
}

TEST_F(MaterialTest, LookupsFallBackToTheDefaultCapturedAtConstruction) {
    detail::MaterialFlyweight const saved = staticDefaultMaterial;
    Material const earlier(mShader);
    detail::MaterialContainer fallback(Shader::getDefault());
    fallback.set(mCount, 42);
    staticDefaultMaterial = fallback;
    Material const later(mShader);
    Material const own = withValue(Material(mShader), mCount, 5);
    staticDefaultMaterial = saved;
    EXPECT_EQ(later.getInt(mCount), 42);
    EXPECT_EQ(earlier.getInt(mCount), 0);
    EXPECT_EQ(own.getInt(mCount), 5);
    EXPECT_EQ(earlier, later);  // the default takes no part in equality
}

TEST_F(MaterialTest, EqualityAndOrderIgnoreSetOrderAndNanNeverEqualsAnotherNan) {
    detail::MaterialContainer a(mShader);
    a.set(mCount, 1);
    a.set(mTexture + 7, 2);
    detail::MaterialContainer b(mShader);
    b.set(mTexture + 7, 2);
    b.set(mCount, 1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.getHash(), b.getHash());
    EXPECT_FALSE(a < b || b < a);

    a.set(0, std::nan(""));
    b.set(0, std::nan(""));
    detail::MaterialContainer const sharing(a);  // same map object: equal without comparing
    EXPECT_EQ(a.getHash(), b.getHash());
    EXPECT_NE(a, b);
    EXPECT_EQ(a, sharing);
}

// Stored hashes must not change with the Boost version; the value was folded independently
// with Boost 1.74's hash_combine over shader, maps and override flag.
TEST_F(MaterialTest, ContainerHashIsTheStoredFoldValue) {
    detail::MaterialContainer container(mShader);
    container.set(mCount, -5);
    container.set(mTexture, std::wstring(L"x"));
    EXPECT_EQ(container.getHash(), 0x359036fbb4376300ull);
}

// Every thread builds the same schema and material from scratch; all must meet in one value.
TEST(MaterialThreadTest, ConcurrentInterningYieldsOneValue) {
    int const threadCount = 8;
    auto const texture = makeTexture(L"shared.png");
    boost::barrier start(threadCount);
    std::vector<Material> results(threadCount);
    std::vector<boost::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            start.wait();
            for (int round = 0; round < 200; ++round) {
                Shader shader(L"threaded");
                shader.addKey(L"texture", SKT_TEXTURE, 1);
                unsigned long const count = shader.addKey(L"count", SKT_INT, 1);
                results[t] = withValue(withValue(Material(shader), 0, texture), count, round % 3);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (Material const& result : results) {
        EXPECT_EQ(&result.getContainer(), &results[0].getContainer());
        EXPECT_EQ(result.getTexture(0), texture);
        EXPECT_EQ(result.getInt(1), 199 % 3);
    }
}

}  // namespace
}  // namespace util
