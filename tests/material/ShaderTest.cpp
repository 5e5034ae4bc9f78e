#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "material/Shader.h"

namespace util {
namespace {

// Runs during static initialisation, in whatever order the linker chose relative to Shader.cpp.
Shader const* const EARLY_DEFAULT = &Shader::getDefault();

template <typename E, typename F>
std::string messageOf(F&& f) {
    try {
        f();
    } catch (E const& e) {
        return e.what();
    }
    return "<nothing thrown>";
}

TEST(ShaderTest, DefaultIsOneEmptyShaderEvenWhenFirstAskedAtLoad) {
    Shader const& shader = Shader::getDefault();
    EXPECT_EQ(&shader, EARLY_DEFAULT);
    EXPECT_TRUE(shader.getKeys().empty());
    EXPECT_EQ(shader, Shader());
}

TEST(ShaderTest, KeysGetIndicesInOrderOfFirstAdditionAndIterateByName) {
    Shader shader(L"s");
    EXPECT_EQ(shader.addKey(L"zeta", SKT_INT, 1), 0u);
    EXPECT_EQ(shader.addKey(L"alpha", SKT_FLOAT, 3), 1u);
    EXPECT_EQ(shader.addKey(L"zeta", SKT_INT, 1), 0u);
    EXPECT_EQ(shader.getKeys(), (std::vector<std::wstring>{L"alpha", L"zeta"}));
    ShaderKeyType type = SKT_INT;
    unsigned long size = 0;
    EXPECT_EQ(shader.getKey(L"alpha", type, size), 1u);
    EXPECT_EQ(type, SKT_FLOAT);
    EXPECT_EQ(size, 3u);
    EXPECT_FALSE(shader->hasKey(L"other"));
}

TEST(ShaderTest, EqualSchemasAreOneInternedValueAndDistinctOnesOrder) {
    Shader a(L"cleanupShader");
    Shader b(L"cleanupShader");
    a.addKey(L"texture", SKT_TEXTURE, 1);
    b.addKey(L"texture", SKT_TEXTURE, 1);
    Shader const before = b;
    b.addKey(L"texture", SKT_TEXTURE, 1);  // confirming a key changes nothing
    EXPECT_EQ(a, b);
    EXPECT_EQ(b, before);
    EXPECT_EQ(&a.getContainer(), &b.getContainer());

    Shader c(L"cleanupShader");
    c.addKey(L"x", SKT_INT, 1);
    c.addKey(L"y", SKT_INT, 1);
    Shader d(L"cleanupShader");
    d.addKey(L"y", SKT_INT, 1);
    d.addKey(L"x", SKT_INT, 1);
    EXPECT_NE(c, d);

    detail::ShaderContainer const one(L"one");
    detail::ShaderContainer const two(L"two");
    EXPECT_FALSE(one < one);
    EXPECT_NE(one < two, two < one);
}

TEST(ShaderTest, ChangesLeaveOtherHandlesAndContainerCopiesAlone) {
    Shader original(L"s");
    original.addKey(L"a", SKT_INT, 1);
    Shader changed = original;
    changed.addKey(L"b", SKT_BOOL, 1);
    changed.setName(L"renamed");
    EXPECT_EQ(original->getName(), L"s");
    EXPECT_FALSE(original->hasKey(L"b"));
    EXPECT_EQ(changed->getName(), L"renamed");

    detail::ShaderContainer first(L"c");
    first.addKey(L"a", SKT_INT, 1);
    detail::ShaderContainer second(first);
    second.addKey(L"b", SKT_INT, 1);
    EXPECT_EQ(first.getKeyCount(), 1u);
}

TEST(ShaderTest, RejectedAndUnknownKeysThrowTheirTextsAndLeaveTheShaderUnchanged) {
    Shader shader(L"cleanupShader");
    shader.addKey(L"texture", SKT_TEXTURE, 1);
    Shader const before = shader;
    EXPECT_EQ(messageOf<std::invalid_argument>([&] { shader.addKey(L"array", SKT_INT, 0); }),
              "support for dynamic arrays as shader key type is not yet implemented!");
    EXPECT_EQ(messageOf<std::runtime_error>([&] { shader.addKey(L"texture", SKT_TEXTURE, 2); }),
              "tried to add an existing key with non-matching type/size");
    EXPECT_EQ(shader, before);
    // The name is narrowed to UTF-8.
    EXPECT_EQ(messageOf<std::invalid_argument>([&] { shader.getKey(L"caf\u00e9"); }),
              "unknown shader key: caf\xc3\xa9");
}

TEST(ShaderTest, KeyChecksTellScalarsFromArraysAndTypesAndRejectBadIndices) {
    Shader shader(L"s");
    unsigned long const scalar = shader.addKey(L"scalar", SKT_FLOAT, 1);
    unsigned long const array = shader.addKey(L"array", SKT_FLOAT, 3);
    EXPECT_TRUE(shader->checkScalarKey(scalar, SKT_FLOAT));
    EXPECT_FALSE(shader->checkScalarKey(array, SKT_FLOAT));
    EXPECT_TRUE(shader->checkArrayKey(array, SKT_FLOAT, 2));
    EXPECT_FALSE(shader->checkArrayKey(array, SKT_FLOAT, 3));
    EXPECT_TRUE(shader->checkArrayKey(scalar, SKT_FLOAT, 0));
    EXPECT_THROW(shader->checkScalarKey(2, SKT_INT), std::out_of_range);
}

// Expected values folded independently (64-bit murmur step over the characters, then over
// name, key map, type vector and key count).
TEST(ShaderTest, HashesAreTheStoredFoldValues) {
    EXPECT_EQ(Shader()->getHash(), 0x524d6c89a1114040ull);
    Shader shader(L"cleanupShader");
    shader.addKey(L"texture", SKT_TEXTURE, 1);
    EXPECT_EQ(shader->getHash(), 0x8503ad2996932535ull);
}

TEST(ShaderTest, PrintsNameAndKeysInNameOrder) {
    Shader shader(L"cleanupShader");
    shader.addKey(L"texture", SKT_TEXTURE, 1);
    shader.addKey(L"colors", SKT_FLOAT, 3);
    std::wostringstream out;
    out << shader;
    EXPECT_EQ(out.str(), L"cleanupShader [ (colors, 1(float ARRAY))(texture, 0(tex)) ]");
}

}  // namespace
}  // namespace util
