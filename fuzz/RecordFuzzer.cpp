// Decodes bytes into a host record, runs every exported cleanup operation on it, and checks that
// the caller's record is untouched and that every returned record is valid.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzBytes.h"
#include "RecordValidity.h"
#include "cleanup/Cleanup.h"

namespace {

constexpr unsigned int HOLES_END = 0xFFFFFFFFu;

struct Parameters {
    float tolerance;  // a distance or an area
    float degrees;    // negative ones too: they mean "touching holes only" to the coplanar pass
    bool checkUVs;
};

// One line per exported operation.
struct Operation {
    char const* name;
    Cleanup::MeshData* (*run)(Cleanup::MeshData const&, Parameters const&);
};
Operation const OPERATIONS[] = {
    {"removeEdgesZero",
     [](Cleanup::MeshData const& d, Parameters const& p) {
         return Cleanup::removeEdgesZero(p.tolerance, d);
     }},
    {"removeFacesZero",
     [](Cleanup::MeshData const& d, Parameters const& p) {
         return Cleanup::removeFacesZero(p.tolerance, d);
     }},
    {"mergeVertices",
     [](Cleanup::MeshData const& d, Parameters const& p) -> Cleanup::MeshData* {
         try {
             return Cleanup::mergeVertices(p.tolerance, d);
         } catch (std::runtime_error const&) {
             return nullptr;  // by design for non-finite coordinates in large meshes
         }
     }},
    {"conformNormals",
     [](Cleanup::MeshData const& d, Parameters const&) { return Cleanup::conformNormals(d); }},
    {"removeFacesDouble",
     [](Cleanup::MeshData const& d, Parameters const& p) {
         return Cleanup::removeFacesDouble(p.checkUVs, d);
     }},
    {"removeEdgesCoplanar",
     [](Cleanup::MeshData const& d, Parameters const& p) {
         return Cleanup::removeEdgesCoplanar(p.degrees, p.checkUVs, d);
     }},
    {"removeVerticesColinear",
     [](Cleanup::MeshData const& d, Parameters const& p) {
         return Cleanup::removeVerticesColinear(p.degrees < 0 ? -p.degrees : p.degrees, p.checkUVs,
                                                d);
     }},
};

// The host's arrays; the record points into them and declares exactly their sizes, except where
// a shape declares more counts than present behind a count that overruns the indices.
struct HostRecord {
    std::vector<float> coords, texCoords;
    std::vector<int> indices, tcIndices, counts;
    std::vector<unsigned int> holes, startFaces;
    std::vector<std::string> names;
    std::vector<char*> textures;
    bool withTexCoords = false, withStartFaces = false, nullName = true, overrun = false;
    char name[8] = "fuzzed";

