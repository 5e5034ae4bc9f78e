#include "material/ShaderContainer.h"

#include <algorithm>
#include <stdexcept>

#include "base/StringUtils.h"
#include "material/HashCombine.h"

namespace util {
namespace detail {
namespace {

// Every fresh container shares these, so empty schemas cost no allocation.
std::shared_ptr<ShaderContainer::KeyMap const> const& getEmptyKeyMapPtr() {
    static std::shared_ptr<ShaderContainer::KeyMap const> const empty =
        std::make_shared<ShaderContainer::KeyMap const>();
    return empty;
}

std::shared_ptr<ShaderContainer::TypeVector const> const& getEmptyTypeVectorPtr() {
    static std::shared_ptr<ShaderContainer::TypeVector const> const empty =
        std::make_shared<ShaderContainer::TypeVector const>();
    return empty;
}

// Boost's hash of the map: each entry hashed as a pair, the pairs folded in key order.
std::size_t hashKeyMap(ShaderContainer::KeyMap const& keys) {
    std::size_t seed = 0;
    for (auto const& entry : keys) {
        std::size_t pair = 0;
        hashCombine(pair, hashWString(entry.first));
        hashCombine(pair, entry.second);
        hashCombine(seed, pair);
    }
    return seed;
}

std::size_t hashTypeVector(ShaderContainer::TypeVector const& types) {
    std::size_t seed = 0;
    for (auto const& entry : types) {
        std::size_t pair = 0;
        hashCombine(pair, static_cast<std::size_t>(entry.first));
        hashCombine(pair, entry.second);
        hashCombine(seed, pair);
    }
    return seed;
}

std::invalid_argument unknownKey(std::wstring const& name) {
    return std::invalid_argument("unknown shader key: " + StringUtils::toOSNarrowFromUTF16(name));
}

wchar_t const* typeWord(ShaderKeyType type) {
    switch (type) {
        case SKT_INT: return L"(int";
        case SKT_BOOL: return L"(bool";
        case SKT_FLOAT: return L"(float";
        case SKT_STRING: return L"(string";
        case SKT_TEXTURE: return L"(tex";
    }
    return L"";
}

}  // namespace

ShaderContainer::ShaderContainer() : ShaderContainer(L"EmptyShader") {}

ShaderContainer::ShaderContainer(std::wstring const& name)
    : mName(name), mKeyMap(getEmptyKeyMapPtr()), mTypes(getEmptyTypeVectorPtr()) {
    recalcHash();
}

unsigned long ShaderContainer::getKey(std::wstring const& name) const {
    auto const it = mKeyMap->find(name);
    if (it == mKeyMap->end()) throw unknownKey(name);
    return it->second;
}

unsigned long ShaderContainer::getKey(std::wstring const& name, ShaderKeyType& type,
                                      unsigned long& size) const {
    unsigned long const index = getKey(name);
    auto const& entry = mTypes->at(index);
    type = entry.first;
    size = entry.second;
    return index;
}

std::vector<std::wstring> ShaderContainer::getKeys() const {
    std::vector<std::wstring> names;
    names.reserve(mKeyMap->size());
    for (auto const& entry : *mKeyMap) names.push_back(entry.first);
    return names;
}

bool ShaderContainer::checkScalarKey(unsigned long index, ShaderKeyType type) const {
    auto const& entry = mTypes->at(index);
    return entry.second == 1 && entry.first == type;
}

bool ShaderContainer::checkArrayKey(unsigned long index, ShaderKeyType type,
                                    unsigned long element) const {
    auto const& entry = mTypes->at(index);
    return entry.first == type && entry.second > element;
}

unsigned long ShaderContainer::addKey(std::wstring const& name, ShaderKeyType type,
                                      unsigned long size) {
    if (size == 0)
        throw std::invalid_argument(
            "support for dynamic arrays as shader key type is not yet implemented!");
    // Checked before cloning so that a rejected key leaves this container untouched.
    auto const existing = mKeyMap->find(name);
    if (existing != mKeyMap->end()) {
        if ((*mTypes)[existing->second] != std::make_pair(type, size))
            throw std::runtime_error("tried to add an existing key with non-matching type/size");
        return existing->second;
    }
    auto keys = std::make_shared<KeyMap>(*mKeyMap);
    auto types = std::make_shared<TypeVector>(*mTypes);
    unsigned long const index = mKeyCount;
    keys->emplace(name, index);
    types->resize(index + 1);
    (*types)[index] = std::make_pair(type, size);
    mKeyMap = std::move(keys);
    mTypes = std::move(types);
    mKeyCount = index + 1;
    recalcHash();
    return index;
}

void ShaderContainer::setName(std::wstring const& name) {
    mName = name;
    recalcHash();
}

void ShaderContainer::recalcHash() {
    std::size_t seed = 0;
    hashCombine(seed, hashWString(mName));
    hashCombine(seed, hashKeyMap(*mKeyMap));
    hashCombine(seed, hashTypeVector(*mTypes));
    hashCombine(seed, mKeyCount);
    mHash = seed;
}

bool ShaderContainer::operator==(ShaderContainer const& other) const {
    if (this == &other) return true;
    return mHash == other.mHash && mName == other.mName &&
           (mKeyMap == other.mKeyMap || *mKeyMap == *other.mKeyMap) &&
           (mTypes == other.mTypes || *mTypes == *other.mTypes) && mKeyCount == other.mKeyCount;
}

bool ShaderContainer::operator<(ShaderContainer const& other) const {
    if (this == &other) return false;
    return mHash < other.mHash || mName < other.mName || *mKeyMap < *other.mKeyMap ||
           *mTypes < *other.mTypes || mKeyCount < other.mKeyCount;
}

std::wostream& operator<<(std::wostream& out, ShaderContainer const& container) {
    out << container.getName() << L" [ ";
    for (std::wstring const& name : container.getKeys()) {
        ShaderKeyType type = SKT_INT;
        unsigned long size = 0;
        unsigned long const index = container.getKey(name, type, size);
        out << L"(" << name << L", " << index << typeWord(type) << (size < 2 ? L"))" : L" ARRAY))");
    }
    return out << L" ]";
}

}  // namespace detail
}  // namespace util
