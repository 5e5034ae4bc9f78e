#pragma once

#include <boost/flyweight/flyweight.hpp>
#include <boost/flyweight/hashed_factory.hpp>
#include <boost/flyweight/intermodule_holder.hpp>
#include <boost/flyweight/refcounted.hpp>
#include <boost/flyweight/simple_locking.hpp>
#include <cstddef>
#include <memory>
#include <string>

#include "base/Export.h"
#include "material/MaterialContainer.h"
#include "material/Shader.h"
#include "material/Texture.h"

namespace util {
namespace detail {

// One table per process, shared by every loaded module, so materials from different modules
// compare by identity too.
using MaterialFlyweight =
    boost::flyweights::flyweight<MaterialContainer,
                                 boost::flyweights::hashed_factory<StoredHash<MaterialContainer>>,
                                 boost::flyweights::refcounted, boost::flyweights::simple_locking,
                                 boost::flyweights::intermodule_holder>;

}  // namespace detail

// The process-wide default material: the default shader with nothing set. Built at library
// load; materials capture the value current at their construction. Not synchronised: replace it
// only while no other thread builds materials.
extern detail::MaterialFlyweight staticDefaultMaterial;

// Counted handle to an interned, immutable material value (a shader plus typed values by key
// index), with a second handle to the default material captured at construction that lookups
// fall back to. Cheap to copy; handles may be copied and read from any thread. Copying,
// assigning, destroying and comparing are out of line so that every release and every table
// lookup runs in this library, as it does for Shader.
class TOOLBOX_API Material {
public:
    Material();  // the default shader with nothing set
    explicit Material(Shader const& shader);
    Material(Material const& other);
    Material& operator=(Material const& other);
    ~Material();

    Shader const& getShader() const { return getContainer().getShader(); }
    detail::MaterialContainer const& getContainer() const { return mContainer.get(); }

    // Value of a key: this material's own, else the default material's, else the
    // MaterialTypes default. Array keys yield their first element.
    std::shared_ptr<Texture const> getTexture(unsigned long key) const;
    std::wstring getString(unsigned long key) const;
    int getInt(unsigned long key) const;
    double getFloat(unsigned long key) const;
    bool getBool(unsigned long key) const;

    // Give a key index of the shader a value: a modified copy of this material's value is
    // interned and this handle moves to it; other copies keep theirs. Keys are not checked
    // against the shader.
    void set(unsigned long key, std::shared_ptr<Texture const> const& value);
    void set(unsigned long key, std::wstring const& value);
    void set(unsigned long key, wchar_t const* value);  // or a literal would pick the bool one
    void set(unsigned long key, int value);
    void set(unsigned long key, double value);
    void set(unsigned long key, bool value);

    // The default-material handle takes no part in comparisons.
    bool operator==(Material const& other) const;
    bool operator!=(Material const& other) const;
    bool operator<(Material const& other) const;

    // Interns container as this material's own value; other copies keep theirs.
    TOOLBOX_LOCAL void setContainer(detail::MaterialContainer const& container);

private:
    detail::MaterialFlyweight mContainer;
    detail::MaterialFlyweight mDefault;
};

}  // namespace util