    Cleanup::MeshData record() {
        Cleanup::MeshData d{};
        d.mName = nullName ? nullptr : name;
        d.mVertexCoords = coords.empty() ? nullptr : coords.data();
        d.mVCCount = static_cast<int>(coords.size());
        d.mIndices = indices.empty() ? nullptr : indices.data();
        d.mIndexCount = static_cast<int>(indices.size());
        if (withTexCoords) {
            d.mTexCoords = texCoords.data();
            d.mTCCount = static_cast<int>(texCoords.size());
            d.mTCIndices = tcIndices.empty() ? nullptr : tcIndices.data();
            d.mTCIndexCount = static_cast<int>(tcIndices.size());
        }
        d.mCounts = counts.empty() ? nullptr : counts.data();
        d.mCountCount = overrun ? INT_MAX : static_cast<int>(counts.size());
        textures.clear();
        for (std::string& n : names) textures.push_back(n.empty() ? nullptr : &n[0]);
        d.mTextures = textures.empty() ? nullptr : textures.data();
        d.mTexturesCount = static_cast<int>(textures.size());
        if (withStartFaces) {
            d.mTexturesStartFaces = startFaces.data();
            d.mTexturesStartFacesCount = static_cast<int>(startFaces.size());
        }
        d.mHoles = holes.empty() ? nullptr : holes.data();
        d.mHolesCount = static_cast<int>(holes.size());
        return d;
    }
};

void addTextures(fuzz::FuzzBytes& in, HostRecord& h, unsigned int faces) {
    for (unsigned int t = in.below(5); t > 0; --t) {
        h.names.push_back(in.chance(4) ? "" : (in.chance(2) ? "a.png" : "b.png"));
        h.startFaces.push_back(in.chance(3)
                                   ? in.below(faces + 2)
                                   : static_cast<unsigned int>(h.startFaces.size()) * (faces / 4));
    }
    h.withStartFaces = !in.chance(4);
    if (!h.withStartFaces) h.startFaces.clear();
}

void addHolesGarbage(fuzz::FuzzBytes& in, HostRecord& h, unsigned int faces) {
    for (unsigned int g = in.below(6); g > 0; --g) {
        for (unsigned int e = 1 + in.below(5); e > 0; --e)
            h.holes.push_back(in.chance(6) ? HOLES_END : in.below(faces + 3));
        h.holes.push_back(HOLES_END);
    }
    if (!h.holes.empty() && in.chance(8)) h.holes.pop_back();
}

// Anything the counts and sizes allow: random corners, counts from -2, special coordinates.
void decodeHostile(fuzz::FuzzBytes& in, HostRecord& h) {
    unsigned int const vertices = in.below(24);
    for (unsigned int i = 0; i < 3 * vertices + in.below(3); ++i)
        h.coords.push_back(in.coordinate());
    unsigned int const faces = in.below(24);
    for (unsigned int f = 0; f < faces; ++f) {
        int const count = static_cast<int>(in.below(9)) - 2;
        h.counts.push_back(count);
        for (int c = 0; c < count; ++c)
            h.indices.push_back(static_cast<int>(in.below(vertices + 1)));
    }
    h.indices.resize(h.indices.size() + in.below(3), 0);
    if (in.chance(16) && !h.counts.empty()) {
        h.counts.push_back(static_cast<int>(h.indices.size()) + 1);
        h.overrun = true;
    }
    h.withTexCoords = in.chance(2);
    unsigned int const uvs = in.below(8);
    for (unsigned int i = 0; i < 2 * uvs + in.below(2); ++i) h.texCoords.push_back(in.coordinate());
    for (std::size_t i = 0; i < h.indices.size() + in.below(2); ++i)
        h.tcIndices.push_back(static_cast<int>(in.below(uvs + 1)));
    addTextures(in, h, faces);
    addHolesGarbage(in, h, faces);
}

int addVertex(HostRecord& h, float x, float y, float z) {
    h.coords.insert(h.coords.end(), {x, y, z});
    h.texCoords.insert(h.texCoords.end(), {x * 0.1f, y * 0.1f});
    return static_cast<int>(h.coords.size() / 3 - 1);
}

void addFace(HostRecord& h, std::vector<int> const& corners) {
    h.counts.push_back(static_cast<int>(corners.size()));
    h.indices.insert(h.indices.end(), corners.begin(), corners.end());
    h.tcIndices.insert(h.tcIndices.end(), corners.begin(), corners.end());
}

// A square at height z, wound either way.
int addSquare(HostRecord& h, float x, float y, float size, float z, bool clockwise) {
    int const a = addVertex(h, x, y, z), b = addVertex(h, x + size, y, z);
    int const c = addVertex(h, x + size, y + size, z), d = addVertex(h, x, y + size, z);
    addFace(h, clockwise ? std::vector<int>{a, d, c, b} : std::vector<int>{a, b, c, d});
    return static_cast<int>(h.counts.size() - 1);
}

// A mostly valid mesh so the passes run deep: a grid with the defects the passes remove, a large
// face with holes (some overlapping, outside or facing the same way), UVs and texture ranges.
void decodeStructured(fuzz::FuzzBytes& in, HostRecord& h) {
    int const side = 1 + static_cast<int>(in.below(8));
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            addVertex(h, static_cast<float>(x), static_cast<float>(y),
                      in.chance(6) ? 0.001f : 0.0f);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            int const a = y * (side + 1) + x, b = a + 1, c = b + side + 1, d = a + side + 1;
            switch (in.below(10)) {
                case 0:
                    addFace(h, {a, addVertex(h, x + 4e-4f, static_cast<float>(y), 0), b, c, d});
                    break;
                case 1:
                    addFace(h, {a, b, addVertex(h, x + 1.0f, y + 1e-6f, 0)});
                    break;
                case 2:
                    addFace(h, {a, b});
                    break;
                case 3:
                    addFace(h, {a, a, b, c});
                    break;
                case 4:
                    addFace(h, {a, b, c});
                    addFace(h, {a, c, d});
                    break;
                default:
                    addFace(h, {a, b, c, d});
                    break;
            }
        }
    }
    if (in.chance(2)) {
        bool const flipped = in.chance(4);
        int const outline = addSquare(h, -100, -100, 200, 5, flipped);
        std::vector<unsigned int> group{static_cast<unsigned int>(outline)};
        for (unsigned int k = in.below(2) ? 1 + in.below(6) : 21 + in.below(12); k > 0; --k) {
            float const x = -95.0f + static_cast<float>(in.below(12)) * 15.0f;
            float const y = -95.0f + static_cast<float>(in.below(12)) * 15.0f;
            float const size = in.chance(6) ? 150.0f : 3.0f + static_cast<float>(in.below(4));
            float const z = in.chance(10) ? 6.0f : 5.0f;
            group.push_back(
                static_cast<unsigned int>(addSquare(h, x, y, size, z, !in.chance(4) != flipped)));
            if (in.chance(10)) group.push_back(group.back());
        }
        group.push_back(HOLES_END);
        h.holes.insert(h.holes.end(), group.begin(), group.end());
    }
    auto const faces = static_cast<unsigned int>(h.counts.size());
    h.withTexCoords = !in.chance(3);
    addTextures(in, h, faces);
    if (in.chance(3)) addHolesGarbage(in, h, faces);
}

