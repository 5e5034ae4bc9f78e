#pragma once

#include "base/Export.h"

namespace util {

// A block of bytes handed across the host boundary (texture metadata and pixels). The base only
// describes the bytes; subclasses decide who owns them.
class TOOLBOX_API Datablock {
public:
    Datablock(Datablock const&) = delete;
    Datablock& operator=(Datablock const&) = delete;
    virtual ~Datablock() = 0;

    unsigned char const* getData() const { return mData; }
    unsigned long getSize() const { return mSize; }

protected:
    Datablock(unsigned char* data, unsigned long size) : mData(data), mSize(size) {}
    unsigned char* getMutableData() const { return mData; }

private:
    unsigned char* mData;
    unsigned long mSize;
};

// Owns an array allocated with new[]; data may be null (then size should be 0).
class TOOLBOX_API UInt8ArrayDatablock : public Datablock {
public:
    UInt8ArrayDatablock(unsigned char* data, unsigned long size) : Datablock(data, size) {}
    ~UInt8ArrayDatablock() override;
};

}  // namespace util
