#include <algorithm>

#include "MeshFuzz.h"
#include "StlFile.h"

// Larger facets of ASCII files are split into triangles when written, so only files of
// triangles come back as read.
extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using namespace util::tool;
    bool const ascii = size > 0 && data[size - 1] % 2 == 0;
    fuzz::checkFormat(
        data, size, MeshFormat::STL,
        [ascii](CheckedRecord const& record, std::vector<std::string>& warnings) {
            return stlText(record, ascii, warnings);
        },
        [](MeshRecord const& mesh) {
            return std::all_of(mesh.counts.begin(), mesh.counts.end(),
                               [](int corners) { return corners == 3; });
        });
    return 0;
}
