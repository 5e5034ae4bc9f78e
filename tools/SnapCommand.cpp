#include "SnapCommand.h"

#include <iomanip>
#include <iostream>
#include <limits>
#include <memory>
#include <ostream>

#include "ObjFile.h"
#include "intersection/Intersector.h"

namespace util::tool {
namespace {

char const* kindName(int kind) {
    switch (kind) {
        case Intersector::SNAP_FACE:
            return "face";
        case Intersector::SNAP_VERTEX:
            return "vertex";
        case Intersector::SNAP_OTHER_VERTEX:
            return "vertex of another triangle";
        case Intersector::SNAP_EDGE:
            return "edge";
        case Intersector::SNAP_OTHER_EDGE:
            return "edge of another triangle";
        default:
            return "nothing";
    }
}

void printPoint(std::ostream& out, float const* p) { out << p[0] << ' ' << p[1] << ' ' << p[2]; }

// The mesh as a host hands it over: positions and faces, nothing else.
Mesh meshOf(Cleanup::MeshData const& data) {
    std::string message;
    return Mesh(data.mName, data.mVCCount, data.mVertexCoords, data.mIndexCount, data.mIndices,
                data.mCountCount, data.mCounts, nullptr, 0, nullptr, nullptr, &message);
}

}  // namespace

CLI::App* addSnapCommand(CLI::App& app, SnapOptions& options) {
    CLI::App* const snap =
        app.add_subcommand("snap", "Print where a ray snaps to a vertex, an edge or a face of IN.");
    snap->footer(
        "Kinds: 3 face, 1 vertex, 2 edge of the triangle the ray passed through last; -1 and -2 "
        "the same on another triangle; 0 nothing.");
    snap->add_option("IN", options.input, "input OBJ file")->required();
    snap->add_option("--view-projection", options.viewProjection,
                     "16 floats, column-major; visible after division by |w|: [-1, 1]^3")
        ->expected(16)
        ->required();
    snap->add_option("--origin", options.origin, "ray origin")
        ->delimiter(',')
        ->expected(3)
        ->type_name("X,Y,Z")
        ->required();
    snap->add_option("--direction", options.direction, "ray direction")
        ->delimiter(',')
        ->expected(3)
        ->type_name("X,Y,Z")
        ->required();
    return snap;
}

int runSnap(SnapOptions const& options) {
    ObjContents contents = readObj(options.input);
    for (std::string const& warning : contents.warnings)
        std::cerr << "toolbox: warning: " << warning << '\n';
    Mesh const mesh = meshOf(contents.mesh.view());
    Triangulator triangulator;
    std::unique_ptr<Intersector> const intersector(Intersector::createIntersector());
    unsigned long const group = intersector->createGroup();
    intersector->addEntry(group, mesh, Matrix<float>(), triangulator);
    float point[3], a[3], b[3], c[3];
    int const kind = intersector->snap(group, options.viewProjection.data(), options.origin.data(),
                                       options.direction.data(), point, a, b, c);
    intersector->dispose(group);
    intersector->processQueue();

    std::cout << std::setprecision(std::numeric_limits<float>::max_digits10);
    std::cout << "kind: " << kind << " (" << kindName(kind) << ")\n";
    if (kind != Intersector::SNAP_NOTHING) {
        std::cout << "point: ";
        printPoint(std::cout, point);
        std::cout << "\ntriangle: ";
        printPoint(std::cout, a);
        std::cout << ", ";
        printPoint(std::cout, b);
        std::cout << ", ";
        printPoint(std::cout, c);
        std::cout << '\n';
    }
    return 0;
}

}  // namespace util::tool
