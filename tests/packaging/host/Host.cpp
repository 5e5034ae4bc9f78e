// A host of the installed library: cleans a small record and checks where the library came from.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "cleanup/Cleanup.h"

namespace {
std::string realPath(char const* path) {
    char resolved[PATH_MAX];
    return realpath(path, resolved) != nullptr ? resolved : "";
}

// The directory of the shared object that defines the cleanup functions.
std::string libraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&Cleanup::freeMeshData), &info) == 0) return "";
    std::string const path = realPath(info.dli_fname);
    return path.substr(0, path.rfind('/'));
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    if (libraryDirectory() != realPath(argv[1])) {
        std::fprintf(stderr, "libtoolbox.so loaded from %s, not %s\n", libraryDirectory().c_str(),
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
