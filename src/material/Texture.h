#pragma once

#include <memory>
#include <string>
#include <utility>

#include "base/Export.h"
#include "material/Datablock.h"

namespace util {

// A texture as materials hold it: shared and immutable (std::shared_ptr<Texture const>);
// materials compare textures by pointer, never by content.
class TOOLBOX_API Texture {
public:
    explicit Texture(std::wstring const& uri);
    Texture(std::wstring const& uri, std::shared_ptr<Datablock const> metadata);
    Texture(Texture const&) = delete;
    Texture& operator=(Texture const&) = delete;

    // Null when the texture carries no pixels.
    virtual std::shared_ptr<Datablock const> getPixeldata() const = 0;
    virtual ~Texture();

    std::wstring const& getURI() const { return mURI; }
    // True when the texture has a non-empty URI and pixel bytes.
    bool isValid() const { return mValid; }
    // Null when the texture carries no metadata.
    std::shared_ptr<Datablock const> const& getMetadata() const { return mMetadata; }

protected:
    Texture(std::wstring const& uri, std::shared_ptr<Datablock const> metadata, bool valid);
    // For subclasses whose metadata is derived from data they take over in their constructor.
    void setMetadata(std::shared_ptr<Datablock const> metadata) { mMetadata = std::move(metadata); }

private:
    std::wstring mURI;
    bool mValid;
    std::shared_ptr<Datablock const> mMetadata;
};

}  // namespace util
