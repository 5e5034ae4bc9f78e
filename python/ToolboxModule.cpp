// The Python module `toolbox`: the cleanup operations on NumPy arrays, and OBJ files in and out.
#include <pybind11/pybind11.h>

#include <forward_list>
#include <string>
#include <utility>

#include "ArrayRecord.h"
#include "MeshRecord.h"
#include "ObjFile.h"
#include "cleanup/Cleanup.h"

namespace py = pybind11;

namespace util::python {
namespace {

char const* const MODULE_DOC = R"(Mesh cleanup on NumPy arrays.

Every operation takes a mesh as (vertices, indices, counts) and the rest by keyword:
  vertices             float32 array (n, 3), in model units
  indices              integer array of vertex indices, face after face, with counts the
                       number of corners of each face; or an (m, k) array for m faces of k
                       corners, counts then None
  uvs, uv_indices      optional float32 (t, 2) texture coordinates and their indices, shaped
                       like indices
  textures             optional list of texture names (str or None for untextured), one per
                       face range, used only with uvs; texture_start_faces gives each range's
                       first face (all 0 when omitted)
  holes                optional holes structure: groups of an encircling face, its hole
                       faces and 0xFFFFFFFF
Faces with fewer than 3 corners are dropped with a RuntimeWarning. Wrong shapes, types or
ranges raise ValueError. The result is a new dict with the same keys (vertices, indices,
counts, uvs, uv_indices, textures, texture_start_faces, holes; absent arrays are None), so
it can be passed on with **, or None when no vertex or no face is left. The caller's arrays
are copied and never changed; a pass runs without the GIL, so threads may clean different
meshes at once.)";

// pybind11 keeps the docstring pointer it is given, so composed docstrings need a lasting home.
char const* lasting(std::string text) {
    static std::forward_list<std::string> texts;
    return texts.emplace_front(std::move(text)).c_str();
}

char const* operationDoc(char const* what) {
    return lasting(std::string(what) + "\n\nArrays, result and errors: see help(toolbox).");
}

// The record is copied under the GIL; the pass and the conversions run without it.
template <typename Pass>
py::object runPass(ArrayRecord& record, Pass pass) {
    Cleanup::MeshData const data = record.view();
    tool::LibraryRecord result;
    {
        py::gil_scoped_release const release;
        result.reset(pass(data));
    }
    if (!result) return py::none();
    return toPython(*result);
}

// Binds one exported operation whose pass parameters come before the record; they become
// keyword arguments after the mesh arrays.
template <typename... Parameters>
struct Operation {
    using Function = Cleanup::MeshData* (*)(Parameters..., Cleanup::MeshData const&);

    template <typename... ParameterArgs>
    static void bind(py::module_& module, char const* name, Function function, char const* doc,
                     ParameterArgs... parameterArgs) {
        module.def(
            name,
            [function](py::object const& vertices, py::object const& indices,
                       py::object const& counts, Parameters... parameters, py::object uvs,
                       py::object uvIndices, py::object textures, py::object textureStartFaces,
                       py::object holes) {
                ArrayRecord record(vertices, indices, counts,
                                   {std::move(uvs), std::move(uvIndices), std::move(textures),
                                    std::move(textureStartFaces), std::move(holes)});
                return runPass(record, [&](Cleanup::MeshData const& data) {
                    return function(parameters..., data);
                });
            },
            operationDoc(doc), py::arg("vertices"), py::arg("indices"),
            py::arg("counts") = py::none(), py::kw_only(), parameterArgs...,
            py::arg("uvs") = py::none(), py::arg("uv_indices") = py::none(),
            py::arg("textures") = py::none(), py::arg("texture_start_faces") = py::none(),
            py::arg("holes") = py::none());
    }
};

py::object readObj(std::string const& path) {
    tool::ObjContents contents;
    {
        py::gil_scoped_release const release;
        contents = tool::readObj(path);
    }
    for (std::string const& warning : contents.warnings) warn(warning.c_str());
    return toPython(contents.mesh.view());
}

void writeObj(std::string const& path, py::object const& vertices, py::object const& indices,
              py::object const& counts, py::object uvs, py::object uvIndices, py::object textures,
              py::object textureStartFaces, py::object holes) {
    ArrayRecord record(vertices, indices, counts,
                       {std::move(uvs), std::move(uvIndices), std::move(textures),
                        std::move(textureStartFaces), std::move(holes)});
    // Dropping them silently would lose geometry.
    if (record.hasHoles()) throw py::value_error("holes: OBJ files cannot hold holes");
    Cleanup::MeshData const data = record.view();
    py::gil_scoped_release const release;
    tool::writeObj(data, path);
}

}  // namespace
}  // namespace util::python

