#pragma once

#include <boost/flyweight/flyweight.hpp>
#include <boost/flyweight/hashed_factory.hpp>
#include <boost/flyweight/refcounted.hpp>
#include <boost/flyweight/simple_locking.hpp>
#include <boost/flyweight/static_holder.hpp>
#include <cstddef>
#include <ostream>
#include <string>

#include "base/Export.h"
#include "material/ShaderContainer.h"
#include "material/ShaderKeyType.h"

namespace util {
namespace detail {

struct ShaderContainerHash {
    std::size_t operator()(ShaderContainer const& container) const { return container.getHash(); }
};

// One table per loaded library; a schema leaves it with its last handle.
using ShaderFlyweight = boost::flyweights::flyweight<
    ShaderContainer, boost::flyweights::hashed_factory<ShaderContainerHash>,
    boost::flyweights::refcounted, boost::flyweights::simple_locking,
    boost::flyweights::static_holder>;

}  // namespace detail

// Counted handle to an interned, immutable key schema. Equal schemas are one interned value, so
// handles compare by identity. addKey and setName build a modified schema and move this handle
// to it; other holders of the old schema keep it. Handles may be copied and read from any
// thread; one handle must not be changed while another thread uses it.
class TOOLBOX_API Shader {
public:
    Shader();  // the empty schema "EmptyShader"
    explicit Shader(std::wstring const& name);
    virtual ~Shader() = default;
    Shader(Shader const&) = default;
    Shader& operator=(Shader const&) = default;

    // The process-wide default, created on first call from any thread (static initialisers of
    // other translation units included). setDefault is not synchronised against readers and
    // invalidates references that getDefault returned before.
    static Shader const& getDefault();
    static void setDefault(Shader const& shader);

    detail::ShaderContainer const& getContainer() const { return mContainer.get(); }
    detail::ShaderContainer const* operator->() const { return &mContainer.get(); }

    bool operator==(Shader const& other) const { return &getContainer() == &other.getContainer(); }
    bool operator!=(Shader const& other) const { return !(*this == other); }

    // Throws as ShaderContainer::addKey does, leaving this shader unchanged.
    unsigned long addKey(std::wstring const& name, ShaderKeyType type, unsigned long size);
    void setName(std::wstring const& name);

private:
    static Shader* mDefaultShader;
    detail::ShaderFlyweight mContainer;
};

TOOLBOX_API std::wostream& operator<<(std::wostream& out, Shader const& shader);

}  // namespace util
