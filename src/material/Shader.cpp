#include "material/Shader.h"

#include <boost/atomic.hpp>

#include "base/ThreadSafeBlockInit.h"

namespace util {

// Constant-initialised, so a static initialiser elsewhere may call getDefault before this
// translation unit's dynamic initialisation has run. Never deleted at exit: the interning table
// is a function-local static and may already be gone by then.
Shader* Shader::mDefaultShader = nullptr;

Shader::Shader() : mContainer(detail::ShaderContainer()) {}

Shader::Shader(std::wstring const& name) : mContainer(detail::ShaderContainer(name)) {}

Shader::~Shader() = default;

Shader::Shader(Shader const& other) = default;

Shader& Shader::operator=(Shader const& other) = default;

unsigned long Shader::getKey(std::wstring const& name) const { return getContainer().getKey(name); }

unsigned long Shader::getKey(std::wstring const& name, ShaderKeyType& type,
                             unsigned long& size) const {
    return getContainer().getKey(name, type, size);
}

std::vector<std::wstring> Shader::getKeys() const { return getContainer().getKeys(); }

Shader const& Shader::getDefault() {
    static boost::atomic<unsigned int> state(0);
    {
        ThreadSafeBlockInit const guard(state);
        if (mDefaultShader == nullptr) mDefaultShader = new Shader();
    }
    return *mDefaultShader;
}

void Shader::setDefault(Shader const& shader) {
    Shader* const previous = mDefaultShader;
    mDefaultShader = new Shader(shader);
    delete previous;
}

unsigned long Shader::addKey(std::wstring const& name, ShaderKeyType type, unsigned long size) {
    detail::ShaderContainer changed(getContainer());
    unsigned long const index = changed.addKey(name, type, size);
    mContainer = changed;
    return index;
}

void Shader::setName(std::wstring const& name) {
    detail::ShaderContainer changed(getContainer());
    changed.setName(name);
    mContainer = changed;
}

std::wostream& operator<<(std::wostream& out, Shader const& shader) {
    return out << shader.getContainer();
}

}  // namespace util
