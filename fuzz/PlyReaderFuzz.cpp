#include "MeshFuzz.h"
#include "PlyFile.h"

// Each input is read as it is, and its mesh written back in the encoding its first byte picks.
extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using namespace util::tool;
    PlyEncoding const encoding = static_cast<PlyEncoding>(size > 0 ? data[0] % 3 : 0);
    fuzz::checkFormat(data, size, MeshFormat::PLY,
                      [encoding](CheckedRecord const& record, std::vector<std::string>& warnings) {
                          return plyText(record, encoding, warnings);
                      });
    return 0;
}
