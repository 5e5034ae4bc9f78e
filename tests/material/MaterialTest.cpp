#include "material/Material.h"

#include <gtest/gtest.h>

#include <boost/functional/hash.hpp>
#include <boost/thread/barrier.hpp>
#include <boost/thread/thread.hpp>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "material/MaterialTypes.h"
#include "material/SimpleTexture.h"

namespace util {
namespace {

std::shared_ptr<Texture const> makeTexture(std::wstring const& uri) {
    return std::make_shared<SimpleTexture>(uri, nullptr, nullptr);
}

// A material of `shader` with one value set, interned.
template <typename V>
Material withValue(Shader const& shader, unsigned long key, V const& value) {
    Material material(shader);
    detail::MaterialContainer container(material.getContainer());
    container.set(key, value);
    material.setContainer(container);
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

TEST_F(MaterialTest, FreshMaterialsOfOneShaderShareOneValue) {
    Material const a(mShader);
    Material const b(mShader);
    EXPECT_EQ(a, b);
    EXPECT_EQ(&a.getContainer(), &b.getContainer());
    EXPECT_EQ(a.getShader(), mShader);
    EXPECT_NE(a, Material(Shader(L"other")));
}

TEST_F(MaterialTest, TexturesCompareByPointerNotByUri) {
    auto const texture = makeTexture(L"brick.png");
    Material const a = withValue(mShader, mTexture, texture);
    Material const b = withValue(mShader, mTexture, texture);
    EXPECT_EQ(a, b);
    EXPECT_EQ(&a.getContainer(), &b.getContainer());
    EXPECT_EQ(a.getTexture(mTexture), texture);
    EXPECT_NE(a, withValue(mShader, mTexture, makeTexture(L"brick.png")));
    EXPECT_NE(a, Material(mShader));
}

TEST_F(MaterialTest, SettingAKeyTwiceKeepsOneEntryWithTheLastValue) {
    detail::MaterialContainer container{Material(mShader).getContainer()};
    container.set(mCount, 4);
    container.set(mCount, 9);
    auto const& ints = container.getIntMap();
    ASSERT_EQ(ints.index.size(), 1u);
    EXPECT_EQ(ints.index.at(mCount).count, 1u);
    EXPECT_EQ(*ints.find(mCount), 9);
    EXPECT_EQ(*container.getChangedKeys().find(mCount), 1);
    EXPECT_EQ(container.getChangedKeys().index.size(), 1u);
}

TEST_F(MaterialTest, ChangesCopyMapsAndLeaveOldHandlesAlone) {
    Material const before = withValue(mShader, mCount, 1);
    Material after = before;
    detail::MaterialContainer changed(after.getContainer());
    EXPECT_EQ(&changed.getIntMap(), &before.getContainer().getIntMap());  // shared until set
    changed.set(mCount, 2);
    after.setContainer(changed);
    EXPECT_EQ(before.getInt(mCount), 1);
    EXPECT_EQ(after.getInt(mCount), 2);
    EXPECT_NE(before, after);
    EXPECT_EQ(*before.getContainer().getIntMap().find(mCount), 1);
}

TEST_F(MaterialTest, ValuesLandInTheMapOfTheirType) {
    detail::MaterialContainer container(mShader);
    container.set(0, true);
    container.set(1, L"literal");
    container.set(2, 2.5);
    container.set(3, 7);
    EXPECT_EQ(*container.getBoolMap().find(0), 1);
    EXPECT_EQ(*container.getStringMap().find(1), L"literal");
    EXPECT_EQ(*container.getFloatMap().find(2), 2.5);
    EXPECT_EQ(*container.getIntMap().find(3), 7);
    EXPECT_EQ(container.getChangedKeys().index.size(), 4u);
}

TEST_F(MaterialTest, UnsetKeysReportTheTypeDefaults) {
    Material const material(mShader);
    EXPECT_EQ(material.getTexture(mTexture), MaterialTypes::DEFAULT_TEXTURE);
    EXPECT_EQ(material.getInt(mCount), 0);
    EXPECT_EQ(material.getString(5), L"");
    EXPECT_EQ(material.getFloat(5), 0.0);
    EXPECT_FALSE(material.getBool(5));
}

TEST_F(MaterialTest, LookupsFallBackToTheDefaultCapturedAtConstruction) {
    detail::MaterialFlyweight const saved = staticDefaultMaterial;
    Material const earlier(mShader);
    detail::MaterialContainer fallback(Shader::getDefault());
    fallback.set(mCount, 42);
    staticDefaultMaterial = fallback;
    Material const later(mShader);
    Material const own = withValue(mShader, mCount, 5);
    staticDefaultMaterial = saved;
    EXPECT_EQ(later.getInt(mCount), 42);
    EXPECT_EQ(earlier.getInt(mCount), 0);
    EXPECT_EQ(own.getInt(mCount), 5);
    EXPECT_EQ(earlier, later);  // the default takes no part in equality
}

TEST_F(MaterialTest, DefaultShaderMaterialIsTheStaticDefault) {
    Material const material;
    EXPECT_EQ(material, Material(Shader::getDefault()));
    EXPECT_EQ(&material.getContainer(), &staticDefaultMaterial.get());
    EXPECT_TRUE(material.getContainer().getChangedKeys().index.empty());
    EXPECT_TRUE(material.getShader()->getKeys().empty());
}

TEST_F(MaterialTest, ValueLayoutTakesNoPartInEquality) {
    detail::MaterialContainer a(mShader);
    a.set(mCount, 1);
    a.set(mTexture + 7, 2);
    detail::MaterialContainer b(mShader);
    b.set(mTexture + 7, 2);
    b.set(mCount, 1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.getHash(), b.getHash());
}

TEST_F(MaterialTest, NanNeverEqualsAnotherNan) {
    detail::MaterialContainer a(mShader);
    a.set(0, std::nan(""));
    detail::MaterialContainer b(mShader);
    b.set(0, std::nan(""));
    detail::MaterialContainer const sharing(a);  // same map object: equal without comparing
    EXPECT_EQ(a.getHash(), b.getHash());
    EXPECT_NE(a, b);
    EXPECT_EQ(a, sharing);
}

// Expected value folded with Boost's own hash_combine, independent of the library's step.
TEST_F(MaterialTest, ContainerHashFoldsShaderMapsAndFlag) {
    detail::MaterialContainer container(mShader);
    container.set(mCount, -5);
    container.set(mTexture, std::wstring(L"x"));

    std::size_t ints = 0;
    boost::hash_combine(ints, mCount);
    boost::hash_combine(ints, 1ul);
    boost::hash_combine(ints, -5);
    std::size_t strings = 0;
    boost::hash_combine(strings, mTexture);
    boost::hash_combine(strings, 1ul);
    boost::hash_combine(strings, std::wstring(L"x"));
    std::size_t changed = 0;
    for (unsigned long const key : {mTexture, mCount}) {  // key order
        boost::hash_combine(changed, key);
        boost::hash_combine(changed, 1ul);
        boost::hash_combine(changed, 1ul);
    }
    std::size_t expected = 0;
    for (std::size_t const part : {mShader->getHash(), std::size_t{0}, ints, std::size_t{0},
                                   strings, std::size_t{0}, std::size_t{0}, changed,
                                   std::size_t{0}})
        boost::hash_combine(expected, part);
    EXPECT_EQ(container.getHash(), expected);
}

TEST_F(MaterialTest, OrderingIsIrreflexiveAndSeparatesDistinctValues) {
    Material const a = withValue(mShader, mCount, 1);
    Material const b = withValue(mShader, mCount, 2);
    EXPECT_FALSE(a < a);
    EXPECT_NE(a < b, b < a);
}

// Every thread builds the same schema and material from scratch; all must meet in one value.
TEST(MaterialThreadTest, ConcurrentInterningYieldsOneValue) {
    int const threadCount = 8;
    auto const texture = makeTexture(L"shared.png");
    boost::barrier start(threadCount);
    std::vector<std::unique_ptr<Material>> results(threadCount);
    std::vector<boost::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            start.wait();
            for (int round = 0; round < 200; ++round) {
                Shader shader(L"threaded");
                shader.addKey(L"texture", SKT_TEXTURE, 1);
                unsigned long const count = shader.addKey(L"count", SKT_INT, 1);
                Material material = withValue(shader, 0, texture);
                detail::MaterialContainer container(material.getContainer());
                container.set(count, round % 3);
                material.setContainer(container);
                results[t] = std::make_unique<Material>(material);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (auto const& result : results) {
        EXPECT_EQ(*result, *results[0]);
        EXPECT_EQ(&result->getContainer(), &results[0]->getContainer());
        EXPECT_EQ(result->getTexture(0), texture);
        EXPECT_EQ(result->getInt(1), 199 % 3);
    }
}

}  // namespace
}  // namespace util
