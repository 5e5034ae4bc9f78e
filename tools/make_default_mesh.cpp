// Writes the bundled default input: make_default_mesh data/building.obj
#include <exception>
#include <iostream>

#include "BuildingMesh.h"
#include "ObjFile.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_default_mesh OUT.obj\n";
        return 2;
    }
    try {
        util::tool::MeshRecord mesh = util::tool::makeBuildingMesh();
        util::tool::writeObj(mesh.view(), argv[1]);
    } catch (std::exception const& e) {
        std::cerr << "make_default_mesh: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