// A deep copy of everything the record points to, to prove the operations only read it.
struct Snapshot {
    Cleanup::MeshData fields;
    std::vector<std::vector<char>> arrays;

    template <typename T>
    void add(T const* p, std::size_t n) {
        arrays.emplace_back();
        if (p != nullptr)
            arrays.back().assign(reinterpret_cast<char const*>(p),
                                 reinterpret_cast<char const*>(p + n));
    }
    Snapshot(Cleanup::MeshData const& d, HostRecord const& h) : fields(d) {
        add(d.mVertexCoords, h.coords.size());
        add(d.mIndices, h.indices.size());
        add(d.mTexCoords, d.mTexCoords ? h.texCoords.size() : 0);
        add(d.mTCIndices, d.mTCIndices ? h.tcIndices.size() : 0);
        add(d.mCounts, h.counts.size());
        add(d.mTexturesStartFaces, d.mTexturesStartFaces ? h.startFaces.size() : 0);
        add(d.mHoles, h.holes.size());
        add(d.mTextures, h.textures.size());
        for (std::string const& n : h.names) add(n.c_str(), n.size() + 1);
    }
    bool operator==(Snapshot const& o) const {
        return std::memcmp(&fields, &o.fields, sizeof fields) == 0 && arrays == o.arrays;
    }
};

// Start faces the library must keep ascending: the input's ascend from 0 below the face count.
bool startFacesAscend(HostRecord const& h) {
    if (!h.withStartFaces || h.startFaces.empty() || h.startFaces.front() != 0) return false;
    for (std::size_t i = 0; i < h.startFaces.size(); ++i)
        if (h.startFaces[i] >= h.counts.size() || (i > 0 && h.startFaces[i] <= h.startFaces[i - 1]))
            return false;
    return true;
}

[[noreturn]] void fail(char const* operation, std::string const& problem) {
    std::fprintf(stderr, "%s: %s\n", operation, problem.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    fuzz::FuzzBytes in(data, size);
    HostRecord host;
    bool const structured = in.byte() % 2 == 1;
    host.nullName = in.chance(2);
    float const tolerance = in.chance(2) ? 1e-3f : static_cast<float>(in.below(8)) * 0.25f;
    float const degrees = static_cast<float>(in.below(23)) * 0.5f - 1.0f;
    Parameters const parameters{tolerance, degrees, in.chance(2)};
    if (structured)
        decodeStructured(in, host);
    else
        decodeHostile(in, host);
    Cleanup::MeshData const record = host.record();
    Snapshot const before(record, host);
    bool const ascending = startFacesAscend(host);
    for (Operation const& operation : OPERATIONS) {
        Cleanup::MeshData* result = operation.run(record, parameters);
        if (!(Snapshot(record, host) == before))
            fail(operation.name, "the caller's record changed");
        if (result != nullptr) {
            std::string const problem = fuzz::returnedRecordProblem(*result, ascending);
            if (!problem.empty()) fail(operation.name, problem);
        }
        Cleanup::freeMeshData(result);
    }
    return 0;
}
