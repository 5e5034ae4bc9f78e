// A host of the installed library: cleans a small record and checks where the library came from.
#include <dlfcn.h>

#include <cstdio>
#include <filesystem>

#include "cleanup/Cleanup.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    Dl_info library{};
    if (argc != 2 || dladdr(reinterpret_cast<void*>(&Cleanup::freeMeshData), &library) == 0)
        return 2;
    // A host that ran against the build tree would prove nothing about the install.
    if (fs::canonical(library.dli_fname).parent_path() != fs::canonical(argv[1])) {
        std::fprintf(stderr, "libtoolbox.so loaded from %s, not from %s\n", library.dli_fname,
                     argv[1]);
        return 1;
    }
    // A unit square and a triangle without area; removing zero faces keeps the square.
    float coords[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0};
    int indices[] = {0, 1, 2, 3, 4, 5, 6};
    int counts[] = {4, 3};
    Cleanup::MeshData input{};
    input.mVertexCoords = coords;
    input.mVCCount = 21;
    input.mIndices = indices;
    input.mIndexCount = 7;
    input.mCounts = counts;
    input.mCountCount = 2;
    Cleanup::MeshData* const result = Cleanup::removeFacesZero(0.001f, input);
    bool const ok = result != nullptr && result->mCountCount == 1 && result->mCounts[0] == 4;
    Cleanup::freeMeshData(result);
    if (!ok) std::fprintf(stderr, "removeFacesZero did not keep exactly the square\n");
    return ok ? 0 : 1;
}
