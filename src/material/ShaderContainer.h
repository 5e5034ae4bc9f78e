#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "material/ShaderKeyType.h"

namespace util {
namespace detail {

// The value behind a util::Shader: a name and an ordered set of typed keys. Key indices are
// handed out in order of first addition (0, 1, 2, ...); materials store their values by index.
// Key map and type vector are shared between copies and never written once shared: a change
// installs a modified clone (copy-on-write), so copying a container is cheap. The hash is kept
// current after every change. Not synchronised; interned values are immutable.
class ShaderContainer {
public:
    using KeyMap = std::map<std::wstring, unsigned long>;
    using TypeVector = std::vector<std::pair<ShaderKeyType, unsigned long>>;  // (type, size)

    ShaderContainer();  // "EmptyShader", no keys
    explicit ShaderContainer(std::wstring const& name);
    virtual ~ShaderContainer() = default;
    ShaderContainer(ShaderContainer const&) = default;
    ShaderContainer& operator=(ShaderContainer const&) = default;

    std::wstring const& getName() const { return mName; }
    std::size_t getHash() const { return mHash; }
    unsigned long getKeyCount() const { return mKeyCount; }
    bool hasKey(std::wstring const& name) const { return mKeyMap->count(name) != 0; }

    // Throw std::invalid_argument "unknown shader key: <name>" for a name the schema lacks.
    unsigned long getKey(std::wstring const& name) const;
    unsigned long getKey(std::wstring const& name, ShaderKeyType& type, unsigned long& size) const;
    std::vector<std::wstring> getKeys() const;  // in name order

    // Throw std::out_of_range for an index the schema does not have.
    bool checkScalarKey(unsigned long index, ShaderKeyType type) const;
    bool checkArrayKey(unsigned long index, ShaderKeyType type, unsigned long element) const;

    // Adds a key, or confirms an existing one with the same type and size; returns its index.
    // Throws std::invalid_argument for size 0 and std::runtime_error for an existing key with
    // another type or size; the container is unchanged then.
    unsigned long addKey(std::wstring const& name, ShaderKeyType type, unsigned long size);
    void setName(std::wstring const& name);

    bool operator==(ShaderContainer const& other) const;
    bool operator!=(ShaderContainer const& other) const { return !(*this == other); }
    // True when any component (hash, name, key map, types, key count, in that order) is
    // smaller: not a strict weak order, but the one materials are sorted by.
    bool operator<(ShaderContainer const& other) const;
    bool operator>(ShaderContainer const& other) const { return other < *this; }

private:
    void recalcHash();

    std::wstring mName;
    std::shared_ptr<KeyMap const> mKeyMap;
    std::shared_ptr<TypeVector const> mTypes;
    unsigned long mKeyCount = 0;
    std::size_t mHash = 0;
};

// "name [ (key, index(type)) ... ]"; array keys end in " ARRAY))".
std::wostream& operator<<(std::wostream& out, ShaderContainer const& container);

}  // namespace detail
}  // namespace util
