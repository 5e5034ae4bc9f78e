#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "material/Shader.h"
#include "material/Texture.h"

namespace util {
namespace detail {

// The value behind a util::Material: a shader plus, per value type, the values this material
// sets, keyed by the shader's key index. Maps are shared between copies and never written once
// shared: set() installs a modified clone (copy-on-write). Interned containers are immutable;
// callers copy one, set() on the copy and intern the copy as a new material. Not synchronised.
class MaterialContainer {
public:
    struct MapEntry {
        unsigned long position;  // of the key's first value in Map::values
        unsigned long count;     // 1 for a scalar, the array length otherwise
    };

    // Values of all keys back to back in `values`; `index` says where each key's run is.
    template <typename K, typename V>
    struct Map {
        using Value = V;

        std::map<K, MapEntry> index;
        std::vector<V> values;
        std::size_t hash = 0;

        V const* find(K const& key) const;  // first value of the key's run, or null
        void set(K const& key, V const& value);
        void recalcHash();
        // Layout-independent: same keys, counts and values (by == ; textures by pointer).
        bool equals(Map const& other) const;
        int compare(Map const& other) const;  // lexicographic over (key, count, run); -1, 0, 1
    };

    using BoolMap = Map<unsigned long, unsigned char>;
    using IntMap = Map<unsigned long, int>;
    using FloatMap = Map<unsigned long, double>;
    using StringMap = Map<unsigned long, std::wstring>;
    using TextureMap = Map<unsigned long, std::shared_ptr<Texture const>>;
    using BlindDataMap = Map<std::wstring, void*>;

    // Shared by every new container; defined in Material.cpp so they exist before the
    // default material that is built from them at library load.
    static std::shared_ptr<BoolMap const> const EmptyBoolMapPtr;
    static std::shared_ptr<IntMap const> const EmptyIntMapPtr;
    static std::shared_ptr<FloatMap const> const EmptyFloatMapPtr;
    static std::shared_ptr<StringMap const> const EmptyStringMapPtr;
    static std::shared_ptr<TextureMap const> const EmptyTextureMapPtr;
    static std::shared_ptr<BlindDataMap const> const EmptyBlindDataMapPtr;

    explicit MaterialContainer(Shader const& shader);  // sets nothing
    MaterialContainer(MaterialContainer const&) = default;
    MaterialContainer& operator=(MaterialContainer const&) = default;

    Shader const& getShader() const { return mShader; }
    std::size_t getHash() const { return mHash; }
    unsigned long getShaderOverride() const { return mShaderOverride; }
    BoolMap const& getBoolMap() const { return *mBoolMap; }
    IntMap const& getIntMap() const { return *mIntMap; }
    FloatMap const& getFloatMap() const { return *mFloatMap; }
    StringMap const& getStringMap() const { return *mStringMap; }
    TextureMap const& getTextureMap() const { return *mTextureMap; }
    BlindDataMap const& getBlindDataMap() const { return *mBlindDataMap; }
    BoolMap const& getChangedKeys() const { return *mChangedKeys; }  // 1 for each key set

    // Set the first value of the key's run (a new key gets a run of one) and mark the key
    // changed. Keys are not checked against the shader.
    void set(unsigned long key, std::shared_ptr<Texture const> const& value);
    void set(unsigned long key, std::wstring const& value);
    void set(unsigned long key, wchar_t const* value);  // or a literal would pick the bool one
    void set(unsigned long key, int value);
    void set(unsigned long key, double value);
    void set(unsigned long key, unsigned char value);  // bool value: 0 or 1
    void set(unsigned long key, bool value);           // or true would pick the int one
    void recalcHash();

    bool operator==(MaterialContainer const& other) const;
    bool operator!=(MaterialContainer const& other) const { return !(*this == other); }
    // By hash; on equal hashes, less when no component is greater and one is smaller.
    bool operator<(MaterialContainer const& other) const;

private:
    template <typename M>
    void setValue(std::shared_ptr<M const>& map, unsigned long key, typename M::Value const& value);

    Shader mShader;
    std::shared_ptr<BoolMap const> mBoolMap;
    std::shared_ptr<IntMap const> mIntMap;
    std::shared_ptr<FloatMap const> mFloatMap;
    std::shared_ptr<StringMap const> mStringMap;
    std::shared_ptr<TextureMap const> mTextureMap;
    std::shared_ptr<BlindDataMap const> mBlindDataMap;
    std::shared_ptr<BoolMap const> mChangedKeys;
    unsigned long mShaderOverride = 0;  // only a merge of two materials sets it
    std::size_t mHash = 0;
};

}  // namespace detail
}  // namespace util
