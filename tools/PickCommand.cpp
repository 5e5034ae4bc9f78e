#include "PickCommand.h"

#include <iomanip>
#include <iostream>
#include <limits>
#include <memory>

#include "ObjFile.h"
#include "picking/Picker.h"

namespace util::tool {
namespace {
constexpr int ENTRY_ID = 1;

// Frees the group with the picker: the handle belongs to the picker until its dispose runs.
struct PickerSession {
    std::unique_ptr<Picker> picker{Picker::createPicker()};
    unsigned long group = picker->createGroup();
    ~PickerSession() {
        picker->dispose(group);
        picker->processQueue();
    }
};

std::unique_ptr<Mesh> meshFromFile(std::string const& path) {
    ObjContents contents = readObj(path);
    for (std::string const& warning : contents.warnings)
        std::cerr << "toolbox: warning: " << warning << '\n';
    Cleanup::MeshData const data = contents.mesh.view();
    std::string message;
    auto mesh = std::make_unique<Mesh>(data.mName, data.mVCCount, data.mVertexCoords,
                                       data.mIndexCount, data.mIndices, data.mCountCount,
                                       data.mCounts, nullptr, 0, nullptr, nullptr, &message);
    mesh->calcFaceNormals();  // the tessellator fills faces in their own plane
    return mesh;
}

void printRay(Picker& picker, unsigned long group, PickOptions const& options) {
    float distance = 0;
    float normal[3];
    if (!picker.getShapeDist(group, ENTRY_ID, options.origin.data(), options.direction.data(),
                             distance, normal)) {
        std::cout << "no hit\n";
        return;
    }
    std::cout << std::setprecision(std::numeric_limits<float>::max_digits10) << "hit distance "
              << distance << " normal " << normal[0] << ' ' << normal[1] << ' ' << normal[2]
              << '\n';
}

void printFrustum(Picker& picker, unsigned long group, PickOptions const& options) {
    int id = 0;
    long const found = picker.getIntersectingEntries(
        group, options.frustum.data(), options.viewProjection.data(), options.fullyInside, &id, 1);
    if (found == 1)
        std::cout << "entry " << id << " visible\n";
    else
        std::cout << "not visible\n";
}
}  // namespace

CLI::App* addPickCommand(CLI::App& app, PickOptions& options) {
    CLI::App* const pick = app.add_subcommand(
        "pick", "Load IN as one picker entry and cast a ray at it or test it against a frustum.");
    pick->footer(
        "Vectors and matrices are comma-separated; matrices are column-major. Ray distances "
        "are in multiples of the direction's length.");
    pick->add_option("IN", options.input, "input OBJ file")->required();
    pick->add_option("--transform", options.transform, "entry transform, 16 numbers")
        ->delimiter(',')
        ->expected(16);
    CLI::Option* const origin = pick->add_option("--origin", options.origin, "ray origin X,Y,Z")
                                    ->delimiter(',')
                                    ->expected(3);
    CLI::Option* const direction =
        pick->add_option("--direction", options.direction, "ray direction X,Y,Z")
            ->delimiter(',')
            ->expected(3);
    origin->needs(direction);
    direction->needs(origin);
    CLI::Option* const frustum =
        pick->add_option("--frustum", options.frustum,
                         "frustum corners, 24 numbers: 0-3 around one end, 4-7 around the other")
            ->delimiter(',')
            ->expected(24);
    CLI::Option* const viewProjection =
        pick->add_option("--view-projection", options.viewProjection,
                         "world to clip space, 16 numbers")
            ->delimiter(',')
            ->expected(16);
    frustum->needs(viewProjection);
    viewProjection->needs(frustum);
    pick->add_flag("--fully-inside", options.fullyInside, "report the entry only if wholly inside");
    pick->callback([origin, frustum] {
        if (origin->count() == 0 && frustum->count() == 0)
            throw CLI::ValidationError("pick", "needs --origin/--direction or --frustum");
    });
    return pick;
}

int runPick(PickOptions const& options) {
    std::unique_ptr<Mesh> const mesh = meshFromFile(options.input);
    PickerSession session;
    Matrix<float> const transform =
        options.transform.empty() ? Matrix<float>() : Matrix<float>(options.transform.data());
    session.picker->addEntry(session.group, ENTRY_ID, {mesh.get()}, transform);
    if (!options.origin.empty()) printRay(*session.picker, session.group, options);
    if (!options.frustum.empty()) printFrustum(*session.picker, session.group, options);
    return 0;
}

}  // namespace util::tool
