#pragma once

#include <boost/flyweight/flyweight.hpp>
#include <boost/flyweight/hashed_factory.hpp>
#include <boost/flyweight/refcounted.hpp>
#include <boost/flyweight/simple_locking.hpp>
#include <boost/flyweight/static_holder.hpp>
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "base/Export.h"
#include "material/ShaderContainer.h"
#include "material/ShaderKeyType.h"

namespace util {
namespace detail {

// The interning tables hash a value by the hash it keeps current itself.
template <typename Container>
struct StoredHash {
    std::size_t operator()(Container const& container) const { return container.getHash(); }
};

// One table per loaded library; a schema leaves it with its last handle.
using ShaderFlyweight =
    boost::flyweights::flyweight<ShaderContainer,
                                 boost::flyweights::hashed_factory<StoredHash<ShaderContainer>>,
                                 boost::flyweights::refcounted, boost::flyweights::simple_locking,
                                 boost::flyweights::static_holder>;

}  // namespace detail

// Counted handle to an interned, immutable key schema. Equal schemas are one interned value, so
// handles compare by identity. addKey and setName build a modified schema and move this handle
// to it; other holders of the old schema keep it. Handles may be copied and read from any
// thread; one handle must not be changed while another thread uses it.
//
// Copying, assigning and destroying are out of line on purpose: the interning table is one per
// loaded module, so a handle released by code inlined into a host would look in the host's
// table for a schema that lives in this library's.
class TOOLBOX_API Shader {
public:
    Shader();  // the empty schema "EmptyShader"
    explicit Shader(std::wstring const& name);
    virtual ~Shader();
    Shader(Shader const& other);
    Shader& operator=(Shader const& other);

    // The process-wide default, created on first call from any thread (static initialisers of
    // other translation units included). setDefault is not synchronised against readers and
    // invalidates references that getDefault returned before.
    static Shader const& getDefault();
    static void setDefault(Shader const& shader);

    // The library's own view of the schema; a host reads it through the queries below.
    detail::ShaderContainer const& getContainer() const { return mContainer.get(); }
    detail::ShaderContainer const* operator->() const { return &mContainer.get(); }

    std::wstring const& getName() const { return getContainer().getName(); }
    unsigned long getKeyCount() const { return getContainer().getKeyCount(); }
    // Throw std::invalid_argument "unknown shader key: <name>" for a name the schema lacks.
    unsigned long getKey(std::wstring const& name) const;
    unsigned long getKey(std::wstring const& name, ShaderKeyType& type, unsigned long& size) const;
    std::vector<std::wstring> getKeys() const;  // in name order

    bool operator==(Shader const& other) const { return &getContainer() == &other.getContainer(); }
    bool operator!=(Shader const& other) const { return !(*this == other); }

    // Throws as ShaderContainer::addKey does, leaving this shader unchanged.
    unsigned long addKey(std::wstring const& name, ShaderKeyType type, unsigned long size);
    void setName(std::wstring const& name);

private:
    TOOLBOX_LOCAL static Shader* mDefaultShader;
    detail::ShaderFlyweight mContainer;
};

TOOLBOX_API std::wostream& operator<<(std::wostream& out, Shader const& shader);

}  // namespace util
