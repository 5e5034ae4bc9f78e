// Drives the intersector with byte-chosen commands, flushes and queries on small meshes whose
// coordinates may be NaN, infinite or huge. Exceptions are allowed; crashes, leaks and hangs not.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <vector>

#include "intersection/Intersector.h"
#include "mesh/Mesh.h"

namespace {

using util::Matrix;
using util::Mesh;
using V3 = util::Vector3<float>;

class Bytes {
public:
    Bytes(std::uint8_t const* data, std::size_t size) : mData(data), mSize(size) {}

    bool empty() const { return mPosition >= mSize; }
    std::uint8_t byte() { return mPosition < mSize ? mData[mPosition++] : 0; }

    // Mostly small coordinates on a coarse grid, so that meshes touch and overlap; now and then
    // raw bits, which include NaN, infinities, denormals and huge values.
    float coordinate() {
        std::uint8_t const kind = byte();
        if (kind < 200) return (static_cast<float>(byte()) - 128.0f) / 32.0f;
        if (kind < 210) return std::numeric_limits<float>::quiet_NaN();
        if (kind < 220) return kind % 2 ? 3.0e38f : -std::numeric_limits<float>::infinity();
        std::uint32_t bits = 0;
        for (int k = 0; k < 4; ++k) bits = (bits << 8) | byte();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    V3 vector() {
        float const x = coordinate();
        float const y = coordinate();
        return V3(x, y, coordinate());
    }

    Matrix<float> matrix() {
        std::uint8_t const kind = byte() % 4;
        if (kind == 0) return Matrix<float>();
        if (kind == 1) {
            V3 const t = vector();
            return Matrix<float>::translation(t.x, t.y, t.z);
        }
        if (kind == 2) {
            float const s = coordinate();
            return Matrix<float>::scaling(s, coordinate(), coordinate());
        }
        Matrix<float> m;
        for (float& value : m.m) value = coordinate();
        return m;
    }

private:
    std::uint8_t const* mData;
    std::size_t mSize;
    std::size_t mPosition = 0;
};

// 3 to 34 vertices (both sides of the small-mesh limit), up to 8 faces of 3 to 6 corners, and
// sometimes the second face as a hole of the first.
std::unique_ptr<Mesh> meshFrom(Bytes& in) {
    std::size_t const vertexCount = 3 + in.byte() % 32;
    std::vector<V3> vertices;
    for (std::size_t k = 0; k < vertexCount; ++k) vertices.push_back(in.vector());
    std::vector<Mesh::Polygon> faces;
    std::size_t const faceCount = 1 + in.byte() % 8;
    for (std::size_t f = 0; f < faceCount; ++f) {
        std::vector<unsigned int> corners;
        std::size_t const cornerCount = 3 + in.byte() % 4;
        for (std::size_t c = 0; c < cornerCount; ++c) corners.push_back(in.byte() % vertexCount);
        faces.emplace_back(corners);
    }
    std::vector<unsigned int> holes;
    if (faces.size() >= 2 && in.byte() % 4 == 0) holes = {0, 1, Mesh::HOLES_END};
    auto mesh = std::make_unique<Mesh>("fuzz", vertices, faces, holes);
    mesh->calcFaceNormals();
    return mesh;
}

// Handles stay with the fuzzer until their dispose has executed; a flushed dispose gives the
// handle back.
struct Groups {
    std::vector<unsigned long> live;
    std::vector<unsigned long> disposing;

    void drained() { disposing.clear(); }
    void flushed() {
        live.insert(live.end(), disposing.begin(), disposing.end());
        disposing.clear();
    }
};

void query(Intersector& intersector, Groups& groups, unsigned long group, Bytes& in) {
    V3 const origin = in.vector();
    V3 const direction = in.vector();
    float const o[3] = {origin.x, origin.y, origin.z};
    float const d[3] = {direction.x, direction.y, direction.z};
    switch (in.byte() % 3) {
        case 0: {
            float distance = 0;
            float normal[3];
            intersector.getDistanceToGroup(group, o, d, distance, normal);
            break;
        }
        case 1: {
            Matrix<float> const view = in.matrix();
            float point[3], a[3], b[3], c[3];
            intersector.snap(group, view.m, o, d, point, a, b, c);
            break;
        }
        default: {
            Matrix<float> const view = in.matrix();
            intersector.intersects(group, view.m, in.byte() % 2 == 0);
            break;
        }
    }
    groups.drained();
}

void step(Intersector& intersector, util::Triangulator& triangulator, Groups& groups, Bytes& in) {
    std::uint8_t const op = in.byte() % 10;
    if (op == 0 || groups.live.empty()) {
        groups.live.push_back(intersector.createGroup());
        return;
    }
    std::size_t const which = in.byte() % groups.live.size();
    unsigned long const group = groups.live[which];
    switch (op) {
        case 1:
        case 2: {
            std::unique_ptr<Mesh> const mesh = meshFrom(in);
            intersector.addEntry(group, *mesh, in.matrix(), triangulator);
            break;
        }
        case 3: {
            std::unique_ptr<Mesh> const mesh = meshFrom(in);
            intersector.setOABBox(group, *mesh, triangulator);
            break;
        }
        case 4: {
            V3 const offset = in.vector();
            intersector.relocate(group, offset.x, offset.y, offset.z);
            break;
        }
        case 5:
            intersector.dispose(group);
            groups.live.erase(groups.live.begin() + static_cast<std::ptrdiff_t>(which));
            groups.disposing.push_back(group);
            break;
        case 6:
            intersector.flushQueue();
            groups.flushed();
            break;
        case 7:
            intersector.processQueue();
            groups.drained();
            break;
        default:
            query(intersector, groups, group, in);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    Bytes in(data, size);
    std::unique_ptr<Intersector> const intersector(Intersector::createIntersector());
    util::Triangulator triangulator;
    Groups groups;
    for (int steps = 0; steps < 64 && !in.empty(); ++steps) {
        try {
            step(*intersector, triangulator, groups, in);
        } catch (std::exception const&) {
            // Triangulation may refuse a mesh; nothing was queued then.
        }
    }
    intersector->flushQueue();
    groups.flushed();
    for (unsigned long const group : groups.live) intersector->dispose(group);
    intersector->processQueue();
    return 0;
}
