// A host of the installed library: checks where the library came from, then uses what a host
// passes in (shaders, materials, meshes, a triangulator) with the cleanup, picker and
// intersector interfaces.
#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/Cleanup.h"
#include "intersection/Intersector.h"
#include "intersection/Triangulator.h"
#include "material/Material.h"
#include "material/SimpleTexture.h"
#include "picking/Picker.h"

namespace {

bool check(bool ok, char const* what) {
    if (!ok) std::fprintf(stderr, "host check failed: %s\n", what);
    return ok;
}

// A unit square and a triangle without area; removing zero faces keeps the square.
bool cleanRecord() {
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
    return check(ok, "removeFacesZero keeps exactly the square");
}

// Schemas and values the library interned, copied and released in host code. Unique names make
// every release the last one, so a release that went to the wrong interning table would show.
bool shadersAndMaterials() {
    bool ok = true;
    for (int i = 0; i < 200; ++i) {
        util::Shader shader(L"hostShader" + std::to_wstring(i));
        unsigned long const key = shader.addKey(L"texture", util::SKT_TEXTURE, 1);
        util::Shader copy = shader;
        ok &= copy == shader && copy.getKey(L"texture") == key && copy.getKeys().size() == 1;
        util::Material material(shader);
        material.set(key, std::make_shared<util::SimpleTexture>(
                              L"tex" + std::to_wstring(i) + L".png", nullptr, nullptr));
        std::vector<util::Material> materials(3, material);
        ok &= materials[2] == material &&
              materials[2].getTexture(key)->getURI() == L"tex" + std::to_wstring(i) + L".png";
    }
    return check(ok, "shader and material copies");
}

// A unit square at z = 0 with a textured material, seen by a picker and an intersector.
bool pickAndIntersect() {
    util::Shader shader(L"hostSquare");
    unsigned long const key = shader.addKey(L"texture", util::SKT_TEXTURE, 1);
    util::Material material(shader);
    material.set(key, std::make_shared<util::SimpleTexture>(L"square.png", nullptr, nullptr));
    std::vector<util::Vector3<float>> const vertices{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    std::vector<util::Mesh::Polygon> const faces{util::Mesh::Polygon({0, 1, 2, 3})};
    auto mesh = std::make_unique<util::Mesh>("square", vertices, faces, material);
    float const origin[] = {0.5f, 0.5f, 5.0f};
    float const direction[] = {0.0f, 0.0f, -1.0f};
    bool ok = true;

    std::unique_ptr<Picker> picker(Picker::createPicker());
    unsigned long const group = picker->createGroup();
    picker->addEntry(group, 7, {mesh.get()}, util::Matrix<float>());
    float distance = 0.0f;
    float normal[3] = {};
    ok &= check(
        picker->getShapeDist(group, 7, origin, direction, distance, normal) && distance == 5.0f,
        "picker ray distance");
    picker->dispose(group);
    picker->processQueue();

    util::Triangulator triangulator;
    std::unique_ptr<Intersector> intersector(Intersector::createIntersector());
    unsigned long const target = intersector->createGroup();
    intersector->addEntry(target, *mesh, util::Matrix<float>(), triangulator);
    mesh.reset();  // entries keep what they need
    distance = 0.0f;
    ok &= check(intersector->getDistanceToGroup(target, origin, direction, distance, normal) &&
                    distance == 5.0f,
                "intersector ray distance");
    intersector->dispose(target);
    intersector->processQueue();
    return ok;
}

}  // namespace

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
    bool ok = cleanRecord();
    ok &= shadersAndMaterials();
    ok &= pickAndIntersect();
    return ok ? 0 : 1;
}
