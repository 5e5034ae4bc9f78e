#include "MeshFuzz.h"
#include "ObjFile.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using namespace util::tool;
    fuzz::checkFormat(data, size, MeshFormat::OBJ,
                      [](CheckedRecord const& record, std::vector<std::string>&) {
                          return objText(record, "fuzz.mtl");
                      });
    return 0;
}
