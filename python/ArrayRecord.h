#pragma once

#include <pybind11/pybind11.h>

#include <vector>

#include "MeshRecord.h"
#include "cleanup/Cleanup.h"

namespace util::python {

// The optional arrays of a mesh, named like the keyword arguments that carry them.
struct OptionalArrays {
    pybind11::object uvs = pybind11::none();
    pybind11::object uvIndices = pybind11::none();
    pybind11::object textures = pybind11::none();
    pybind11::object textureStartFaces = pybind11::none();
    pybind11::object holes = pybind11::none();
};

// A mesh handed over from Python, checked and copied, so that a pass can run without the GIL
// while other Python threads change the caller's arrays. Construction needs the GIL and throws
// pybind11::value_error naming the argument whose shape, type or range is wrong: the library
// would turn such a record into a null result without saying why.
class ArrayRecord {
public:
    // indices is flat with per-face counts, or (m, k) for m faces of k corners with counts None.
    ArrayRecord(pybind11::handle vertices, pybind11::handle indices, pybind11::handle counts,
                OptionalArrays const& optional);

    bool hasHoles() const { return !mHoles.empty(); }

    // Points into this object: valid until it changes or dies; never freed by the library.
    Cleanup::MeshData view();

private:
    void setFaces(pybind11::handle indices, pybind11::handle counts);
    void setTexCoords(pybind11::handle uvs, pybind11::handle uvIndices);
    void setTextures(pybind11::handle textures, pybind11::handle startFaces);
    void setHoles(pybind11::handle holes);

    tool::MeshRecord mMesh;
    std::vector<long long> mIndexShape;  // of the indices argument, which uv_indices must match
    std::vector<unsigned int> mHoles;
};

// A record's arrays as a dict keyed like the binding arguments, so that a result can be passed on
// with **; absent arrays are None. Needs the GIL. A conversion message becomes a RuntimeWarning.
pybind11::dict toPython(Cleanup::MeshData const& data);

// Issues a RuntimeWarning; throws pybind11::error_already_set when warnings are errors.
void warn(char const* message);

}  // namespace util::python
