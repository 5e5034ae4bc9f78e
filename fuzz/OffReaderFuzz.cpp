#include "MeshFuzz.h"
#include "OffFile.h"

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    using namespace util::tool;
    fuzz::checkFormat(data, size, MeshFormat::OFF,
                      [](CheckedRecord const& record, std::vector<std::string>& warnings) {
                          return offText(record, warnings);
                      });
    return 0;
}
