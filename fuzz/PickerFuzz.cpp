// Drives the picker through its host interface with byte-chosen command sequences and queries
// on small meshes whose coordinates include NaN, infinities and huge values.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "mesh/Mesh.h"
#include "picking/Picker.h"

namespace {

using V3 = util::Vector3<float>;

constexpr std::size_t MAX_OPERATIONS = 64;
constexpr std::size_t MAX_GROUPS = 6;

float pickFloat(FuzzedDataProvider& in) {
    static float const special[] = {0,
                                    1,
                                    -1,
                                    0.5f,
                                    10,
                                    -10,
                                    100,
                                    1e-30f,
                                    1e30f,
                                    -1e30f,
                                    3e38f,
                                    -3e38f,
                                    std::numeric_limits<float>::infinity(),
                                    std::numeric_limits<float>::quiet_NaN()};
    std::uint8_t const choice = in.ConsumeIntegral<std::uint8_t>();
    if (choice < 200) return static_cast<float>(choice % 21) - 10.0f;
    if (choice < 240) return special[choice % (sizeof special / sizeof special[0])];
    return in.ConsumeFloatingPoint<float>();
}

std::unique_ptr<util::Mesh> makeMesh(FuzzedDataProvider& in) {
    std::vector<V3> vertices(in.ConsumeIntegralInRange<std::size_t>(3, 8));
    for (V3& v : vertices) v = V3(pickFloat(in), pickFloat(in), pickFloat(in));
    std::vector<util::Mesh::Polygon> faces;
    std::size_t const faceCount = in.ConsumeIntegralInRange<std::size_t>(1, 3);
    for (std::size_t f = 0; f < faceCount; ++f) {
        std::vector<unsigned int> corners(in.ConsumeIntegralInRange<std::size_t>(3, 5));
        for (unsigned int& c : corners)
            c = in.ConsumeIntegralInRange<unsigned int>(
                0, static_cast<unsigned int>(vertices.size() - 1));
        faces.emplace_back(corners);
    }
    auto mesh = std::make_unique<util::Mesh>("fuzz", vertices, faces);
    mesh->calcFaceNormals();
    return mesh;
}

void fill(FuzzedDataProvider& in, float* values, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) values[k] = pickFloat(in);
}

util::Matrix<float> makeTransform(FuzzedDataProvider& in) {
    util::Matrix<float> m;
    if (in.ConsumeBool()) {
        m[12] = pickFloat(in);
        m[13] = pickFloat(in);
        m[14] = pickFloat(in);
    } else {
        fill(in, m.m, 16);
    }
    return m;
}

// Handles that may still be used, and those whose dispose is queued: a flush gives those back.
struct Groups {
    std::vector<unsigned long> live;
    std::vector<unsigned long> disposing;

    void drained() { disposing.clear(); }
    void flushed() {
        live.insert(live.end(), disposing.begin(), disposing.end());
        disposing.clear();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::unique_ptr<util::Mesh>> meshes;
    for (int k = 0; k < 3; ++k) meshes.push_back(makeMesh(in));
    std::unique_ptr<Picker> picker(Picker::createPicker());
    Groups groups;
    for (std::size_t op = 0; op < MAX_OPERATIONS && in.remaining_bytes() > 0; ++op) {
        std::uint8_t const kind = in.ConsumeIntegralInRange<std::uint8_t>(0, 7);
        if (kind == 0 || groups.live.empty()) {
            if (groups.live.size() + groups.disposing.size() < MAX_GROUPS)
                groups.live.push_back(picker->createGroup());
            if (groups.live.empty()) continue;
        }
        std::size_t const pick = in.ConsumeIntegralInRange<std::size_t>(0, groups.live.size() - 1);
        unsigned long const group = groups.live[pick];
        switch (kind) {
            case 1: {
                std::vector<util::Mesh const*> entry;
                std::size_t const count = in.ConsumeIntegralInRange<std::size_t>(0, 3);
                for (std::size_t k = 0; k < count; ++k)
                    entry.push_back(meshes[in.ConsumeIntegralInRange<std::size_t>(0, 2)].get());
                picker->addEntry(group, in.ConsumeIntegralInRange<int>(-2, 5), entry,
                                 makeTransform(in));
                break;
            }
            case 2:
                picker->relocate(group, pickFloat(in), pickFloat(in), pickFloat(in));
                break;
            case 3:
                picker->dispose(group);
                groups.disposing.push_back(group);
                groups.live.erase(groups.live.begin() + pick);
                break;
            case 4:
                picker->flushQueue();
                groups.flushed();
                break;
            case 5:
                picker->processQueue();
                groups.drained();
                break;
            case 6: {
                float corners[24];
                float viewProjection[16];
                fill(in, corners, 24);
                fill(in, viewProjection, 16);
                int ids[8];
                unsigned long const capacity = in.ConsumeIntegralInRange<unsigned long>(0, 8);
                long const n =
                    picker->getIntersectingEntries(group, corners, viewProjection, in.ConsumeBool(),
                                                   in.ConsumeBool() ? ids : nullptr, capacity);
                if (n > static_cast<long>(capacity)) __builtin_trap();
                groups.drained();
                break;
            }
            case 7: {
                float origin[3];
                float direction[3];
                float normal[3];
                fill(in, origin, 3);
                fill(in, direction, 3);
                float distance = 0;
                picker->getShapeDist(group, in.ConsumeIntegralInRange<int>(-2, 5), origin,
                                     direction, distance, in.ConsumeBool() ? normal : nullptr);
                groups.drained();
                break;
            }
            default:
                break;
        }
    }
    for (unsigned long group : groups.live) picker->dispose(group);
    picker->processQueue();
    return 0;
}
