#include "material/MaterialContainer.h"

#include <algorithm>
#include <boost/functional/hash.hpp>
#include <functional>

#include "material/HashCombine.h"
#include "material/MaterialTypes.h"

namespace util {
namespace detail {
namespace {

std::size_t valueHash(unsigned long v) { return v; }
std::size_t valueHash(unsigned char v) { return v; }
std::size_t valueHash(int v) { return static_cast<std::size_t>(v); }
std::size_t valueHash(double v) { return boost::hash<double>()(v); }
std::size_t valueHash(std::wstring const& v) { return hashWString(v); }
// Pointer identity, not texture content.
std::size_t valueHash(std::shared_ptr<Texture const> const& v) {
    return boost::hash<Texture const*>()(v.get());
}
std::size_t valueHash(void* v) { return boost::hash<void*>()(v); }

unsigned char defaultValue(unsigned char const*) { return MaterialTypes::DEFAULT_BOOL; }
int defaultValue(int const*) { return MaterialTypes::DEFAULT_INT; }
double defaultValue(double const*) { return MaterialTypes::DEFAULT_FLOAT; }
std::wstring defaultValue(std::wstring const*) { return MaterialTypes::DEFAULT_STRING; }
std::shared_ptr<Texture const> defaultValue(std::shared_ptr<Texture const> const*) {
    return MaterialTypes::DEFAULT_TEXTURE;
}
void* defaultValue(void* const*) { return MaterialTypes::DEFAULT_BLINDDATA; }

// Three-way comparisons; textures and blind data by pointer, a NaN compares as equal.
template <typename T>
int compareValues(T const& a, T const& b) {
    std::less<T> const less;
    return less(a, b) ? -1 : (less(b, a) ? 1 : 0);
}
int compareValues(std::shared_ptr<Texture const> const& a, std::shared_ptr<Texture const> const& b) {
    return compareValues(a.get(), b.get());
}

int compareShaders(Shader const& a, Shader const& b) {
    if (a == b) return 0;
    if (a.getContainer() < b.getContainer()) return -1;
    return a.getContainer() > b.getContainer() ? 1 : 0;
}

}  // namespace

template <typename K, typename V>
V const* MaterialContainer::Map<K, V>::find(K const& key) const {
    auto const it = index.find(key);
    return it == index.end() ? nullptr : &values[it->second.position];
}

template <typename K, typename V>
void MaterialContainer::Map<K, V>::set(K const& key, V const& value) {
    auto it = index.find(key);
    if (it == index.end()) {
        it = index.emplace(key, MapEntry{values.size(), 1}).first;
        values.push_back(defaultValue(static_cast<V const*>(nullptr)));
    }
    values[it->second.position] = value;
    recalcHash();
}

template <typename K, typename V>
void MaterialContainer::Map<K, V>::recalcHash() {
    std::size_t seed = 0;
    for (auto const& entry : index) {
        hashCombine(seed, valueHash(entry.first));
        hashCombine(seed, entry.second.count);
        for (unsigned long k = 0; k < entry.second.count; ++k)
            hashCombine(seed, valueHash(values[entry.second.position + k]));
    }
    hash = seed;
}

template <typename K, typename V>
bool MaterialContainer::Map<K, V>::equals(Map const& other) const {
    if (this == &other) return true;
    if (hash != other.hash || index.size() != other.index.size()) return false;
    for (auto a = index.begin(), b = other.index.begin(); a != index.end(); ++a, ++b) {
        if (a->first != b->first || a->second.count != b->second.count) return false;
        for (unsigned long k = 0; k < a->second.count; ++k)
            if (!(values[a->second.position + k] == other.values[b->second.position + k]))
                return false;
    }
    return true;
}

template <typename K, typename V>
int MaterialContainer::Map<K, V>::compare(Map const& other) const {
    if (this == &other) return 0;
    auto a = index.begin();
    auto b = other.index.begin();
    for (; a != index.end() && b != other.index.end(); ++a, ++b) {
        if (int const c = compareValues(a->first, b->first)) return c;
        unsigned long const common = std::min(a->second.count, b->second.count);
        for (unsigned long k = 0; k < common; ++k) {
            int const c = compareValues(values[a->second.position + k],
                                        other.values[b->second.position + k]);
            if (c != 0) return c;
        }
        if (int const c = compareValues(a->second.count, b->second.count)) return c;
    }
    if (a != index.end()) return 1;
    return b != other.index.end() ? -1 : 0;
}

template struct MaterialContainer::Map<unsigned long, unsigned char>;
template struct MaterialContainer::Map<unsigned long, int>;
template struct MaterialContainer::Map<unsigned long, double>;
template struct MaterialContainer::Map<unsigned long, std::wstring>;
template struct MaterialContainer::Map<unsigned long, std::shared_ptr<Texture const>>;
template struct MaterialContainer::Map<std::wstring, void*>;

MaterialContainer::MaterialContainer(Shader const& shader)
    : mShader(shader),
      mBoolMap(EmptyBoolMapPtr),
      mIntMap(EmptyIntMapPtr),
      mFloatMap(EmptyFloatMapPtr),
      mStringMap(EmptyStringMapPtr),
      mTextureMap(EmptyTextureMapPtr),
      mBlindDataMap(EmptyBlindDataMapPtr),
      mChangedKeys(EmptyBoolMapPtr) {
    recalcHash();
}

template <typename M>
void MaterialContainer::setValue(std::shared_ptr<M const>& map, unsigned long key,
                                 typename M::Value const& value) {
    auto changedKeys = std::make_shared<BoolMap>(*mChangedKeys);
    changedKeys->set(key, 1);
    auto clone = std::make_shared<M>(*map);
    clone->set(key, value);
    map = std::move(clone);
    mChangedKeys = std::move(changedKeys);
    recalcHash();
}

void MaterialContainer::set(unsigned long key, std::shared_ptr<Texture const> const& value) {
    setValue(mTextureMap, key, value);
}
void MaterialContainer::set(unsigned long key, std::wstring const& value) {
    setValue(mStringMap, key, value);
}
void MaterialContainer::set(unsigned long key, wchar_t const* value) {
    setValue(mStringMap, key, std::wstring(value));
}
void MaterialContainer::set(unsigned long key, int value) { setValue(mIntMap, key, value); }
void MaterialContainer::set(unsigned long key, double value) { setValue(mFloatMap, key, value); }
void MaterialContainer::set(unsigned long key, unsigned char value) {
    setValue(mBoolMap, key, value);
}
void MaterialContainer::set(unsigned long key, bool value) {
    setValue(mBoolMap, key, static_cast<unsigned char>(value ? 1 : 0));
}

void MaterialContainer::recalcHash() {
    std::size_t seed = 0;
    hashCombine(seed, mShader.getContainer().getHash());
    hashCombine(seed, mBoolMap->hash);
    hashCombine(seed, mIntMap->hash);
    hashCombine(seed, mFloatMap->hash);
    hashCombine(seed, mStringMap->hash);
    hashCombine(seed, mTextureMap->hash);
    hashCombine(seed, mBlindDataMap->hash);
    hashCombine(seed, mChangedKeys->hash);
    hashCombine(seed, mShaderOverride);
    mHash = seed;
}

bool MaterialContainer::operator==(MaterialContainer const& other) const {
    if (this == &other) return true;
    if (mHash != other.mHash || mShader != other.mShader) return false;
    return mBoolMap->equals(*other.mBoolMap) && mIntMap->equals(*other.mIntMap) &&
           mFloatMap->equals(*other.mFloatMap) && mStringMap->equals(*other.mStringMap) &&
           mTextureMap->equals(*other.mTextureMap) &&
           mBlindDataMap->equals(*other.mBlindDataMap) &&
           mChangedKeys->equals(*other.mChangedKeys) && mShaderOverride == other.mShaderOverride;
}

bool MaterialContainer::operator<(MaterialContainer const& other) const {
    if (this == &other) return false;
    if (mHash != other.mHash) return mHash < other.mHash;
    int const components[] = {compareShaders(mShader, other.mShader),
                              mBoolMap->compare(*other.mBoolMap),
                              mIntMap->compare(*other.mIntMap),
                              mFloatMap->compare(*other.mFloatMap),
                              mStringMap->compare(*other.mStringMap),
                              mTextureMap->compare(*other.mTextureMap),
                              mBlindDataMap->compare(*other.mBlindDataMap),
                              mChangedKeys->compare(*other.mChangedKeys),
                              compareValues(mShaderOverride, other.mShaderOverride)};
    bool smaller = false;
    for (int const c : components) {
        if (c > 0) return false;
        smaller = smaller || c < 0;
    }
    return smaller;
}

}  // namespace detail
}  // namespace util
