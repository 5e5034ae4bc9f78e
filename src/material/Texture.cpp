#include "material/Texture.h"

#include <utility>

namespace util {

Texture::Texture(std::wstring const& uri) : Texture(uri, nullptr, false) {}

Texture::Texture(std::wstring const& uri, std::shared_ptr<Datablock const> metadata)
    : Texture(uri, std::move(metadata), false) {}

Texture::Texture(std::wstring const& uri, std::shared_ptr<Datablock const> metadata, bool valid)
    : mURI(uri), mValid(valid), mMetadata(std::move(metadata)) {}

Texture::~Texture() = default;

}  // namespace util
