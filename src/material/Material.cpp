#include "material/Material.h"

#include <vector>

#include "material/MaterialTypes.h"
#include "material/SimpleTexture.h"

namespace util {

// Everything built at library load lives in this translation unit, in dependency order: the
// constants, the shared empty maps, then the default material built from them.
namespace MaterialTypes {
std::wstring const DEFAULT_STRING;
std::shared_ptr<Texture const> const DEFAULT_TEXTURE =
    std::make_shared<SimpleTexture>(std::wstring(), nullptr, nullptr);
std::vector<double> const FLOAT_ZERO3{0.0, 0.0, 0.0};
std::vector<double> const FLOAT_ONE3{1.0, 1.0, 1.0};
std::vector<int> const INT_ONE_TWO{0, 1};
}  // namespace MaterialTypes

namespace detail {
namespace {
template <typename M>
std::shared_ptr<M const> makeEmptyMap() {
    auto map = std::make_shared<M>();
    map->recalcHash();
    return map;
}
}  // namespace

std::shared_ptr<MaterialContainer::BoolMap const> const MaterialContainer::EmptyBoolMapPtr =
    makeEmptyMap<BoolMap>();
std::shared_ptr<MaterialContainer::IntMap const> const MaterialContainer::EmptyIntMapPtr =
    makeEmptyMap<IntMap>();
std::shared_ptr<MaterialContainer::FloatMap const> const MaterialContainer::EmptyFloatMapPtr =
    makeEmptyMap<FloatMap>();
std::shared_ptr<MaterialContainer::StringMap const> const MaterialContainer::EmptyStringMapPtr =
    makeEmptyMap<StringMap>();
std::shared_ptr<MaterialContainer::TextureMap const> const MaterialContainer::EmptyTextureMapPtr =
    makeEmptyMap<TextureMap>();
std::shared_ptr<MaterialContainer::BlindDataMap const> const
    MaterialContainer::EmptyBlindDataMapPtr = makeEmptyMap<BlindDataMap>();
}  // namespace detail

detail::MaterialFlyweight staticDefaultMaterial{detail::MaterialContainer(Shader::getDefault())};

namespace {
template <typename M>
typename M::Value lookup(M const& own, M const& fallback, unsigned long key,
                         typename M::Value const& defaultValue) {
    if (auto const* value = own.find(key)) return *value;
    if (auto const* value = fallback.find(key)) return *value;
    return defaultValue;
}
}  // namespace

Material::Material() : Material(Shader::getDefault()) {}

Material::Material(Shader const& shader)
    : mContainer(detail::MaterialContainer(shader)), mDefault(staticDefaultMaterial) {}

Material::Material(Material const& other) = default;

Material& Material::operator=(Material const& other) = default;

Material::~Material() = default;

bool Material::operator==(Material const& other) const {
    return getContainer() == other.getContainer();
}

bool Material::operator!=(Material const& other) const { return !(*this == other); }

bool Material::operator<(Material const& other) const {
    return getContainer() < other.getContainer();
}

std::shared_ptr<Texture const> Material::getTexture(unsigned long key) const {
    return lookup(getContainer().getTextureMap(), mDefault.get().getTextureMap(), key,
                  MaterialTypes::DEFAULT_TEXTURE);
}

std::wstring Material::getString(unsigned long key) const {
    return lookup(getContainer().getStringMap(), mDefault.get().getStringMap(), key,
                  MaterialTypes::DEFAULT_STRING);
}

int Material::getInt(unsigned long key) const {
    return lookup(getContainer().getIntMap(), mDefault.get().getIntMap(), key,
                  MaterialTypes::DEFAULT_INT);
}

double Material::getFloat(unsigned long key) const {
    return lookup(getContainer().getFloatMap(), mDefault.get().getFloatMap(), key,
                  MaterialTypes::DEFAULT_FLOAT);
}

bool Material::getBool(unsigned long key) const {
    return lookup(getContainer().getBoolMap(), mDefault.get().getBoolMap(), key,
                  MaterialTypes::DEFAULT_BOOL) != 0;
}

void Material::setContainer(detail::MaterialContainer const& container) { mContainer = container; }

namespace {
template <typename V>
void setOnCopy(Material& material, unsigned long key, V const& value) {
    detail::MaterialContainer changed(material.getContainer());
    changed.set(key, value);
    material.setContainer(changed);
}
}  // namespace

void Material::set(unsigned long key, std::shared_ptr<Texture const> const& value) {
    setOnCopy(*this, key, value);
}
void Material::set(unsigned long key, std::wstring const& value) { setOnCopy(*this, key, value); }
void Material::set(unsigned long key, wchar_t const* value) { setOnCopy(*this, key, value); }
void Material::set(unsigned long key, int value) { setOnCopy(*this, key, value); }
void Material::set(unsigned long key, double value) { setOnCopy(*this, key, value); }
void Material::set(unsigned long key, bool value) { setOnCopy(*this, key, value); }

}  // namespace util