PYBIND11_MODULE(toolbox, module) {
    using util::python::Operation;
    module.doc() = util::python::MODULE_DOC;

    Operation<float>::bind(module, "remove_edges_zero", &Cleanup::removeEdgesZero,
                           "Collapses edges shorter than threshold.\n\n"
                           "threshold is a length in model units; an edge goes when its squared "
                           "length is below threshold squared (in float), so 0 changes nothing. "
                           "Vertices that no face uses any more are removed.",
                           py::arg("threshold"));
    Operation<float>::bind(module, "remove_faces_zero", &Cleanup::removeFacesZero,
                           "Removes faces whose area is below threshold.\n\n"
                           "threshold is an area in squared model units, compared strictly: a "
                           "face of exactly that area stays. Holes of removed faces and vertices "
                           "that no face uses any more go with them.",
                           py::arg("threshold"));
    Operation<float>::bind(module, "merge_vertices", &Cleanup::mergeVertices,
                           "Welds vertices that lie within tolerance of each other.\n\n"
                           "tolerance is a distance in model units, compared inclusively and "
                           "squared in double precision; each group keeps its lowest-indexed "
                           "vertex. Merges that would pinch a face or tear a hole from its face "
                           "are refused.",
                           py::arg("tolerance"));
    Operation<>::bind(module, "conform_normals", &Cleanup::conformNormals,
                      "Orients faces consistently.\n\n"
                      "Faces connected through edges shared by two faces take their neighbours' "
                      "winding; each such component is then turned to face away from a point "
                      "below it.");
    Operation<bool>::bind(module, "remove_faces_double", &Cleanup::removeFacesDouble,
                          "Removes faces that repeat another face.\n\n"
                          "Two faces are copies when they visit the same vertex indices in the "
                          "same cyclic order, read in either direction; positions are not "
                          "compared (merge vertices first). With check_uvs their texture "
                          "coordinates must match as well.",
                          py::arg("check_uvs") = false);
    Operation<float, bool>::bind(module, "remove_edges_coplanar", &Cleanup::removeEdgesCoplanar,
                                 "Dissolves edges between faces that are coplanar.\n\n"
                                 "tolerance is an angle in degrees; two neighbouring faces merge "
                                 "when their planes differ by strictly less. With check_uvs "
                                 "their texture coordinates must also continue across the edge.",
                                 py::arg("tolerance"), py::arg("check_uvs") = false);
    Operation<float, bool>::bind(module, "remove_vertices_colinear",
                                 &Cleanup::removeVerticesColinear,
                                 "Removes vertices on a straight line between their neighbours.\n\n"
                                 "tolerance is an angle in degrees: a corner is straight when the "
                                 "angle between its two edges is at least 180 minus tolerance. "
                                 "With check_uvs a vertex goes only where its texture coordinates "
                                 "interpolate its neighbours'.",
                                 py::arg("tolerance"), py::arg("check_uvs") = false);

    module.def("read_obj", &util::python::readObj, py::arg("path"),
               "Reads an OBJ file into a dict like the operations return.\n\n"
               "Positions, polygon faces as written, texture coordinates, and usemtl runs as "
               "texture ranges named after their map_Kd. Normals, groups, lines and points are "
               "dropped. What the file got away with (a missing MTL, say) becomes a "
               "RuntimeWarning; an unreadable or malformed file raises RuntimeError.");
    module.def("write_obj", &util::python::writeObj, py::arg("path"), py::arg("vertices"),
               py::arg("indices"), py::arg("counts") = py::none(), py::kw_only(),
               py::arg("uvs") = py::none(), py::arg("uv_indices") = py::none(),
               py::arg("textures") = py::none(), py::arg("texture_start_faces") = py::none(),
               py::arg("holes") = py::none(),
               "Writes a mesh, given as the operations take it, to an OBJ file.\n\n"
               "Texture ranges go to an MTL file with the same stem. Both are written aside "
               "and renamed into place. Holes cannot be written (ValueError); a failure to "
               "write raises RuntimeError.");
}
